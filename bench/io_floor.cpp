// The read+write floor of a batch: the time one thread takes merely to read every page source of
// a site and write every page the batch made, with plain open, read, write and close calls and
// nothing else (no template, no rename, no sync). A batch cannot take less.
//
//   build/bench/io_floor SITE/z        after `zorvik batch SITE/z/site.gro` has filled SITE/z/out/
//
// Prints the seconds the reading and writing took. The pages are written to SITE/z/floor/.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Read(const std::string& path, std::string& into) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  fstat(fd, &info);
  into.resize(static_cast<std::size_t>(info.st_size));
  const bool ok = read(fd, into.data(), into.size()) == static_cast<ssize_t>(into.size());
  close(fd);
  return ok;
}

bool Write(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: io_floor SITE/z\n");
    return 2;
  }
  const std::string site = argv[1];
  const std::vector<std::string> sources = Names(site + "/p");
  const std::vector<std::string> pages = Names(site + "/out");
  std::vector<std::string> made(pages.size());
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (!Read(site + "/out/" + pages[i], made[i])) return 1;
  }
  if (pages.empty() || pages.size() != sources.size()) {
    std::fprintf(stderr, "io_floor: %s/out must hold the pages of %s/p\n", argv[1], argv[1]);
    return 1;
  }
  const std::string floor = site + "/floor/";
  mkdir(floor.c_str(), 0755);
  std::string source;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (!Read(site + "/p/" + sources[i], source) || !Write(floor + pages[i], made[i])) return 1;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.4f\n", took.count());
  return 0;
}
