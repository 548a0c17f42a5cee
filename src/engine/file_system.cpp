#include "engine/file_system.h"

#include <filesystem>
#include <system_error>

#include "text/file_names.h"
#include "text/text_file.h"

namespace zorvik {

bool TDiskFileSystem::FileExists(std::string_view path) const {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(ToFileSystemPath(path), ec);
}

bool TDiskFileSystem::FolderExists(std::string_view path) const {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(ToFileSystemPath(path), ec);
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
  return SaveTextFile(path, text);
}

std::optional<std::string> LoadPageSourceText(const TFileSystem& files, std::string_view path) {
  return AsEditorText(files.LoadText(path));
}

}  // namespace zorvik
