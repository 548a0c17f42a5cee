// zorvik watch GROUP|PAGE: generates once, then follows the files each page read (its source,
// template, imports, and the group file) and generates again exactly the pages a change
// touched. Folders are watched rather than files, so that editors that save by renaming a new
// file over the old one are followed too. SIGINT and SIGTERM end it with status 0, between
// pages, never in the middle of a write.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

#include "cli/cli_engine.h"
#include "cli/verbs.h"
#include "text/file_names.h"
#include "text/replace_text.h"

namespace zorvik::cli {
namespace {

constexpr int kQuietMs = 100;  // a save often comes as several events: wait for them all
constexpr std::uint32_t kWatchedEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;

bool IsGroupFile(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  return name.size() > 4 && AsciiLowerCase(name.substr(name.size() - 4)) == ".gro";
}

// Ends the program when SIGINT or SIGTERM is pending: the pages written so far are put on disk
// first, and the log is flushed.
class TStopSignal {
 public:
  TStopSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  }
  int Fd() const { return fd_; }
  void ExitIfPending(TFileSystem& files) const {
    signalfd_siginfo info{};
    if (read(fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return;
    files.SyncDeferred();
    std::fflush(stderr);
    std::exit(0);
  }

 private:
  int fd_ = -1;
};

class TWatcher {
 public:
  TWatcher(TCommandLineEngine& engine, std::string target, bool group)
      : engine_(engine), target_(std::move(target)), group_(group), inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

  int Run() {
    if (inotify_ < 0 || stop_.Fd() < 0) {
      std::cerr << "zorvik: watch: the system refuses to watch files\n";
      return kUsageError;
    }
    engine_.Files().RecordPaths();
    if (group_) {
      const auto entries = ReadGroupEntries(engine_, target_, target_);
      if (!entries) return kUsageError;
      group_deps_ = engine_.Files().TakeLookedAt();
      entries_ = *entries;
      RegenerateGroup(entries_);
    } else {
      if (!RegeneratePage()) return kUsageError;
    }
    std::fflush(stderr);
    std::cerr << "zorvik: watching " << watched_.size() << " folders; Ctrl+C ends\n";
    std::fflush(stderr);
    for (;;) {
      std::set<std::string> changed = WaitForChanges();
      for (const std::string& own : engine_.Files().TakeSaved()) changed.erase(own);
      if (!changed.empty()) Regenerate(changed);
      std::fflush(stderr);
    }
  }

 private:
  // Blocks until files change, then collects every change until the folders are quiet.
  std::set<std::string> WaitForChanges() {
    std::set<std::string> changed;
    int timeout = -1;
    for (;;) {
      pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
      const int ready = poll(fds, 2, timeout);
      stop_.ExitIfPending(engine_.Files());
      if (ready == 0) return changed;
      if (ready < 0) continue;
      alignas(inotify_event) char buffer[1 << 16];
      ssize_t n;
      while ((n = read(inotify_, buffer, sizeof buffer)) > 0) {
        for (char* p = buffer; p < buffer + n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(p);
          // Too many changes at once for the kernel's queue: any file may have changed.
          if ((event->mask & IN_Q_OVERFLOW) != 0) changed.merge(AllWatchedFiles());
          const auto folder = watched_.find(event->wd);
          if (folder != watched_.end() && event->len > 0) changed.insert(folder->second + "/" + event->name);
          p += sizeof(inotify_event) + event->len;
        }
      }
      timeout = kQuietMs;
    }
  }

  std::set<std::string> AllWatchedFiles() const {
    std::set<std::string> files = group_deps_;
    for (const auto& [page, deps] : page_deps_) files.insert(deps.begin(), deps.end());
    return files;
  }

  void Watch(const std::set<std::string>& files) {
    for (const std::string& file : files) {
      const std::string folder = file.substr(0, std::max<std::size_t>(file.rfind('/'), 1));
      if (watched_folders_.count(folder) > 0) continue;  // one watch a folder
      const int wd = inotify_add_watch(inotify_, folder.c_str(), kWatchedEvents);
      if (wd < 0) continue;  // not there (yet): tried again at the next regeneration
      watched_[wd] = folder == "/" ? "" : folder;
      watched_folders_.insert(folder);
    }
  }

  static bool Touches(const std::set<std::string>& deps, const std::set<std::string>& changed) {
    return std::any_of(changed.begin(), changed.end(), [&](const std::string& path) { return deps.count(path) > 0; });
  }

  void Regenerate(const std::set<std::string>& changed) {
    if (!group_) {
      if (Touches(page_deps_[target_], changed)) RegeneratePage();
      return;
    }
    std::vector<std::string> due;
    if (Touches(group_deps_, changed)) {
      // Entries new to the group file are generated; removed ones are forgotten.
      const auto entries = ReadGroupEntries(engine_, target_, target_);
      group_deps_ = engine_.Files().TakeLookedAt();
      Watch(group_deps_);
      if (entries) {
        for (const std::string& entry : *entries) {
          if (std::find(entries_.begin(), entries_.end(), entry) == entries_.end()) due.push_back(entry);
        }
        entries_ = *entries;
      }
    }
    for (const std::string& entry : entries_) {
      const bool listed = std::find(due.begin(), due.end(), entry) != due.end();
      if (!listed && Touches(page_deps_[entry], changed)) due.push_back(entry);
    }
    // In the group file's order, as a batch of those pages.
    std::vector<std::string> ordered;
    for (const std::string& entry : entries_) {
      if (std::find(due.begin(), due.end(), entry) != due.end()) ordered.push_back(entry);
    }
    if (!ordered.empty()) RegenerateGroup(ordered);
  }

  // What a page depends on: the files it looked at, and the imports the run carries.
  std::set<std::string> TakeDeps() {
    std::set<std::string> deps = engine_.Files().TakeLookedAt();
    for (const auto* list : {&engine_.State().Imports, &engine_.State().LastImports}) {
      for (const TZQImportFile& import : *list) deps.insert(NormalPath(import.FileName));
    }
    return deps;
  }

  bool RegeneratePage() {
    engine_.Files().TakeLookedAt();
    if (!RunPageFile(engine_, target_, target_)) return false;
    WriteBuiltPage(engine_);
    page_deps_[target_] = TakeDeps();
    page_deps_[target_].insert(target_);
    Watch(page_deps_[target_]);
    return true;
  }

  // A batch over entries; each page's files are told apart at the start of the next.
  class TRecordingHost : public TFileBatchHost {
   public:
    TRecordingHost(TWatcher& watcher, const std::vector<std::string>& entries)
        : TFileBatchHost(watcher.engine_), watcher_(watcher), entries_(entries) {}
    void Progress(std::size_t done, std::size_t total) override {
      if (done > 0) watcher_.page_deps_[entries_[done - 1]] = watcher_.TakeDeps();
      watcher_.engine_.Files().TakeLookedAt();
      if (done < total) watcher_.stop_.ExitIfPending(watcher_.engine_.Files());
    }

   private:
    TWatcher& watcher_;
    const std::vector<std::string>& entries_;
  };

  void RegenerateGroup(const std::vector<std::string>& entries) {
    TRecordingHost host(*this, entries);
    RunBatch(engine_.Context(), entries, host);
    for (const std::string& entry : entries) Watch(page_deps_[entry]);
  }

  TCommandLineEngine& engine_;
  const std::string target_;
  const bool group_;
  TStopSignal stop_;
  int inotify_;
  std::map<int, std::string> watched_;  // watch descriptor -> folder
  std::set<std::string> watched_folders_;
  std::vector<std::string> entries_;
  std::set<std::string> group_deps_;
  std::map<std::string, std::set<std::string>> page_deps_;
};

}  // namespace

int RunWatch(const TArgs& arguments) {
  const auto args = ParseVerbArgs("watch", arguments, {"--locations"});
  if (!args) return kUsageError;
  const std::optional<std::string> path = OnlyOperand(*args, "watch", "GROUP or PAGE");
  if (!path) return kUsageError;
  BufferStandardError();
  TCommandLineEngine engine({args->Has("--locations")});
  TWatcher watcher(engine, *path, IsGroupFile(*path));
  return watcher.Run();
}

}  // namespace zorvik::cli
