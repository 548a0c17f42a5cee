#include "publish/sftp_uploads.h"

#include <libssh/libssh.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <random>
#include <set>
#include <unordered_map>
#include <vector>

namespace zorvik {
namespace {

// The bytes of the requests under way: enough to keep a slow link busy; more only grows the
// server's buffers, which slows it down.
constexpr std::size_t kMostBytes = 1u << 20;
constexpr std::size_t kWriteChunk = 32768;
constexpr std::size_t kWritesUnderWay = 32;  // a file's pieces under way at once: 1 MB
constexpr std::uint32_t kFileMode = 0644;
constexpr int kSweepRounds = 8;
constexpr std::uint32_t kMarkers = 1u << 20;

enum class TStep { kOpen, kPlace, kWrite, kRename, kReplace, kVerify, kCleanup, kEnded };
enum class TAsked {
  kFolder,
  kLstat,
  kOpen,
  kClearTemp,
  kWhere,
  kWrite,
  kClose,
  kRename,
  kRemoveTarget,
  kMark,
  kThere,
  kLinkTarget,
  kFind,
  kCleanup
};

struct TFlight {
  std::size_t n = 0;
  TUpload upload;
  std::string target;
  std::string temp;
  TStep step = TStep::kOpen;
  int awaited = 0;
  bool reopened = false;
  bool created = false;  // the temporary file is the one this run made
  // The time the file is stamped with, to know it again by its path; 0 where the server
  // refused the stamp (the size stands in then).
  std::uint32_t marker = 0;
  std::size_t written = 0;           // bytes asked to be written so far
  std::size_t writes_out = 0;        // writes not yet answered
  bool closing = false;              // the last write went: the close is asked
  std::vector<std::string> folders;  // the folders of the target below the destination's
  std::string handle;
  std::string failure;
};

bool Missing(int status) { return status == SSH_FX_NO_SUCH_FILE || status == SSH_FX_NO_SUCH_PATH; }

class TPipeline {
 public:
  TPipeline(TSftpWire& wire, const TSftpTarget& target, TUploads& uploads)
      : wire_(wire), target_(target), uploads_(uploads) {}

  bool Run(std::string* failed, std::string* err) {
    std::optional<TUpload> held;
    bool taking = true;
    std::size_t taken = 0;
    for (;;) {
      while (taking && failure_.empty()) {
        if (!held && !(held = uploads_.Next())) {
          taking = false;
          break;
        }
        const bool ready = target_.folders_ready(held->path);
        if (!flights_.empty() &&
            (held->after_the_rest || !ready || flights_.size() >= target_.most_files ||
             bytes_ + held->bytes.size() > kMostBytes)) {
          break;
        }
        if (std::string why; !ready && !target_.make_folders(held->path, &why)) {
          failed_ = held->path;
          failure_ = why;
          break;
        }
        Start(std::move(*held), taken++);
        held.reset();
      }
      if (!wire_.Flush()) return Lost(err);
      if (flights_.empty()) break;
      // Every reply that has come, then the requests they lead to in one write.
      do {
        TSftpReply reply;
        if (!wire_.Read(reply)) return Lost(err);
        const auto asked = asked_.find(reply.id);
        if (asked == asked_.end()) return Lost(err);
        const TQuestion question = asked->second;
        asked_.erase(asked);
        Answer(*question.flight, question.what, reply, question.folder);
      } while (!asked_.empty() && wire_.Answered());
      while (!flights_.empty() && flights_.front().step == TStep::kEnded) {
        if (flights_.front().failure.empty()) uploads_.Done(flights_.front().n);
        bytes_ -= flights_.front().upload.bytes.size();
        flights_.pop_front();
      }
    }
    if (failure_.empty()) return true;
    if (!SweepElsewhere()) return Lost(err);
    *failed = failed_;
    *err = failure_;
    return false;
  }

