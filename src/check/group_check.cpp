#include "check/group_check.h"

#include <functional>
#include <memory>

#include "batch/batch_run.h"
#include "check/page_in_site.h"
#include "engine/engine_session.h"
#include "engine/file_system.h"
#include "preview/site_of_pages.h"
#include "text/file_names.h"

namespace zorvik {
namespace {

// The disk for reading; the pages a run saves go to on_save instead.
class TCapturingFileSystem : public TFileSystem {
 public:
  explicit TCapturingFileSystem(std::function<void(const std::string&, std::string_view)> on_save)
      : on_save_(std::move(on_save)) {}
  bool FileExists(std::string_view path) const override { return disk_->FileExists(path); }
  bool FolderExists(std::string_view path) const override { return disk_->FolderExists(path); }
  bool CreateFolders(std::string_view) override { return true; }
  std::string LoadText(std::string_view path) const override { return disk_->LoadText(path); }
  bool SaveText(std::string_view path, std::string_view text) override {
    on_save_(ToFileSystemPath(path), text);
    return true;
  }

 private:
  std::unique_ptr<TFileSystem> disk_ = std::make_unique<TDiskFileSystem>();
  std::function<void(const std::string&, std::string_view)> on_save_;
};

}  // namespace

TGroupCheck CheckGroup(const std::vector<std::string>& entries, const TClock& clock,
                       const std::string& running_folder, const std::string& home) {
  TGroupCheck result;
  std::vector<std::pair<std::string, std::string>> pages;  // output, bytes
  TEngineSession session(clock,
                         std::make_unique<TCapturingFileSystem>(
                             [&pages](const std::string& path, std::string_view text) {
                               pages.emplace_back(ResolvedPath(path), std::string(text));
                             }),
                         running_folder);
  TDiskBatchHost host(session);
  RunBatch(session.Context(), entries, host);
  result.generation_errors = session.State().ErrorCount;
  if (pages.empty()) return result;
  std::vector<std::string> outputs;
  outputs.reserve(pages.size());
  for (const auto& page : pages) outputs.push_back(page.first);
  const TSiteOfPages where = SiteOfPages(entries, outputs, outputs.front(), home);
  if (where.site.roots.empty()) return result;
  const TPreviewSite& site = where.site;
  const std::string& root = where.root;
  TSiteCheck check(
      root,
      [&site](const std::string& file, std::string& read) {
        return ReadSiteFile(site, file, read);
      },
      IsFolderPath);
  for (const auto& [output, bytes] : pages) check.AddPage(output, bytes, true);
  result.findings = check.Finish();
  result.pages = check.PageCount();
  result.external = check.External().size();
  return result;
}

}  // namespace zorvik
