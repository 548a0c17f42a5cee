#include "publish/sftp_uploads.h"

#include <libssh/libssh.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <unordered_map>

namespace zorvik {
namespace {

// The bytes of the requests under way: enough to keep a slow link busy; more only grows the
// server's buffers, which slows it down.
constexpr std::size_t kMostBytes = 1u << 20;
constexpr std::size_t kWriteChunk = 32768;
constexpr std::uint32_t kFileMode = 0644;

enum class TStep { kOpen, kWrite, kRename, kReplace, kCleanup, kEnded };
enum class TAsked { kLstat, kOpen, kClearTemp, kWrite, kClose, kRename, kRemoveTarget, kCleanup };

struct TFlight {
  std::size_t n = 0;
  TUpload upload;
  std::string target;
  std::string temp;
  TStep step = TStep::kOpen;
  int awaited = 0;
  bool reopened = false;
  bool created = false;  // the temporary file is the one this run made
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
        TFlight& flight = *asked->second.first;
        const TAsked what = asked->second.second;
        asked_.erase(asked);
        Answer(flight, what, reply);
      } while (!asked_.empty() && wire_.Answered());
      while (!flights_.empty() && flights_.front().step == TStep::kEnded) {
        if (flights_.front().failure.empty()) uploads_.Done(flights_.front().n);
        bytes_ -= flights_.front().upload.bytes.size();
        flights_.pop_front();
      }
    }
    if (failure_.empty()) return true;
    *failed = failed_;
    *err = failure_;
    return false;
  }

 private:
  bool Lost(std::string* err) {
    *err = "the connection to the server failed while files were being sent";
    return false;
  }

  void Ask(TFlight& flight, std::uint32_t id, TAsked what) {
    asked_[id] = {&flight, what};
    ++flight.awaited;
  }

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
    flight.target = target_.folder + upload.path;
    flight.temp = target_.folder + upload.temporary;
    bytes_ += upload.bytes.size();
    flight.upload = std::move(upload);
    // A link at the target would be replaced by the file while another program may read it
    // as the file it pointed to. The temporary file is made new: the server never opens what
    // it finds there (a leftover of a cut run, or a link someone planted).
    Ask(flight, wire_.Lstat(flight.target), TAsked::kLstat);
    Ask(flight, wire_.OpenNew(flight.temp, kFileMode), TAsked::kOpen);
  }

  void Answer(TFlight& flight, TAsked what, const TSftpReply& reply) {
    --flight.awaited;
    const int status = TSftpWire::Status(reply);
    switch (what) {
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
        if (status != SSH_FX_OK)
          Fail(flight, "cannot write " + flight.temp + " (" + Why(reply) + ")");
        break;
      case TAsked::kRename:
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
      if (flight.created) Ask(flight, wire_.Remove(flight.temp), TAsked::kCleanup);
      if (flight.awaited == 0) flight.step = TStep::kEnded;
      return;
    }
    switch (flight.step) {
      case TStep::kOpen: {
        // The server takes the requests on one handle in the order sent, so the close goes
        // with the writes; the rename waits for all of their replies.
        flight.step = TStep::kWrite;
        const std::string& bytes = flight.upload.bytes;
        for (std::size_t done = 0; done < bytes.size(); done += kWriteChunk) {
          Ask(flight,
              wire_.Write(flight.handle, done, std::string_view(bytes).substr(done, kWriteChunk)),
              TAsked::kWrite);
        }
        Ask(flight, wire_.Close(flight.handle), TAsked::kClose);
        break;
      }
      case TStep::kWrite:
        flight.step = TStep::kRename;
        Ask(flight,
            target_.posix_rename ? wire_.PosixRename(flight.temp, flight.target)
                                 : wire_.Rename(flight.temp, flight.target),
            TAsked::kRename);
        break;
      case TStep::kRename:
      case TStep::kReplace:
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
  std::unordered_map<std::uint32_t, std::pair<TFlight*, TAsked>> asked_;
  std::size_t bytes_ = 0;
  std::string failed_;   // the path of the first file that failed
  std::string failure_;  // why
};

}  // namespace

bool PutOverSftp(TSftpWire& wire, const TSftpTarget& target, TUploads& uploads, std::string* failed,
                 std::string* err) {
  return TPipeline(wire, target, uploads).Run(failed, err);
}

}  // namespace zorvik
