#include "engine/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "text/file_names.h"
#include "text/text_file.h"

namespace zorvik {

bool TFileSystem::Holds(std::string_view path, std::string_view text) const {
  return LoadText(path) == NormalizeLineEnds(text);
}

namespace {

// The type bits of what stands at path (links followed), or 0; and its identity.
mode_t FileType(std::string_view path, TFileIdentity* identity = nullptr) {
  struct stat st {};
  if (path.empty() || ::stat(ToFileSystemPath(path).c_str(), &st) != 0) return 0;
  if (identity != nullptr) *identity = IdentityOf(st);
  return st.st_mode & S_IFMT;
}

}  // namespace

TDiskFileSystem::TKnownFile* TDiskFileSystem::Known(std::string_view path) const {
  if (!deferred_) return nullptr;
  const auto it = known_files_.find(path);
  return it != known_files_.end() ? &it->second : nullptr;
}

bool TDiskFileSystem::FileExists(std::string_view path) const {
  TKnownFile* known = Known(path);
  if (known != nullptr && !known->text) known = nullptr;
  if (known != nullptr && Fresh(*known)) return true;
  TFileIdentity identity;
  if (FileType(path, &identity) == S_IFREG) {
    if (known != nullptr) Looked(*known, identity);
    return true;
  }
  // A file saved earlier in the batch may be waiting for its window.
  if (!writer_.HasPending()) return false;
  writer_.Flush();
  return FileType(path) == S_IFREG;
}

bool TDiskFileSystem::Fresh(const TKnownFile& known) const {
  return known.reads_unlooked < kReadsBetweenLooks && known.flushes == writer_.Flushes();
}

void TDiskFileSystem::Looked(TKnownFile& known, const TFileIdentity& now) const {
  if (now == known.identity) {
    known.reads_unlooked = 0;
    known.flushes = writer_.Flushes();
  } else {
    known.text.reset();  // changed: read again
  }
}

bool TDiskFileSystem::FolderExists(std::string_view path) const {
  if (deferred_ && known_folders_.count(path) > 0) return true;
  const bool exists = FileType(path) == S_IFDIR;
  if (exists && deferred_) known_folders_.emplace(path);
  return exists;
}

bool TDiskFileSystem::CreateFolders(std::string_view path) {
  std::error_code ec;
  std::filesystem::create_directories(ToFileSystemPath(path), ec);
  if (!ec && FolderExists(path)) return true;
  // errno tells why: something other than a folder in the way reads as "not a directory".
  errno = !ec || ec == std::errc::file_exists ? ENOTDIR : ec.value();
  return false;
}

std::string TDiskFileSystem::LoadText(std::string_view path) const {
  TKnownFile* known = Known(path);
  if (known != nullptr) {
    if (!Fresh(*known)) {
      TFileIdentity now;
      if (FileType(path, &now) == S_IFREG) {
        Looked(*known, now);
      } else {
        known->text.reset();
      }
    }
    if (known->text && !writer_.Replaces(known->identity.device, known->identity.inode)) {
      ++known->reads_unlooked;
      if (known->nul != std::string::npos && on_nul) on_nul(path, known->nul);
      return *known->text;
    }
  }
  std::size_t nul = std::string::npos;
  TFileIdentity read;
  const std::string file = ToFileSystemPath(path);
  const auto [folder, name] = InReadFolder(file);
  std::string text = LoadTextFile(name, &nul, &read, folder);
  // A page reads what earlier pages of the batch saved: when the file read is about to be
  // replaced, or there was none yet, the waiting files are put in place and it is read again.
  if (writer_.HasPending() &&
      (text == kFileLoadError || writer_.Replaces(read.device, read.inode))) {
    writer_.Flush();
    text = LoadTextFile(name, &nul, &read, folder);
  }
  if (nul != std::string::npos && on_nul) on_nul(path, nul);
  if (deferred_ && text != kFileLoadError && text.size() <= kMaxKeptBytes)
    Remember(path, read, text, nul, known);
  return text;
}

std::pair<int, std::string_view> TDiskFileSystem::InReadFolder(std::string_view path) const {
  const std::size_t slash = path.rfind('/');
  if (!deferred_ || slash == std::string_view::npos || slash == 0) return {AT_FDCWD, path};
  const std::string folder(path.substr(0, slash + 1));
  auto it = read_folders_.find(folder);
  if (it == read_folders_.end()) {
    if (read_folders_.size() >= kMaxReadFolders) return {AT_FDCWD, path};
    it = read_folders_.emplace(folder, ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC))
             .first;
  }
  if (it->second < 0) return {AT_FDCWD, path};
  return {it->second, path.substr(slash + 1)};
}

void TDiskFileSystem::CloseReadFolders() const {
  for (const auto& [folder, fd] : read_folders_) {
    if (fd >= 0) ::close(fd);
  }
  read_folders_.clear();
}

void TDiskFileSystem::Remember(std::string_view path, const TFileIdentity& read,
                               const std::string& text, std::size_t nul, TKnownFile* known) const {
  if (known == nullptr) {
    // Kept once read a second time, unchanged.
    const auto once = std::find_if(read_once_.begin(), read_once_.end(),
                                   [&](const TReadOnce& r) { return r.path == path; });
    if (once == read_once_.end() || !(once->identity == read)) {
      TReadOnce& slot = read_once_[read_once_next_++ % read_once_.size()];
      slot.path.assign(path);
      slot.identity = read;
      return;
    }
    once->path.clear();
    known = &known_files_[std::string(path)];
  }
  known->identity = read;
  known->text = text;
  known->nul = nul;
  Looked(*known, read);
}

bool TDiskFileSystem::SaveText(std::string_view path, std::string_view text) {
  if (!deferred_) return SaveTextFile(path, text);
  return writer_.Write(ToFileSystemPath(path), NormalizeLineEnds(text));
}

bool TDiskFileSystem::Holds(std::string_view path, std::string_view text) const {
  const std::string file = ToFileSystemPath(path);
  const std::string bytes = NormalizeLineEnds(text);
  TFileIdentity read;
  if (FileHolds(file, bytes, &read)) return true;
  // Compared again once an earlier page's file for the same path is in place.
  if (!writer_.HasPending() || !writer_.Replaces(read.device, read.inode)) return false;
  writer_.Flush();
  return FileHolds(file, bytes);
}

void TDiskFileSystem::DeferSyncing() { deferred_ = true; }

bool TDiskFileSystem::SyncDeferred() {
  deferred_ = false;
  known_files_.clear();
  known_folders_.clear();
  CloseReadFolders();
  for (TReadOnce& once : read_once_) once.path.clear();
  return writer_.Finish();
}

std::optional<std::string> LoadPageSourceText(const TFileSystem& files, std::string_view path) {
  return AsEditorText(files.LoadText(path));
}

}  // namespace zorvik