 private:
  // Temporary files made through a folder swapped for a link, and not found since: each is
  // removed from every folder such a link was seen to lead to (by a path without links; the
  // names are this run's own).
  bool SweepElsewhere() {
    if (lost_.empty()) return true;
    // Where the folders they were made in lead, asked a few times: a link may come and go.
    std::set<std::string> folders;
    for (const std::string& temp : lost_) folders.insert(temp.substr(0, temp.rfind('/')));
    for (int round = 0; round < kSweepRounds; ++round) {
      for (const std::string& folder : folders) wire_.Realpath(folder);
      if (!wire_.Flush()) return false;
      for (std::size_t i = 0; i < folders.size(); ++i) {
        TSftpReply reply;
        if (!wire_.Read(reply)) return false;
        if (const std::optional<std::string> where = TSftpWire::Name(reply))
          elsewhere_.insert(*where + "/");
      }
    }
    std::size_t awaited = 0;
    for (const std::string& folder : elsewhere_) {
      for (const std::string& temp : lost_) {
        wire_.Remove(folder + temp.substr(temp.rfind('/') + 1));
        ++awaited;
      }
    }
    if (!wire_.Flush()) return false;
    for (TSftpReply reply; awaited > 0; --awaited) {
      if (!wire_.Read(reply)) return false;
    }
    return true;
  }

  bool Lost(std::string* err) {
    *err = "the connection to the server failed while files were being sent";
    return false;
  }

  void Ask(TFlight& flight, std::uint32_t id, TAsked what, std::size_t folder = 0) {
    asked_[id] = {&flight, what, folder};
    ++flight.awaited;
  }

  // The next pieces of the file, a few under way at a time so that a large file never stands
  // whole in the requests; after the last, the stamp, the close and a look at its folders. The
  // server takes the requests on one handle in the order sent, so the close comes after the
  // writes; the rename waits for all of their replies.
  void SendWrites(TFlight& flight) {
    const std::string_view bytes = flight.upload.bytes;
    while (flight.written < bytes.size() && flight.writes_out < kWritesUnderWay) {
      Ask(flight,
          wire_.Write(flight.handle, flight.written, bytes.substr(flight.written, kWriteChunk)),
          TAsked::kWrite);
      flight.written += kWriteChunk;
      ++flight.writes_out;
    }
    if (flight.written < bytes.size() || flight.closing) return;
    flight.closing = true;
    // Stamped again after the writes, which move the time on.
    Ask(flight, wire_.SetTimes(flight.handle, flight.marker), TAsked::kMark);
    Ask(flight, wire_.Close(flight.handle), TAsked::kClose);
    CheckFolders(flight);
  }

  // Asks again whether each folder of the file is a folder, not a link put in its place.
  void CheckFolders(TFlight& flight) {
    for (std::size_t i = 0; i < flight.folders.size(); ++i)
      Ask(flight, wire_.Lstat(flight.folders[i]), TAsked::kFolder, i);
  }

  // Whether path (the temporary file or the target) is this file, in the folder it should be:
  // the file looked at between two looks at where its folder leads, so that a folder swapped
  // for a link would have to be swapped there and back within the three steps to pass. (A
  // file's own path is not resolved: the server answers for a missing file as if it were
  // there.)
  void AskPlaced(TFlight& flight, const std::string& path) {
    const bool below = flight.upload.path.find('/') != std::string::npos;
    const std::string folder = path.substr(0, path.rfind('/'));
    if (below) Ask(flight, wire_.Realpath(folder), TAsked::kWhere);
    Ask(flight, wire_.Lstat(path), TAsked::kThere);
    if (below) Ask(flight, wire_.Realpath(folder), TAsked::kWhere);
  }

  // What a path below the destination is as the server resolves it.
  std::string Resolved(const std::string& relative) const { return *target_.resolved + relative; }

  void Fail(TFlight& flight, std::string why) {
    if (!flight.failure.empty()) return;
    flight.failure = std::move(why);
    if (failure_.empty()) {
      failed_ = flight.upload.path;
      failure_ = flight.failure;
    }
  }

  std::string Why(const TSftpReply& reply) { return SftpStatusText(TSftpWire::Status(reply)); }

  void Start(TUpload upload, std::size_t n) {
    TFlight& flight = flights_.emplace_back();
    flight.n = n;
    flight.marker = marker_base_ + static_cast<std::uint32_t>(n % kMarkers);
    flight.target = target_.folder + upload.path;
    flight.temp = target_.folder + upload.temporary;
    bytes_ += upload.bytes.size();
    for (std::size_t slash = upload.path.find('/'); slash != std::string::npos;
         slash = upload.path.find('/', slash + 1)) {
      flight.folders.push_back(target_.folder + upload.path.substr(0, slash));
    }
    flight.upload = std::move(upload);
    // A link at the target would be replaced by the file while another program may read it
    // as the file it pointed to. The temporary file is made new: the server never opens what
    // it finds there (a leftover of a cut run, or a link someone planted).
    CheckFolders(flight);
    Ask(flight, wire_.Lstat(flight.target), TAsked::kLstat);
    // Made in the same round trip; where a folder turns out to be a link, the file is found
    // there and removed.
    Ask(flight, wire_.OpenNew(flight.temp, kFileMode), TAsked::kOpen);
  }

