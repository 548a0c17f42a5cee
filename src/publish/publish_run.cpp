#include "publish/publish_run.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "publish/manifest_store.h"
#include "publish/publish_lock.h"
#include "text/sha256.h"
#include "text/system_reason.h"

namespace zorvik {
namespace {

bool IsPage(const std::string& relative) {
  return relative.ends_with(".html") || relative.ends_with(".htm");
}

// Zorvik never sends a dot file or anything in a dot folder, so a manifest that lists one was
// not written by a publish: such a path is never removed.
bool HasDotPart(std::string_view path) {
  return path.starts_with('.') || path.find("/.") != std::string_view::npos;
}

// Why ReadSiteFileBytes failed, from the errno it left.
std::string ReadFailure() {
  const int error = errno;
  return error == ELOOP ? "it became a link"
         : error == 0   ? "it is not a regular file"
                        : SystemReason(error);
}

// The plan's files as the connection takes them: each read when its turn comes, sent as read
// then, and recorded so, even if the file changed since it was planned.
class TPlannedUploads : public TUploads {
 public:
  TPlannedUploads(const std::vector<TSiteFile>& files, const std::vector<std::size_t>& send,
                  TManifest& manifest, TPublishListener& listener)
      : files_(files), send_(send), manifest_(manifest), listener_(listener) {}

  std::optional<TUpload> Next() override {
    if (taken_.size() == send_.size()) return std::nullopt;
    if (listener_.Cancelled()) {
      cancelled_ = true;
      return std::nullopt;
    }
    const std::size_t index = send_[taken_.size()];
    const TSiteFile& file = files_[index];
    std::optional<std::string> bytes = ReadSiteFileBytes(file.path);
    if (!bytes) {
      read_failure_ = "cannot read " + file.path + " (" + ReadFailure() + ")";
      return std::nullopt;
    }
    // Pages come last and wait for the rest, so that a new page never names a file that is
    // not there yet.
    const bool first_page = IsPage(file.relative) && !taken_.empty() &&
                            !IsPage(files_[send_[taken_.size() - 1]].relative);
    taken_.push_back({index, {bytes->size(), Sha256Hex(*bytes)}});
    return TUpload{file.relative, UploadName(file.relative), std::move(*bytes), first_page};
  }

  void Done(std::size_t n) override {
    const std::string& relative = files_[taken_[n].first].relative;
    manifest_[relative] = taken_[n].second;
    ++sent_;
    listener_.Sent(relative);
  }

  std::size_t Sent() const { return sent_; }
  bool Cancelled() const { return cancelled_; }
  const std::string& ReadError() const { return read_failure_; }

