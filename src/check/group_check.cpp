#include "check/group_check.h"

#include <filesystem>
#include <functional>
#include <memory>

#include "batch/batch_run.h"
#include "check/page_in_site.h"
#include "engine/engine_session.h"
#include "engine/file_system.h"
#include "text/file_names.h"

namespace zorvik {
namespace {

std::string Resolved(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

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

class TDiskHost : public TBatchHost {
 public:
  explicit TDiskHost(TEngineSession& session) : session_(session) {}
  std::optional<std::string> LoadPageSource(const std::string& path) override {
    std::optional<std::string> page = LoadPageSourceText(session_.Files(), path);
    if (page) session_.State().DataFolder = ExtractFolder(path);
    return page;
  }

 private:
  TEngineSession& session_;
};

}  // namespace

TGroupCheck CheckGroup(const std::vector<std::string>& entries, const TClock& clock,
                       const std::string& running_folder, const std::string& home) {
  TGroupCheck result;
  std::vector<std::pair<std::string, std::string>> pages;  // output, bytes
  TEngineSession session(clock,
                         std::make_unique<TCapturingFileSystem>(
                             [&pages](const std::string& path, std::string_view text) {
                               pages.emplace_back(Resolved(path), std::string(text));
                             }),
                         running_folder);
  TDiskHost host(session);
  RunBatch(session.Context(), entries, host);
  result.generation_errors = session.State().ErrorCount;
  if (pages.empty()) return result;
  // The site: the deepest folder holding every page source and output, as the preview takes it.
  std::string sources = ExtractFolder(Resolved(entries.front()));
  std::string outputs = ExtractFolder(pages.front().first);
  const auto narrow = [](std::string& folder, const std::string& path) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < folder.size() && i < path.size() && folder[i] == path[i]; ++i) {
      if (folder[i] == '/') end = i + 1;
    }
    folder.resize(end);
  };
  for (const std::string& entry : entries) narrow(sources, Resolved(entry));
  for (const auto& [output, bytes] : pages) narrow(outputs, output);
  const TPreviewSite site = PreviewSiteFor(sources + "-", outputs + "-", "", home);
  if (site.roots.empty()) return result;
  std::string root = site.roots.front();
  for (const std::string& candidate : site.roots) {
    if (pages.front().first.starts_with(candidate)) root = candidate;
  }
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
