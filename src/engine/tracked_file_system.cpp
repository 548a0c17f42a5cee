#include "engine/tracked_file_system.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "text/file_names.h"
#include "text/text_file.h"

namespace zorvik {

namespace {

// Whether path is absolute with no ".", ".." or empty part: normal as it stands, which most
// paths of a run are, and cheaper to see than to take apart.
bool IsNormalAbsolute(std::string_view path) {
  if (!path.starts_with('/') || path.find('\\') != std::string_view::npos) return false;
  for (std::size_t start = 1; start < path.size();) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::string NormalPath(std::string_view path) {
  if (IsNormalAbsolute(path)) return std::string(path);
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(ToFileSystemPath(path), ec);
  return ec ? ToFileSystemPath(path) : absolute.lexically_normal().string();
}

std::set<std::string> TTrackedFileSystem::TakeLookedAt() { return std::exchange(looked_at_, {}); }

std::set<std::string> TTrackedFileSystem::TakeSaved() { return std::exchange(saved_, {}); }

bool TTrackedFileSystem::FileExists(std::string_view path) const {
  if (recording_) looked_at_.insert(NormalPath(path));
  return disk_.FileExists(path);
}

bool TTrackedFileSystem::FolderExists(std::string_view path) const {
  return disk_.FolderExists(path);
}

bool TTrackedFileSystem::CreateFolders(std::string_view path) {
  // A check writes nothing, not even a folder.
  return mode_ == TSaveMode::kCheck || disk_.CreateFolders(path);
}

std::string TTrackedFileSystem::LoadText(std::string_view path) const {
  if (recording_) looked_at_.insert(NormalPath(path));
  return disk_.LoadText(path);
}

bool TTrackedFileSystem::SaveText(std::string_view path, std::string_view text) {
  if (on_save) on_save(NormalPath(path), text);
  if (recording_) saved_.insert(NormalPath(path));
  if (mode_ == TSaveMode::kWrite) return disk_.SaveText(path, text);
  if (disk_.Holds(path, text)) return true;
  differing_.push_back(NormalPath(path));
  return mode_ == TSaveMode::kCheck || disk_.SaveText(path, text);
}

bool TTrackedFileSystem::Holds(std::string_view path, std::string_view text) const {
  return disk_.Holds(path, text);
}

void TTrackedFileSystem::DeferSyncing() { disk_.DeferSyncing(); }

bool TTrackedFileSystem::SyncDeferred() { return disk_.SyncDeferred(); }

}  // namespace zorvik
