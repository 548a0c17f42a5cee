#include "cli/folder_watch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iostream>

namespace zorvik::cli {
namespace {

constexpr std::uint32_t kWatchedEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                         IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string WatchLimit() {
  std::ifstream in("/proc/sys/fs/inotify/max_user_watches");
  std::string limit;
  in >> limit;
  return limit.empty() ? "?" : limit;
}

}  // namespace

TFolderWatch::TFolderWatch() : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

TFolderWatch::~TFolderWatch() {
  if (inotify_ >= 0) ::close(inotify_);
}

TFolderWatch::TSeen TFolderWatch::Look(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {true,
          st.st_dev,
          st.st_ino,
          st.st_size,
          st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
          st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

void TFolderWatch::Start(const std::string& folder, TFolder& state) {
  const int wd = inotify_ < 0 ? -1 : inotify_add_watch(inotify_, folder.c_str(), kWatchedEvents);
  if (wd >= 0) {
    state.mode = TMode::kWatched;
    state.wd = wd;
    by_wd_[wd].insert(folder);
    return;
  }
  if (errno != ENOSPC && errno != ENOMEM) {
    state.mode = TMode::kMissing;  // not there (yet): looked for every second
    return;
  }
  if (!limit_told_) {
    limit_told_ = true;
    std::cerr << "zorvik: watch: the system's limit of inotify watches is reached "
                 "(fs.inotify.max_user_watches = "
              << WatchLimit() << "); " << folder
              << " and the folders after it are checked every second instead. To raise the limit: "
                 "sudo sysctl fs.inotify.max_user_watches=524288\n";
  }
  state.mode = TMode::kLooked;
  for (auto& [name, seen] : state.files) seen = Look(Join(folder, name));
}

void TFolderWatch::Follow(const std::set<std::string>& files) {
  std::set<std::string> added;
  for (const std::string& file : files) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos || slash + 1 == file.size()) continue;
    const std::string folder = slash == 0 ? "/" : file.substr(0, slash);
    const std::string name = file.substr(slash + 1);
    auto [entry, is_new] = folders_.try_emplace(folder);
    if (is_new) added.insert(folder);
    const auto [seen, new_name] = entry->second.files.try_emplace(name);
    if (new_name && entry->second.mode == TMode::kLooked) seen->second = Look(file);
  }
  for (const std::string& folder : added) Start(folder, folders_[folder]);
}

int TFolderWatch::MillisecondsToNextLook() const {
  bool any = false;
  for (const auto& [folder, state] : folders_) any = any || state.mode != TMode::kWatched;
  if (!any) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      next_look_ - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

void TFolderWatch::AllFilesOf(const std::string& folder, const TFolder& state,
                              std::set<std::string>& changed) const {
  for (const auto& [name, seen] : state.files) changed.insert(Join(folder, name));
}

void TFolderWatch::Lost(const std::string& folder, TFolder& state, std::set<std::string>& changed) {
  state.mode = TMode::kMissing;
  state.wd = -1;
  AllFilesOf(folder, state, changed);
}

void TFolderWatch::ReadEvents(std::set<std::string>& changed) {
  alignas(inotify_event) char buffer[1 << 16];
  ssize_t n;
  while (inotify_ >= 0 && (n = ::read(inotify_, buffer, sizeof buffer)) > 0) {
    for (char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      p += sizeof(inotify_event) + event->len;
      // Too many changes at once for the kernel's queue: any file may have changed.
      if ((event->mask & IN_Q_OVERFLOW) != 0) {
        for (const auto& [folder, state] : folders_) AllFilesOf(folder, state, changed);
        continue;
      }
      const auto watched = by_wd_.find(event->wd);
      if (watched == by_wd_.end()) continue;
      if ((event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
        // The folder went away (or elsewhere, where its watch would follow it): looked for
        // under its name from now on.
        if ((event->mask & IN_IGNORED) == 0) inotify_rm_watch(inotify_, event->wd);
        for (const std::string& folder : watched->second) Lost(folder, folders_[folder], changed);
        by_wd_.erase(watched);
        continue;
      }
      if (event->len == 0) continue;
      const std::string name(event->name);
      for (const std::string& folder : watched->second) {
        if (folders_[folder].files.count(name) > 0) changed.insert(Join(folder, name));
      }
    }
  }
}

void TFolderWatch::LookAtUnwatched(std::set<std::string>& changed) {
  for (auto& [folder, state] : folders_) {
    if (state.mode == TMode::kMissing) {
      Start(folder, state);
      if (state.mode != TMode::kMissing) AllFilesOf(folder, state, changed);  // back again
    } else if (state.mode == TMode::kLooked) {
      for (auto& [name, seen] : state.files) {
        TSeen now = Look(Join(folder, name));
        if (now == seen) continue;
        seen = now;
        changed.insert(Join(folder, name));
      }
    }
  }
}

void TFolderWatch::Collect(std::set<std::string>& changed) {
  ReadEvents(changed);
  const auto now = std::chrono::steady_clock::now();
  if (now < next_look_) return;
  next_look_ = now + kLookInterval;
  LookAtUnwatched(changed);
}

}  // namespace zorvik::cli
