#include "publish/publish_lock.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <optional>
#include <sstream>
#include <thread>

#include "publish/publish_run.h"

namespace zorvik {
namespace {

struct TLockNote {
  std::string host;
  long pid = 0;
  std::int64_t since = 0;
};

constexpr int kAttempts = 3;
constexpr int kLooksForANote = 5;

std::string NotePath() { return std::string(kLockName) + "/owner"; }

std::string ThisHost() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "?";
  return name;
}

std::optional<TLockNote> ParseNote(const std::string& text) {
  std::istringstream lines(text);
  std::string magic;
  TLockNote note;
  if (!(lines >> magic) || magic != "zorvik-publish-lock") return std::nullopt;
  for (std::string key; lines >> key;) {
    if (key == "host") {
      lines >> note.host;
    } else if (key == "pid") {
      lines >> note.pid;
    } else if (key == "since") {
      lines >> note.since;
    }
  }
  if (note.host.empty() || note.pid <= 0) return std::nullopt;
  return note;
}

// Whether the run that left note is over: its process gone from this machine (or this process,
// whose earlier run was cut off from the server), or the note old.
bool Stale(const TLockNote& note, std::int64_t now) {
  if (now - note.since > kStaleLockSeconds) return true;
  if (note.host != ThisHost()) return false;
  const auto pid = static_cast<pid_t>(note.pid);
  return pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH);
}

std::string LocalTime(std::int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32] = "?";
  if (::localtime_r(&time, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace

std::string LockNote(std::string_view host, long pid, std::int64_t since) {
  std::string text = "zorvik-publish-lock\nhost ";
  text.append(host).append("\npid ").append(std::to_string(pid));
  text.append("\nsince ").append(std::to_string(since)).append("\n");
  return text;
}

bool TakePublishLock(TRemote& remote, std::string* err) {
  const std::string lock(kLockName);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string why;
    switch (remote.MakeFolderNew(lock, &why)) {
      case TMade::kFailed:
        (*err = "cannot make the lock ").append(lock).append(" on the server: ").append(why);
        return false;
      case TMade::kMade: {
        const std::string note = LockNote(ThisHost(), ::getpid(), std::time(nullptr));
        if (!remote.Put(NotePath(), note, UploadName(NotePath()), &why)) {
          *err = "cannot write the lock " + NotePath() + " on the server: " + why;
          std::string ignored;
          remote.RemoveFolder(lock, &ignored);
          return false;
        }
        return true;
      }
      case TMade::kExists:
        break;
    }
    // The run that made the lock writes its note right after: a moment is given for it.
    std::string text;
    TFetched fetched = TFetched::kMissing;
    for (int look = 0; look < kLooksForANote; ++look) {
      if (look > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      fetched = remote.Fetch(NotePath(), text, &why);
      if (fetched != TFetched::kMissing) break;
    }
    if (fetched == TFetched::kFailed) {
      *err = "cannot read the lock " + NotePath() + " on the server: " + why;
      return false;
    }
    // Still without its note: left by a run cut off between the two steps.
    const std::optional<TLockNote> note =
        fetched == TFetched::kFound ? ParseNote(text) : std::nullopt;
    if (fetched == TFetched::kFound && !(note && Stale(*note, std::time(nullptr)))) {
      *err = "another publish to this destination " +
             (note ? "has been under way since " + LocalTime(note->since) + " (from " + note->host +
                         ", process " + std::to_string(note->pid) + ")"
                   : std::string("holds its lock (" + NotePath() + " is not Zorvik's)")) +
             "; wait for it to end. If none is running (a run that was killed), remove the "
             "folder " +
             lock + " from the destination on the server";
      return false;
    }
    // Freed where nobody took it meanwhile (a folder with a new note is not empty), then made
    // again on the next round.
    std::string ignored;
    if (remote.Remove(NotePath(), &ignored)) remote.RemoveFolder(lock, &ignored);
  }
  *err =
      "another publish to this destination keeps taking its lock " + lock + "; wait for it to end";
  return false;
}

void ReleasePublishLock(TRemote& remote) {
  std::string ignored;
  if (remote.Remove(NotePath(), &ignored)) remote.RemoveFolder(std::string(kLockName), &ignored);
}

}  // namespace zorvik
