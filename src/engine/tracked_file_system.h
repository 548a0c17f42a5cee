// A file system over the disk with a record of every file a run looked at (for watch and
// publish) and a choice of what happens to the pages a run saves: written, only compared with
// what is on disk (batch --check), or written only when their bytes differ (batch --changed).
#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_system.h"

namespace zorvik {

enum class TSaveMode { kWrite, kCheck, kChanged };

class TTrackedFileSystem : public TFileSystem {
 public:
  explicit TTrackedFileSystem(TFileSystem& disk, TSaveMode mode = TSaveMode::kWrite)
      : disk_(disk), mode_(mode) {}

  // From now on, keeps the paths of the files looked for, read and saved (watch needs them).
  void RecordPaths() { recording_ = true; }
  // Absolute, normalised file-system paths of the files looked for or read since the last call.
  std::set<std::string> TakeLookedAt();
  // Output files whose bytes on disk differ from the page (missing ones too), in order.
  const std::vector<std::string>& Differing() const { return differing_; }
  // The same, since the last call, and forgotten.
  std::vector<std::string> TakeDiffering() { return std::exchange(differing_, {}); }
  // Output files saved (or, in check mode, that would have been compared) since the last call.
  std::set<std::string> TakeSaved();

  // Gets every page a run saves (its normalised path and bytes), whatever the mode.
  std::function<void(const std::string&, std::string_view)> on_save;

  bool FileExists(std::string_view path) const override;
  bool FolderExists(std::string_view path) const override;
  bool CreateFolders(std::string_view path) override;
  std::string LoadText(std::string_view path) const override;
  bool SaveText(std::string_view path, std::string_view text) override;
  bool Holds(std::string_view path, std::string_view text) const override;
  void DeferSyncing() override;
  bool SyncDeferred() override;

 private:
  TFileSystem& disk_;
  TSaveMode mode_;
  bool recording_ = false;
  mutable std::set<std::string> looked_at_;
  std::set<std::string> saved_;
  std::vector<std::string> differing_;
};

// path as an absolute, normalised file-system path (a page source's "\" separators and ".."
// parts resolved by text, links left alone).
std::string NormalPath(std::string_view path);

}  // namespace zorvik
