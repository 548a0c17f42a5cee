#include "publish/publish_lock.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <optional>
#include <sstream>

#include "publish/publish_run.h"

namespace zorvik {
namespace {

struct TLockNote {
  std::string host;
  long pid = 0;
  std::int64_t since = 0;
};

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

// Frees a lock whose run is over, so that it can be made again.
bool Free(TRemote& remote, std::string* err) {
  std::string why;
  if (!remote.Remove(NotePath(), &why) || !remote.RemoveFolder(std::string(kLockName), &why)) {
    *err = "cannot remove the stale lock " + std::string(kLockName) + " on the server: " + why;
    return false;
  }
  return true;
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
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string why;
    switch (remote.MakeFolderNew(lock, &why)) {
      case TMade::kFailed:
        *err = "cannot make the lock " + lock + " on the server: " + why;
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
    std::string text;
    const TFetched fetched = remote.Fetch(NotePath(), text, &why);
    if (fetched == TFetched::kFailed) {
      *err = "cannot read the lock " + NotePath() + " on the server: " + why;
      return false;
    }
    // A lock without its note was left by a run cut off between the two steps.
    const std::optional<TLockNote> note =
        fetched == TFetched::kFound ? ParseNote(text) : std::nullopt;
    if (fetched == TFetched::kMissing || (note && Stale(*note, std::time(nullptr)))) {
      if (!Free(remote, err)) return false;
      continue;
    }
    *err = "another publish to this destination " +
           (note ? "has been under way since " + LocalTime(note->since) + " (from " + note->host +
                       ", process " + std::to_string(note->pid) + ")"
                 : std::string("holds its lock (" + NotePath() + " is not Zorvik's)")) +
           "; wait for it to end. If none is running (a run that was killed), remove the folder " +
           lock + " from the destination on the server";
    return false;
  }
  *err = "another publish took the lock " + lock + " as this one freed a stale one";
  return false;
}

void ReleasePublishLock(TRemote& remote) {
  std::string ignored;
  if (remote.Remove(NotePath(), &ignored)) remote.RemoveFolder(std::string(kLockName), &ignored);
}

}  // namespace zorvik
