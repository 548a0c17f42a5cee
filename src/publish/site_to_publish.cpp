#include "publish/site_to_publish.h"

#include "batch/batch_run.h"
#include "engine/engine_session.h"
#include "engine/tracked_file_system.h"
#include "preview/site_of_pages.h"
#include "publish/publish_settings.h"
#include "text/file_names.h"

namespace zorvik {
namespace {

struct TDiskHolder {
  TDiskFileSystem disk;
};

// The disk, with the pages written only where their bytes change and every file looked at kept.
class TBuildFiles : private TDiskHolder, public TTrackedFileSystem {
 public:
  TBuildFiles() : TTrackedFileSystem(disk, TSaveMode::kChanged) { RecordPaths(); }
};

}  // namespace

TGroupBuild BuildGroup(const std::vector<std::string>& entries, const TClock& clock,
                       const std::string& running_folder) {
  TGroupBuild build;
  auto owned = std::make_unique<TBuildFiles>();
  TBuildFiles& files = *owned;
  files.on_save = [&build](const std::string& output, std::string_view) {
    build.outputs.push_back(output);
  };
  TEngineSession session(clock, std::move(owned), running_folder);
  TDiskBatchHost host(session);
  RunBatch(session.Context(), entries, host);
  build.inputs = files.TakeLookedAt();
  build.errors = session.State().ErrorCount;
  build.log = session.Log().Entries();
  return build;
}

TSiteToPublish SiteToPublish(const std::vector<std::string>& entries,
                             const std::vector<std::string>& outputs, std::set<std::string> inputs,
                             const std::string& group_file, const std::string& home) {
  TSiteToPublish result;
  const TSiteOfPages site =
      SiteOfPages(entries, outputs, outputs.empty() ? std::string() : outputs.front(), home);
  if (site.site.roots.empty() || outputs.empty()) return result;
  result.root = site.root;
  inputs.insert(group_file);
  inputs.insert(PublishSettingsPath(group_file));
  std::set<std::string> leave_out;
  for (const std::string& input : inputs) leave_out.insert(ResolvedPath(input));
  // The pages are sent even where a page reads another page's output.
  for (const std::string& output : outputs) leave_out.erase(ResolvedPath(output));
  result.files = ListSiteFiles(result.root, leave_out);
  return result;
}

}  // namespace zorvik