  void Answer(TFlight& flight, TAsked what, const TSftpReply& reply, std::size_t folder) {
    --flight.awaited;
    const int status = TSftpWire::Status(reply);
    switch (what) {
      case TAsked::kFolder:
        if (const auto type = TSftpWire::Type(reply); type != SSH_FILEXFER_TYPE_DIRECTORY) {
          if (type == SSH_FILEXFER_TYPE_SYMLINK) {
            Ask(flight, wire_.Realpath(flight.folders[folder]), TAsked::kLinkTarget);
          }
          Fail(flight, "refusing to go through " + flight.folders[folder] + ": the server holds " +
                           (type == SSH_FILEXFER_TYPE_SYMLINK ? "a link"
                            : type                            ? "a file"
                                                              : "nothing") +
                           " where a folder was (it changed during the run)");
        }
        break;
      case TAsked::kWhere: {
        // The file's folder as the server resolves it now: a folder, never a link's target.
        const std::string& path = flight.upload.path;
        const std::string expected = Resolved(path.substr(0, path.rfind('/')));
        const std::optional<std::string> where = TSftpWire::Name(reply);
        if (where == expected) break;
        if (where) elsewhere_.insert(*where + "/");
        Fail(flight, "refusing to go on: the folder of " + flight.target + " leads to " +
                         where.value_or("nothing") +
                         " now (a folder was swapped for a link during the run)");
        break;
      }
      case TAsked::kLstat:
        if (const auto type = TSftpWire::Type(reply); type && *type != SSH_FILEXFER_TYPE_REGULAR) {
          Fail(flight,
               "refusing to write " + flight.target + ": the server holds " +
                   (*type == SSH_FILEXFER_TYPE_SYMLINK ? "a link" : "something other than a file") +
                   " there");
        }
        break;
      case TAsked::kOpen:
        if (auto handle = TSftpWire::Handle(reply)) {
          flight.handle = std::move(*handle);
          flight.created = true;
        } else if (!flight.reopened && flight.failure.empty()) {
          flight.reopened = true;  // something lies at the temporary name: it goes first
          Ask(flight, wire_.Remove(flight.temp), TAsked::kClearTemp);
        } else {
          Fail(flight, "cannot create " + flight.temp + " (" + Why(reply) + ")");
        }
        break;
      case TAsked::kClearTemp:
        if (status == SSH_FX_OK || Missing(status)) {
          Ask(flight, wire_.OpenNew(flight.temp, kFileMode), TAsked::kOpen);
        } else {
          Fail(flight, "cannot remove the leftover " + flight.temp + " (" + Why(reply) + ")");
        }
        break;
      case TAsked::kWrite:
      case TAsked::kClose:
        if (what == TAsked::kClose) flight.handle.clear();
        if (status != SSH_FX_OK) {
          Fail(flight, "cannot write " + flight.temp + " (" + Why(reply) + ")");
        } else if (what == TAsked::kWrite && flight.failure.empty()) {
          --flight.writes_out;
          SendWrites(flight);
        }
        break;
      case TAsked::kRename:
        if (status == SSH_FX_OK) flight.created = false;  // renamed: no temporary file to remove
        if (status != SSH_FX_OK && (target_.posix_rename || flight.step == TStep::kReplace)) {
          Fail(flight,
               "cannot rename " + flight.temp + " to " + flight.target + " (" + Why(reply) + ")");
        } else if (status != SSH_FX_OK) {
          // SFTP's own rename never replaces a file: the old one goes first, and for a moment
          // the file is missing.
          flight.step = TStep::kReplace;
          Ask(flight, wire_.Remove(flight.target), TAsked::kRemoveTarget);
        }
        break;
      case TAsked::kRemoveTarget:
        Ask(flight, wire_.Rename(flight.temp, flight.target), TAsked::kRename);
        break;
      case TAsked::kLinkTarget:
        if (const std::optional<std::string> where = TSftpWire::Name(reply))
          elsewhere_.insert(*where + "/");
        break;
      case TAsked::kThere: {
        // What the path leads to now must be this file: a folder swapped meanwhile would leave
        // nothing there, or another file.
        const bool temporary = flight.step == TStep::kPlace;
        const std::uint64_t size = temporary ? 0 : flight.upload.bytes.size();
        if (TSftpWire::Type(reply) != SSH_FILEXFER_TYPE_REGULAR || TSftpWire::Size(reply) != size ||
            (flight.marker != 0 && TSftpWire::Mtime(reply) != flight.marker)) {
          Fail(flight, "refusing to go on: " + (temporary ? flight.temp : flight.target) +
                           " is not the file just " + (temporary ? "made" : "sent") +
                           " (a folder of it was swapped for a link during the run)");
        }
        break;
      }
      case TAsked::kMark:
        if (status != SSH_FX_OK) flight.marker = 0;
        break;
      case TAsked::kFind:
        // Where the temporary file is now: removed by that path, which holds no link.
        if (const std::optional<std::string> where = TSftpWire::Name(reply))
          Ask(flight, wire_.Remove(*where), TAsked::kCleanup);
        break;
      case TAsked::kCleanup:
        break;
    }
    if (flight.awaited == 0) Advance(flight);
  }

