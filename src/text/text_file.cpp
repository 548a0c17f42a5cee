#include "text/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "text/atomic_file.h"
#include "text/byte_scan.h"
#include "text/file_names.h"

namespace zorvik {

namespace {

// Ends the last line of a text whose line ends are all CR LF with one too: the text is then
// normalised, without a walk line by line.
void EndLastLine(std::string& text) {
  if (!text.empty() && text.back() != '\n') text.append("\r\n");
}

}  // namespace

std::string NormalizeLineEnds(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  if (LineEndsAreCrLf(bytes.data(), bytes.size())) {
    std::string text(bytes);
    EndLastLine(text);
    return text;
  }
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 32 + 2);
  // The next CR and the next LF are each looked for with memchr, and again only once passed,
  // so the text is scanned once (find_first_of would test every byte against both).
  std::size_t cr = bytes.find('\r');
  std::size_t lf = bytes.find('\n');
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (cr < i) cr = bytes.find('\r', i);
    if (lf < i) lf = bytes.find('\n', i);
    const std::size_t end = std::min(cr, lf);
    if (end == std::string_view::npos) {
      text.append(bytes.substr(i)).append("\r\n");
      break;
    }
    text.append(bytes.substr(i, end - i)).append("\r\n");
    i = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
  }
  return text;
}

TFileIdentity IdentityOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size,
          std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
          std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec};
}

namespace {

// The bytes of the regular file at path, at most kMaxTextFileBytes; nothing when it cannot be
// read or is something else. Opened without blocking (a FIFO under the name must not hold the
// program) and checked on the open descriptor: one look-up of the path, and the file checked
// is the file read.
std::optional<std::string> ReadRegularFile(std::string_view file_name,
                                           TFileIdentity* identity = nullptr,
                                           int folder = AT_FDCWD) {
  const std::string path = ToFileSystemPath(file_name);
  const int fd =
      path.empty() ? -1 : ::openat(folder, path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uintmax_t>(st.st_size) > kMaxTextFileBytes) {
    ::close(fd);
    return std::nullopt;
  }
  if (identity != nullptr) *identity = IdentityOf(st);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size) + 2);  // room for a last CR LF
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  bool failed = false;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) break;  // a file that shrank while being read still yields what was there
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (failed) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

}  // namespace

bool FileHolds(std::string_view file_name, std::string_view bytes, TFileIdentity* identity) {
  const std::optional<std::string> held = ReadRegularFile(file_name, identity);
  return held && *held == bytes;
}

std::string LoadTextFile(std::string_view file_name, std::size_t* nul_offset,
                         TFileIdentity* identity, int folder) {
  if (nul_offset != nullptr) *nul_offset = std::string::npos;
  std::optional<std::string> read = ReadRegularFile(file_name, identity, folder);
  if (!read) return std::string(kFileLoadError);
  std::string& bytes = *read;
  const std::size_t nul = bytes.find('\0');
  if (nul_offset != nullptr) *nul_offset = nul;
  // Most files are normalised already but perhaps for the last line: they are taken as read.
  if (nul == std::string::npos && LineEndsAreCrLf(bytes.data(), bytes.size())) {
    EndLastLine(bytes);
    return std::move(bytes);
  }
  return NormalizeLineEnds(bytes);
}

std::optional<std::string> AsEditorText(std::string loaded) {
  if (loaded == kFileLoadError) return std::nullopt;
  if (loaded.size() >= 2) loaded.resize(loaded.size() - 2);  // every line ends with CR LF
  return loaded;
}

bool SaveTextFile(std::string_view file_name, std::string_view text, TLinkPolicy links) {
  return WriteFileAtomically(ToFileSystemPath(file_name), NormalizeLineEnds(text), links);
}

}  // namespace zorvik
