#include "site/web_root.h"

#include <filesystem>

namespace zorvik {
namespace {

// The deepest folder (with its "/") holding every path, or "" for none.
std::string CommonFolder(const std::vector<std::string>& paths) {
  std::string common;
  bool first = true;
  for (const std::string& path : paths) {
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    if (first) {
      common = folder;
      first = false;
      continue;
    }
    std::size_t end = 0;
    for (std::size_t i = 0; i < common.size() && i < folder.size() && common[i] == folder[i]; ++i) {
      if (common[i] == '/') end = i + 1;
    }
    common.resize(end);
  }
  return common;
}

}  // namespace

std::string ResolvedPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

TSiteOfPages SiteOfPages(const std::vector<std::string>& sources,
                         const std::vector<std::string>& outputs, const std::string& first_output,
                         const std::string& home) {
  std::vector<std::string> resolved_sources;
  std::vector<std::string> resolved_outputs;
  resolved_sources.reserve(sources.size());
  resolved_outputs.reserve(outputs.size());
  for (const std::string& source : sources) {
    if (!source.empty()) resolved_sources.push_back(ResolvedPath(source));
  }
  for (const std::string& output : outputs) resolved_outputs.push_back(ResolvedPath(output));
  // PreviewSiteFor takes two files; a name in each common folder stands for them all.
  const std::string sources_folder = CommonFolder(resolved_sources);
  const std::string outputs_folder =
      resolved_outputs.empty() ? sources_folder : CommonFolder(resolved_outputs);
  // PreviewSiteFor leaves out an empty path: a page never saved has no source folder.
  const auto stand_in = [](const std::string& folder) {
    return folder.empty() ? std::string() : folder + "-";
  };
  TSiteOfPages result{PreviewSiteFor(stand_in(sources_folder), stand_in(outputs_folder), "", home),
                      ""};
  if (result.site.roots.empty()) return result;
  const std::string first = ResolvedPath(first_output);
  result.root = result.site.roots.front();
  for (const std::string& candidate : result.site.roots) {
    if (!first_output.empty() && first.starts_with(candidate)) result.root = candidate;
  }
  return result;
}

}  // namespace zorvik
