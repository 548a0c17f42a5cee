#include "text/file_names.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "text/char_functions.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

// The step from one character of a path to the next. "/" (0x2F) is never the second byte of a
// CP932 character, so a byte before it stands alone: file-system paths are UTF-8 here, and the
// last byte of a Japanese folder name may look like a lead byte.
std::size_t PathCharBytesAt(std::string_view path, std::size_t i) {
  return (i + 1 < path.size() && path[i + 1] == '/') ? 1 : CharBytesAt(path, i);
}

// Byte offset just after the last separator, 0 when there is none.
std::size_t FolderLength(std::string_view path) {
  // "/" never ends a double-byte character; only a "\\" needs the walk to tell.
  if (path.find('\\') == std::string_view::npos) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
  }
  std::size_t length = 0;
  for (std::size_t i = 0; i < path.size(); i += PathCharBytesAt(path, i)) {
    if (path[i] == '/' || path[i] == '\\') length = i + 1;
  }
  return length;
}

}  // namespace

std::string ToFileSystemPath(std::string_view path) {
  std::string result(path);
  if (path.find('\\') == std::string_view::npos) return result;
  for (std::size_t i = 0; i < result.size(); i += PathCharBytesAt(result, i)) {
    if (result[i] == '\\') result[i] = '/';
  }
  return result;
}

std::string ExtractFolder(std::string_view path) {
  return std::string(path.substr(0, FolderLength(path)));
}

std::string ExtractFileNamePart(std::string_view path) {
  return std::string(path.substr(FolderLength(path)));
}

std::string PathFromFolder(std::string_view folder, std::string_view path) {
  if (folder.empty() || path.empty() || path.front() == '/' || path.front() == '\\')
    return std::string(path);
  std::string joined(folder);
  if (joined.back() != '/' && joined.back() != '\\') joined += '/';
  return joined.append(path);
}

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  return ExtractFolder(exe.string());
}

bool IsSystemProgramFolder(std::string_view folder) {
  for (std::string_view system : {"/usr/", "/bin/", "/sbin/"}) {
    if (folder.substr(0, system.size()) == system) return true;
  }
  for (std::string_view packaged : {"/usr/bin/", "/usr/sbin/"}) {
    if (folder.size() >= packaged.size() &&
        folder.substr(folder.size() - packaged.size()) == packaged)
      return true;
  }
  return false;
}

std::string UserFolder(const char* given, const char* home, std::string_view below) {
  if (given != nullptr && *given == '/') return given;
  if (home != nullptr && *home == '/') return std::string(home).append(below);
  return {};
}

std::string WorkspaceFolderFor(std::string_view executable_folder, const char* zorvik_home,
                               const char* home) {
  if (!IsSystemProgramFolder(executable_folder)) return std::string(executable_folder);
  std::string folder = UserFolder(zorvik_home, home, "/Zorvik");
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string UserCacheFolder() {
  std::string folder = UserFolder(std::getenv("XDG_CACHE_HOME"), HomeFolder(), "/.cache");
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

const char* HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  // The live preview's thread asks too: getpwuid's entry would be shared.
  thread_local std::string from_passwd;
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr) {
    return nullptr;
  }
  from_passwd = found->pw_dir;
  return from_passwd.c_str();
}

std::string WorkspaceFolder() {
  return WorkspaceFolderFor(ProgramFolder(), std::getenv("ZORVIK_HOME"), HomeFolder());
}

std::string FileTitleText(std::string_view file_name, std::string_view program_folder) {
  if (file_name.empty()) return {};
  std::string name(file_name);
  if (!program_folder.empty()) {
    // A path holds the file system's bytes: UTF-8.
    const std::size_t at = FindAtCharStart(name, program_folder, TEncoding::kUtf8);
    if (at != std::string::npos) name.replace(at, program_folder.size(), "<RunningFolder>/");
  }
  return " [" + ExtractFileNamePart(name) + "] - " + ExtractFolder(name);
}

std::string FileTitleText(std::string_view file_name) {
  return FileTitleText(file_name, WorkspaceFolder());
}

}  // namespace zorvik
