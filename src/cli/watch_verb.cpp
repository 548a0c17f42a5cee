// zorvik watch GROUP|PAGE: generates once, then follows the files each page read (its source,
// template, imports, and the group file) and generates again exactly the pages a change
// touched. SIGINT, SIGTERM and SIGHUP end it with status 0, between pages, never in the middle
// of a write.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <tuple>

#include "cli/cli_engine.h"
#include "cli/folder_watch.h"
#include "cli/verbs.h"
#include "cli/watch_plan.h"
#include "text/file_names.h"
#include "text/replace_text.h"

namespace zorvik::cli {
namespace {

constexpr int kQuietMs = 100;  // a save often comes as several events: wait for them all

bool IsGroupFile(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  return name.size() > 4 && AsciiLowerCase(name.substr(name.size() - 4)) == ".gro";
}

// Ends the program when SIGINT, SIGTERM or SIGHUP (the terminal closed) is pending: the pages
// written so far are put on disk first, and the log is flushed.
class TStopSignal {
 public:
  TStopSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  }
  int Fd() const { return fd_; }
  void ExitIfPending(TFileSystem& files) const {
    signalfd_siginfo info{};
    if (read(fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return;
    files.SyncDeferred();
    std::fflush(stderr);
    std::exit(0);  // NOLINT(concurrency-mt-unsafe): watch runs on one thread
  }

 private:
  int fd_ = -1;
};

class TWatcher {
 public:
  TWatcher(TCommandLineEngine& engine, std::string target, bool group)
      : engine_(engine), target_(std::move(target)), group_(group) {}

  int Run() {
    if (!watch_.Usable() || stop_.Fd() < 0) {
      std::cerr << "zorvik: watch: the system refuses to watch files\n";
      return kUsageError;
    }
    engine_.Files().RecordPaths();
    if (group_) {
      const auto entries = ReadGroupEntries(engine_, target_, target_);
      if (!entries) return kUsageError;
      group_deps_ = engine_.Files().TakeLookedAt();
      watch_.Follow(group_deps_);
      entries_ = *entries;
      RegenerateGroup(entries_);
    } else {
      if (!RegeneratePage()) return kUsageError;
    }
    std::fflush(stderr);
    std::cerr << "zorvik: watching " << watch_.FolderCount() << " folders; Ctrl+C ends\n";
    std::fflush(stderr);
    for (;;) {
      Regenerate(WaitForChanges());
      std::fflush(stderr);
    }
  }

 private:
  // A file as this program last wrote it: a later event about it is the program's own write,
  // whatever path it was seen under.
  using TIdentity = std::tuple<dev_t, ino_t, long long>;

  static std::optional<TIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return TIdentity{st.st_dev, st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
  }

  // Remembers the files the last run wrote.
  void TakeOwnWrites() {
    own_.clear();
    for (const std::string& saved : engine_.Files().TakeSaved()) {
      if (const auto identity = IdentityOf(saved)) own_.insert(*identity);
    }
  }

  void DropOwnWrites(std::set<std::string>& changed) const {
    for (auto it = changed.begin(); it != changed.end();) {
      const auto identity = IdentityOf(*it);
      it = identity && own_.count(*identity) > 0 ? changed.erase(it) : std::next(it);
    }
  }

  // Blocks until files change, then collects every change until the folders are quiet.
  std::set<std::string> WaitForChanges() {
    std::set<std::string> changed;
    for (;;) {
      int timeout = watch_.MillisecondsToNextLook();
      const bool settling = !changed.empty() && (timeout < 0 || timeout >= kQuietMs);
      if (settling) timeout = kQuietMs;
      pollfd fds[2] = {{watch_.Fd(), POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
      const int ready = poll(fds, 2, timeout);
      stop_.ExitIfPending(engine_.Files());
      if (ready < 0) continue;
      const std::size_t before = changed.size();
      watch_.Collect(changed);
      if (settling && ready == 0 && changed.size() == before) {
        DropOwnWrites(changed);  // once, for the whole set: each path costs a stat
        return changed;
      }
    }
  }

  void Regenerate(const std::set<std::string>& changed) {
    if (!group_) {
      if (Touches(page_deps_[target_], changed)) RegeneratePage();
      return;
    }
    std::vector<std::string> previous = entries_;
    if (Touches(group_deps_, changed)) {
      // Entries new to the group file are generated; removed ones are forgotten.
      const auto entries = ReadGroupEntries(engine_, target_, target_);
      group_deps_ = engine_.Files().TakeLookedAt();
      watch_.Follow(group_deps_);
      if (entries) entries_ = *entries;
    }
    // In the group file's order, as a batch of those pages.
    const std::vector<std::string> due = PagesToRedo(entries_, previous, page_deps_, changed);
    if (!due.empty()) RegenerateGroup(due);
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
    TakeOwnWrites();
    page_deps_[target_] = TakeDeps();
    page_deps_[target_].insert(target_);
    watch_.Follow(page_deps_[target_]);
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
    TakeOwnWrites();
    for (const std::string& entry : entries) watch_.Follow(page_deps_[entry]);
  }

  TCommandLineEngine& engine_;
  const std::string target_;
  const bool group_;
  TStopSignal stop_;
  TFolderWatch watch_;
  std::vector<std::string> entries_;
  std::set<std::string> group_deps_;
  std::map<std::string, std::set<std::string>> page_deps_;
  std::set<TIdentity> own_;
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