  // The next step of a file whose replies have all come.
  void Advance(TFlight& flight) {
    if (!flight.failure.empty()) {
      if (flight.step == TStep::kCleanup) {
        flight.step = TStep::kEnded;
        return;
      }
      flight.step = TStep::kCleanup;
      if (!flight.handle.empty()) Ask(flight, wire_.Close(flight.handle), TAsked::kCleanup);
      if (flight.created) {
        Ask(flight, wire_.Realpath(flight.temp), TAsked::kFind);
        lost_.push_back(flight.temp);
      }
      if (flight.awaited == 0) flight.step = TStep::kEnded;
      return;
    }
    switch (flight.step) {
      case TStep::kOpen:
        // Made through the folders as they are now: it must lie where they were.
        flight.step = TStep::kPlace;
        Ask(flight, wire_.SetTimes(flight.handle, flight.marker), TAsked::kMark);
        AskPlaced(flight, flight.temp);
        break;
      case TStep::kPlace:
        flight.step = TStep::kWrite;
        SendWrites(flight);
        break;
      case TStep::kWrite:
        flight.step = TStep::kRename;
        Ask(flight,
            target_.posix_rename ? wire_.PosixRename(flight.temp, flight.target)
                                 : wire_.Rename(flight.temp, flight.target),
            TAsked::kRename);
        break;
      case TStep::kRename:
      case TStep::kReplace:
        // Recorded sent only where it went where it should.
        flight.step = TStep::kVerify;
        CheckFolders(flight);
        AskPlaced(flight, flight.target);
        break;
      case TStep::kVerify:
        flight.step = TStep::kEnded;
        break;
      case TStep::kCleanup:
      case TStep::kEnded:
        break;
    }
  }

  TSftpWire& wire_;
  const TSftpTarget& target_;
  TUploads& uploads_;
  std::deque<TFlight> flights_;  // in the order taken; a deque keeps their addresses
  struct TQuestion {
    TFlight* flight;
    TAsked what;
    std::size_t folder;  // for kFolder: which of the flight's folders
  };
  std::unordered_map<std::uint32_t, TQuestion> asked_;
  std::size_t bytes_ = 0;
  // This run's stamps: a time of its own in the past, unlike any a leftover file could have.
  const std::uint32_t marker_base_ = 100000000 + std::random_device()() % 900000000;
  std::set<std::string> elsewhere_;  // folders (resolved, with "/") swapped-in links led to
  std::vector<std::string> lost_;    // temporary files made, then not found where they should be
  std::string failed_;               // the path of the first file that failed
  std::string failure_;              // why
};

}  // namespace

bool PutOverSftp(TSftpWire& wire, const TSftpTarget& target, TUploads& uploads, std::string* failed,
                 std::string* err) {
  return TPipeline(wire, target, uploads).Run(failed, err);
}

}  // namespace zorvik
