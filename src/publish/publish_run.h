// A publish: the site's files compared with the manifest on the server, what changed sent
// (each under a temporary name, then renamed over the old file), what went away removed when
// asked, and the manifest written last. A run cut anywhere leaves each remote file old or new,
// whole, and the next run finishes the job.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "publish/manifest.h"
#include "publish/remote.h"
#include "site/site_files.h"

namespace zorvik {

struct TPublishPlan {
  std::vector<std::size_t> send;    // indices into the site's files: other files, then pages
  std::vector<std::string> remove;  // paths the manifest lists that the site no longer has
  std::size_t same = 0;             // files the server holds already
};

// local: each file's size and hash, in the order of files.
TPublishPlan PlanPublish(const std::vector<TSiteFile>& files,
                         const std::vector<TManifestEntry>& local, const TManifest& remote,
                         bool remove_gone);

struct TPublishOptions {
  bool dry_run = false;        // plan only; nothing sent, nothing removed
  bool remove_gone = false;    // remove the files Zorvik uploaded that the site no longer has
  std::string manifest_cache;  // the folder of the manifest's copies (ManifestCacheFolder)
};

class TPublishListener {
 public:
  virtual ~TPublishListener() = default;
  virtual void Planned(const TPublishPlan& /*plan*/) {}
  virtual void Sent(const std::string& /*relative*/) {}
  virtual void Removed(const std::string& /*relative*/) {}
  // Asked between files: true stops the run there (the manifest still records what was done).
  virtual bool Cancelled() { return false; }
};

enum class TPublishEnd { kDone, kCancelled, kFailed };

struct TPublishOutcome {
  TPublishEnd end = TPublishEnd::kDone;
  // For kFailed: the run stopped between files, so running it again finishes the job (not so
  // for a manifest Zorvik cannot read, or a local file it cannot).
  bool rerun_finishes = false;
  TPublishPlan plan;
  std::size_t sent = 0;
  std::size_t removed = 0;
};

// How the run ended, what it planned and did; for kFailed, *err says why in English.
TPublishOutcome Publish(TRemote& remote, const std::vector<TSiteFile>& files,
                        const TPublishOptions& options, TPublishListener& listener,
                        std::string* err);

// The temporary name a file is uploaded under, in its own folder.
std::string UploadName(const std::string& relative);

}  // namespace zorvik
