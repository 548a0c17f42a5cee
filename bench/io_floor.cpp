// The read+write floors of a batch: what one thread takes merely to read every page source of a
// site and write a page of each made page's size, with plain system calls and nothing else (no
// template, no generation, no sync). A batch cannot take less. Two floors:
//
//   build/bench/io_floor SITE/z            each page rewritten in place (open with O_TRUNC)
//   build/bench/io_floor --atomic SITE/z   each page a new file renamed over the old one, as a
//                                          batch that never leaves half a page must write it
//
// Run after `zorvik batch SITE/z/site.gro` has filled SITE/z/out/ (whose page sizes it takes).
// The pages go to SITE/z/floor/. Time it as a whole process, as the batch is timed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

bool Write(const std::string& path, const std::string& bytes, int flags) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  const bool atomic = argc == 3 && std::strcmp(argv[1], "--atomic") == 0;
  if (argc != 2 && !atomic) {
    std::fprintf(stderr, "usage: io_floor [--atomic] SITE/z\n");
    return 2;
  }
  const std::string site = argv[argc - 1];
  const std::vector<std::string> sources = Names(site + "/p");
  const std::vector<std::string> pages = Names(site + "/out");
  if (pages.empty() || pages.size() != sources.size()) {
    std::fprintf(stderr, "io_floor: %s/out must hold the pages of %s/p\n", site.c_str(),
                 site.c_str());
    return 1;
  }
  const std::string floor = site + "/floor/";
  mkdir(floor.c_str(), 0755);
  std::string source;
  std::string page;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    struct stat made {};
    if (stat((site + "/out/" + pages[i]).c_str(), &made) != 0) return 1;
    if (!Read(site + "/p/" + sources[i], source)) return 1;
    page.assign(static_cast<std::size_t>(made.st_size), 'x');
    const std::string target = floor + pages[i];
    if (atomic) {
      const std::string temporary = floor + "." + pages[i] + ".new";
      if (!Write(temporary, page, O_EXCL) || rename(temporary.c_str(), target.c_str()) != 0) {
        return 1;
      }
    } else if (!Write(target, page, O_TRUNC)) {
      return 1;
    }
  }
  return 0;
}