 private:
  const std::vector<TSiteFile>& files_;
  const std::vector<std::size_t>& send_;
  TManifest& manifest_;
  TPublishListener& listener_;
  std::vector<std::pair<std::size_t, TManifestEntry>> taken_;  // file index, as sent
  std::size_t sent_ = 0;
  bool cancelled_ = false;
  std::string read_failure_;
};

}  // namespace

std::string UploadName(const std::string& relative) {
  const std::size_t slash = relative.rfind('/');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  return relative.substr(0, name) + "." + relative.substr(name) + ".zorvik-upload";
}

TPublishPlan PlanPublish(const std::vector<TSiteFile>& files,
                         const std::vector<TManifestEntry>& local, const TManifest& remote,
                         bool remove_gone) {
  TPublishPlan plan;
  std::vector<std::size_t> pages;
  std::set<std::string_view> present;
  for (std::size_t i = 0; i < files.size(); ++i) {
    present.insert(files[i].relative);
    const auto known = remote.find(files[i].relative);
    if (known != remote.end() && known->second.size == local[i].size &&
        known->second.sha256 == local[i].sha256) {
      ++plan.same;
    } else {
      // Pages last, so that a new page never names a file that is not there yet.
      (IsPage(files[i].relative) ? pages : plan.send).push_back(i);
    }
  }
  plan.send.insert(plan.send.end(), pages.begin(), pages.end());
  if (remove_gone) {
    for (const auto& [path, entry] : remote) {
      if (!present.contains(path) && !HasDotPart(path)) plan.remove.push_back(path);
    }
  }
  return plan;
}

TPublishOutcome Publish(TRemote& remote, const std::vector<TSiteFile>& files,
                        const TPublishOptions& options, TPublishListener& listener,
                        std::string* err) {
  TPublishOutcome outcome;
  // A request the connection gave up on a cancel (an FTP server that never answered) fails;
  // the run is then cancelled, not failed.
  const auto fail = [&outcome, &listener, err](std::string error) {
    outcome.end = listener.Cancelled() ? TPublishEnd::kCancelled : TPublishEnd::kFailed;
    *err = std::move(error);
    return outcome;
  };
  std::string why;
  TManifest manifest;
  TManifestStore store(remote, options.manifest_cache);
  if (store.Read(manifest, &why) == TFetched::kFailed) return fail(why);

  std::vector<TManifestEntry> local;
  local.reserve(files.size());
  for (const TSiteFile& file : files) {
    const std::optional<std::string> bytes = ReadSiteFileBytes(file.path);
    if (!bytes) return fail("cannot read " + file.path + " (" + ReadFailure() + ")");
    local.push_back({bytes->size(), Sha256Hex(*bytes)});
  }
  const auto nothing_to_do = [&outcome] {
    return outcome.plan.send.empty() && outcome.plan.remove.empty();
  };
  outcome.plan = PlanPublish(files, local, manifest, options.remove_gone);
  if (options.dry_run || nothing_to_do()) {
    listener.Planned(outcome.plan);
    return outcome;
  }
  // Something to write: one run at a time. The manifest is read again under the lock, as
  // another run may have changed it meanwhile, and the plan made from it.
  if (!TakePublishLock(remote, &why)) return fail(why);
  struct TRelease {
    TRemote& remote;
    ~TRelease() { ReleasePublishLock(remote); }
  } release{remote};
  manifest.clear();
  if (store.Read(manifest, &why) == TFetched::kFailed) return fail(why);
  outcome.plan = PlanPublish(files, local, manifest, options.remove_gone);
  listener.Planned(outcome.plan);
  if (nothing_to_do()) return outcome;

  // Every file about to be sent is marked pending (no hash) in a manifest written before the
  // first is sent: a run cut after a file was replaced then never hides the change (the user
  // who withdraws it sends the old file again), and files new to the server count as Zorvik's.
  // Whole on a first publish, whose every part would be written again at the end.
  const bool first = manifest.empty();
  for (const std::size_t i : outcome.plan.send)
    manifest[files[i].relative] = TManifestEntry{local[i].size, ""};
  if (!outcome.plan.send.empty() && !store.Write(manifest, first, &why)) return fail(why);

  TPlannedUploads uploads(files, outcome.plan.send, manifest, listener);
  const bool put = remote.PutAll(uploads, &why);
  outcome.sent = uploads.Sent();
  if (!uploads.ReadError().empty()) {
    fail(uploads.ReadError());
  } else if (!put) {
    fail(why);
    outcome.rerun_finishes = !IsRefusal(why);
  } else if (uploads.Cancelled()) {
    outcome.end = TPublishEnd::kCancelled;
  }
  if (outcome.end == TPublishEnd::kDone) {
    for (const std::string& path : outcome.plan.remove) {
      if (listener.Cancelled()) {
        outcome.end = TPublishEnd::kCancelled;
        break;
      }
      if (!remote.Remove(path, &why)) {
        fail(std::string("cannot remove ").append(path).append(": ").append(why));
        outcome.rerun_finishes = !IsRefusal(why);
        break;
      }
      manifest.erase(path);
      ++outcome.removed;
      listener.Removed(path);
    }
  }
  if (!store.Write(manifest, false, &why) && outcome.end != TPublishEnd::kFailed) {
    fail(why);
    outcome.rerun_finishes = true;
  }
  return outcome;
}

}  // namespace zorvik
