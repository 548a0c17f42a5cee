#include "cli/site_watcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/watch_plan.h"
#include "engine/engine_context.h"
#include "text/file_names.h"

namespace zorvik::cli {
namespace {

constexpr int kQuietMs = 20;  // a save may come as several events: wait for them all

}  // namespace

TStopSignal::TStopSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

void TStopSignal::ExitIfPending(TFileSystem& files, TWatchListener* listener) const {
  signalfd_siginfo info{};
  if (read(fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return;
  if (listener != nullptr) listener->Stopping();
  files.SyncDeferred();
  std::fflush(nullptr);
  // At once: a listener's threads may still wait on idle connections, and nothing else is
  // left to put away.
  std::_Exit(0);
}

// A batch over entries; each page's files are told apart at the start of the next.
class TSiteWatcher::TRecordingHost : public TFileBatchHost {
 public:
  TRecordingHost(TSiteWatcher& watcher, const std::vector<std::string>& entries)
      : TFileBatchHost(watcher.engine_), watcher_(watcher), entries_(entries) {}
  void Progress(std::size_t done, std::size_t total) override {
    if (done > 0) {
      watcher_.page_deps_[entries_[done - 1]] = watcher_.TakeDeps();
      watcher_.NoteOutput(entries_[done - 1]);
    }
    watcher_.engine_.Files().TakeLookedAt();
    if (done < total) watcher_.stop_.ExitIfPending(watcher_.engine_.Files(), watcher_.listener_);
  }

 private:
  TSiteWatcher& watcher_;
  const std::vector<std::string>& entries_;
};

bool TSiteWatcher::Start() {
  if (!watch_.Usable() || stop_.Fd() < 0) {
    std::cerr << "zorvik: the system refuses to watch files\n";
    return false;
  }
  engine_.Files().RecordPaths();
  if (group_) {
    const auto entries = ReadGroupEntries(engine_, target_, target_);
    if (!entries) return false;
    group_deps_ = engine_.Files().TakeLookedAt();
    watch_.Follow(group_deps_);
    entries_ = *entries;
    RegenerateGroup(entries_);
  } else if (!RegeneratePage()) {
    return false;
  }
  std::fflush(stderr);
  return true;
}

std::vector<std::string> TSiteWatcher::Pages() const {
  return group_ ? entries_ : std::vector<std::string>{target_};
}

void TSiteWatcher::Run() {
  std::cerr << "zorvik: watching " << watch_.FolderCount() << " folders; Ctrl+C ends\n";
  std::fflush(stderr);
  for (;;) {
    Regenerate(WaitForChanges());
    std::fflush(stderr);
  }
}

std::optional<TSiteWatcher::TIdentity> TSiteWatcher::IdentityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return TIdentity{st.st_dev, st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

// Remembers the files the last run wrote.
void TSiteWatcher::TakeOwnWrites() {
  own_.clear();
  for (const std::string& saved : engine_.Files().TakeSaved()) {
    if (const auto identity = IdentityOf(saved)) own_.insert(*identity);
  }
}

void TSiteWatcher::DropOwnWrites(std::set<std::string>& changed) const {
  for (auto it = changed.begin(); it != changed.end();) {
    const auto identity = IdentityOf(*it);
    it = identity && own_.count(*identity) > 0 ? changed.erase(it) : std::next(it);
  }
}

// Blocks until files change, then collects every change until the folders are quiet.
std::set<std::string> TSiteWatcher::WaitForChanges() {
  std::set<std::string> changed;
  const int follow_fd = listener_ != nullptr ? listener_->FollowFd() : -1;
  for (;;) {
    int timeout = watch_.MillisecondsToNextLook();
    const bool settling = !changed.empty() && (timeout < 0 || timeout >= kQuietMs);
    if (settling) timeout = kQuietMs;
    pollfd fds[3] = {{watch_.Fd(), POLLIN, 0}, {stop_.Fd(), POLLIN, 0}, {follow_fd, POLLIN, 0}};
    const int ready = poll(fds, 3, timeout);
    stop_.ExitIfPending(engine_.Files(), listener_);
    if (ready < 0) continue;
    if ((fds[2].revents & POLLIN) != 0) {
      std::set<std::string> more = listener_->TakeFilesToFollow();
      std::erase_if(more, [this](const std::string& file) { return others_.count(file) > 0; });
      watch_.Follow(more);
      others_.merge(more);
    }
    const std::size_t before = changed.size();
    watch_.Collect(changed);
    if (settling && ready == 0 && changed.size() == before) {
      DropOwnWrites(changed);  // once, for the whole set: each path costs a stat
      return changed;
    }
  }
}

void TSiteWatcher::Regenerate(const std::set<std::string>& changed) {
  if (listener_ != nullptr) {
    std::set<std::string> others;
    for (const std::string& file : changed) {
      if (others_.count(file) > 0) others.insert(file);
    }
    if (!others.empty()) listener_->OtherFilesChanged(others);
  }
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

std::set<std::string> TSiteWatcher::Inputs() const {
  std::set<std::string> inputs = group_deps_;
  for (const auto& [page, deps] : page_deps_) inputs.insert(deps.begin(), deps.end());
  return inputs;
}

// What a page depends on: the files it looked at, and the imports the run carries.
std::set<std::string> TSiteWatcher::TakeDeps() {
  std::set<std::string> deps = engine_.Files().TakeLookedAt();
  for (const auto* list : {&engine_.State().Imports, &engine_.State().LastImports}) {
    for (const TZQImportFile& import : *list) deps.insert(NormalPath(import.FileName));
  }
  return deps;
}

void TSiteWatcher::NoteOutput(const std::string& page) {
  const std::string& write_file = engine_.State().WriteFile;
  if (!write_file.empty()) outputs_[page] = NormalPath(FileFor(engine_.Context(), write_file));
}

void TSiteWatcher::Tell(bool errors) {
  if (listener_ != nullptr) listener_->Generated(engine_.Files().TakeDiffering(), errors);
}

bool TSiteWatcher::RegeneratePage() {
  engine_.Files().TakeLookedAt();
  if (!RunPageFile(engine_, target_, target_)) return false;
  WriteBuiltPage(engine_);
  NoteOutput(target_);
  TakeOwnWrites();
  page_deps_[target_] = TakeDeps();
  page_deps_[target_].insert(target_);
  watch_.Follow(page_deps_[target_]);
  Tell(engine_.State().ErrorCount > 0);
  return true;
}

void TSiteWatcher::RegenerateGroup(const std::vector<std::string>& entries) {
  TRecordingHost host(*this, entries);
  RunBatch(engine_.Context(), entries, host);
  TakeOwnWrites();
  for (const std::string& entry : entries) watch_.Follow(page_deps_[entry]);
  Tell(engine_.State().ErrorCount > 0);
}

}  // namespace zorvik::cli
