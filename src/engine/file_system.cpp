#include "engine/file_system.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include <filesystem>
#include <system_error>

#include "text/file_names.h"
#include "text/atomic_file.h"
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

bool TDiskFileSystem::FileExists(std::string_view path) const {
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
  std::size_t nul = std::string::npos;
  std::string text = LoadTextFile(path, &nul);
  if (nul != std::string::npos && on_nul) on_nul(path, nul);
  return text;
}

bool TDiskFileSystem::SaveText(std::string_view path, std::string_view text) {
  if (!deferred_) return SaveTextFile(path, text);
  std::string folder = ExtractFolder(ToFileSystemPath(path));
  if (folder.empty()) folder = ".";
  const auto known = deferred_folders_.find(folder);
  const bool release_later = known == deferred_folders_.end() || known->second;
  if (!SaveTextFile(path, text, TLinkPolicy::kFollow, TDurability::kDeferred,
                    release_later ? &releaser_ : nullptr)) {
    return false;
  }
  // One look-up per output folder, not per page.
  if (known == deferred_folders_.end()) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
      deferred_file_systems_.emplace(static_cast<unsigned long>(st.st_dev), folder);
    }
    // A file system in memory frees a replaced file at once: handing it over would only cost.
    struct statfs fs {};
    const bool in_memory = ::statfs(folder.c_str(), &fs) == 0 &&
                           (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC);
    deferred_folders_.emplace(folder, !in_memory);
  }
  return true;
}

void TDiskFileSystem::DeferSyncing() { deferred_ = true; }

bool TDiskFileSystem::SyncDeferred() {
  releaser_.Drain();
  bool ok = true;
  for (const auto& [device, folder] : deferred_file_systems_) ok = SyncFileSystemOf(folder) && ok;
  deferred_file_systems_.clear();
  deferred_folders_.clear();
  deferred_ = false;
  return ok;
}

std::optional<std::string> LoadPageSourceText(const TFileSystem& files, std::string_view path) {
  return AsEditorText(files.LoadText(path));
}

}  // namespace zorvik
