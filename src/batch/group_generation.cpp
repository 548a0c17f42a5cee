#include "batch/group_generation.h"

#include <memory>

#include "batch/batch_run.h"
#include "engine/engine_session.h"
#include "engine/generation_run.h"
#include "engine/tracked_file_system.h"
#include "text/text_file.h"

namespace zorvik {
namespace {

// The disk for reading, some files read with other bytes; saving only reports success.
class TOverlayFileSystem : public TFileSystem {
 public:
  explicit TOverlayFileSystem(const TReadInstead& instead) : instead_(instead) {}
  bool FileExists(std::string_view path) const override { return disk_->FileExists(path); }
  bool FolderExists(std::string_view path) const override { return disk_->FolderExists(path); }
  bool CreateFolders(std::string_view) override { return true; }
  std::string LoadText(std::string_view path) const override {
    if (instead_) {
      if (const std::optional<std::string> bytes = instead_(NormalPath(path)))
        return NormalizeLineEnds(*bytes);
    }
    return disk_->LoadText(path);
  }
  bool SaveText(std::string_view, std::string_view) override { return true; }

 private:
  std::unique_ptr<TFileSystem> disk_ = std::make_unique<TDiskFileSystem>();
  const TReadInstead& instead_;
};

struct TOverlayHolder {
  TOverlayFileSystem overlay;
};

// The overlay, with every file looked at kept and every page saved handed on.
class TMemoryFiles : private TOverlayHolder, public TTrackedFileSystem {
 public:
  explicit TMemoryFiles(const TReadInstead& instead)
      : TOverlayHolder{TOverlayFileSystem(instead)}, TTrackedFileSystem(overlay) {
    RecordPaths();
  }
};

struct TDiskHolder {
  TDiskFileSystem disk;
};

// The disk, pages written only where their bytes change, every file looked at kept.
class TChangedDiskFiles : private TDiskHolder, public TTrackedFileSystem {
 public:
  TChangedDiskFiles() : TTrackedFileSystem(disk, TSaveMode::kChanged) { RecordPaths(); }
};

// in_memory: a build to check or compare, not to publish: each page's bytes kept in the
// result (unless a sink takes them), and every page whose own run counted no error made,
// whatever an earlier page's error.
TGroupGeneration RunGroup(std::unique_ptr<TTrackedFileSystem> owned,
                          const std::vector<std::string>& entries, const TRunSettings& settings,
                          bool in_memory, const TPageSink& sink = nullptr) {
  TGroupGeneration result;
  TTrackedFileSystem& files = *owned;
  const TEngineContext* context = nullptr;  // the session's, once it is made
  files.on_save = [&result, &context, in_memory, &sink](const std::string& output,
                                                        std::string_view bytes) {
    if (sink) sink(output, bytes);
    result.pages.emplace_back(output, in_memory && !sink ? std::string(bytes) : std::string());
    if (!sink) result.made_from.push_back(FilesOfPage(*context));
  };
  TEngineSession session(settings, std::move(owned));
  context = &session.Context();
  // Nobody reads this run's log: kept, it would grow with the group.
  session.Log().SetListener([](const std::string&, const TLogPlace&) {});
  if (in_memory) {
    TCheckBatchHost host(session);
    RunBatch(session.Context(), entries, host);
  } else {
    TDiskBatchHost host(session);
    RunBatch(session.Context(), entries, host);
  }
  result.inputs = files.TakeLookedAt();
  result.errors = session.State().ErrorCount;
  return result;
}

}  // namespace

TGroupGeneration GenerateGroupInMemory(const std::vector<std::string>& entries,
                                       const TRunSettings& settings, const TReadInstead& instead,
                                       const TPageSink& sink) {
  return RunGroup(std::make_unique<TMemoryFiles>(instead), entries, settings, true, sink);
}

TGroupGeneration GenerateGroupOnDisk(const std::vector<std::string>& entries,
                                     const TRunSettings& settings) {
  return RunGroup(std::make_unique<TChangedDiskFiles>(), entries, settings, false);
}

}  // namespace zorvik
