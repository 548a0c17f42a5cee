#include "engine/file_system.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "text/file_names.h"
#include "text/text_file.h"

namespace zorvik {

namespace {

// The type bits of what stands at path (links followed), or 0.
mode_t FileType(std::string_view path) {
  struct stat st {};
  if (path.empty() || ::stat(ToFileSystemPath(path).c_str(), &st) != 0) return 0;
  return st.st_mode & S_IFMT;
}

}  // namespace

void TDiskFileSystem::FlushIfPending(std::string_view path) const {
  if (!writer_.HasPending()) return;
  struct stat st {};
  if (::stat(ToFileSystemPath(path).c_str(), &st) != 0 || writer_.Replaces(st.st_dev, st.st_ino)) {
    writer_.Flush();
  }
}

bool TDiskFileSystem::FileExists(std::string_view path) const {
  FlushIfPending(path);
  return FileType(path) == S_IFREG;
}

bool TDiskFileSystem::FolderExists(std::string_view path) const {
  return FileType(path) == S_IFDIR;
}

bool TDiskFileSystem::CreateFolders(std::string_view path) {
  std::error_code ec;
  std::filesystem::create_directories(ToFileSystemPath(path), ec);
  return !ec && FolderExists(path);
}

std::string TDiskFileSystem::LoadText(std::string_view path) const {
  FlushIfPending(path);
  std::size_t nul = std::string::npos;
  std::string text = LoadTextFile(path, &nul);
  if (nul != std::string::npos && on_nul) on_nul(path, nul);
  return text;
}

bool TDiskFileSystem::SaveText(std::string_view path, std::string_view text) {
  if (!deferred_) return SaveTextFile(path, text);
  return writer_.Write(ToFileSystemPath(path), NormalizeLineEnds(text));
}

void TDiskFileSystem::DeferSyncing() { deferred_ = true; }

bool TDiskFileSystem::SyncDeferred() {
  deferred_ = false;
  return writer_.Finish();
}

std::optional<std::string> LoadPageSourceText(const TFileSystem& files, std::string_view path) {
  return AsEditorText(files.LoadText(path));
}

}  // namespace zorvik
