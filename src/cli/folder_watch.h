// Following the folders of a set of files for changes to those files. Folders are watched
// rather than files, so that editors that save by renaming a new file over the old one are
// followed too. Where the system's inotify watches run out, the files' times are looked at
// every second instead (said once, with the limit to raise). A folder that is not there, or
// goes away, is looked for every second and followed again when it comes back; its files then
// count as changed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <set>
#include <string>

namespace zorvik::cli {

class TFolderWatch {
 public:
  static constexpr std::chrono::milliseconds kLookInterval{1000};

  TFolderWatch();
  ~TFolderWatch();
  TFolderWatch(const TFolderWatch&) = delete;
  TFolderWatch& operator=(const TFolderWatch&) = delete;

  // False when the system refuses inotify altogether.
  bool Usable() const { return inotify_ >= 0; }
  // The descriptor to poll for inotify's reports.
  int Fd() const { return inotify_; }
  // Follows these files (absolute, normalised paths) from now on, besides those followed so far.
  void Follow(const std::set<std::string>& files);
  // How many folders are followed.
  std::size_t FolderCount() const { return folders_.size(); }
  // Milliseconds until the next look at folders without a watch; -1 when there are none.
  int MillisecondsToNextLook() const;
  // Adds the followed files that changed since the last call: what inotify reported (without
  // waiting) and, when a look is due, what the look found.
  void Collect(std::set<std::string>& changed);

 private:
  // A file's state as a look sees it: changes in any part count.
  struct TSeen {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified_ns = 0;
    long long changed_ns = 0;
    bool operator==(const TSeen&) const = default;
  };
  enum class TMode { kWatched, kLooked, kMissing };
  struct TFolder {
    TMode mode = TMode::kMissing;
    int wd = -1;
    std::map<std::string, TSeen> files;  // names followed in the folder; what a look last saw
  };

  static TSeen Look(const std::string& path);
  // Watches folder when it can; otherwise it is looked at or looked for.
  void Start(const std::string& folder, TFolder& state);
  void Lost(const std::string& folder, TFolder& state, std::set<std::string>& changed);
  void AllFilesOf(const std::string& folder, const TFolder& state,
                  std::set<std::string>& changed) const;
  void ReadEvents(std::set<std::string>& changed);
  void LookAtUnwatched(std::set<std::string>& changed);

  int inotify_ = -1;
  std::map<std::string, TFolder> folders_;  // folder (no trailing "/", "/" for the root) -> state
  std::map<int, std::set<std::string>> by_wd_;  // one watch may serve two spellings of a folder
  bool limit_told_ = false;
  std::chrono::steady_clock::time_point next_look_{};
};

}  // namespace zorvik::cli
