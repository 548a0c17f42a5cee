// zorvik check GROUP|PAGE [--written] [--external]: generates every page in memory (or, with
// --written, reads the pages already written) and checks the site as a browser and a Linux web
// server see it. Findings go to stderr as FILE:LINE: error: / warning: / note: lines, FILE the
// page source, import or template where the faulty text was written (the page's own line
// after the message), or the page itself; then a summary; exit status 1 when there is an
// error.
#include <iostream>
#include <map>

#include "check/page_in_site.h"
#include "check/site_check.h"
#include "check/source_lines.h"
#include "cli/cli_engine.h"
#include "cli/external_links.h"
#include "cli/site_for_verb.h"
#include "cli/site_watcher.h"
#include "cli/verbs.h"
#include "engine/generation_run.h"
#include "site/site_access.h"

namespace zorvik::cli {
namespace {

std::string Plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

int RunCheck(const TArgs& arguments) {
  const auto args =
      ParseVerbArgs("check", arguments, {"--written", "--external", "--timeout=", "--encoding="});
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "check", encoding)) return kUsageError;
  long timeout = 15;
  if (const std::string* given = args->Value("--timeout")) {
    char* end = nullptr;
    timeout = std::strtol(given->c_str(), &end, 10);
    if (given->empty() || *end != '\0' || timeout < 1 || timeout > 600) {
      return UsageError("check: --timeout takes a number of seconds from 1 to 600");
    }
  }
  const std::optional<std::string> path = OnlyOperand(*args, "check", "GROUP or PAGE");
  if (!path) return kUsageError;
  const bool written = args->Has("--written");
  BufferStandardError();

  // The pages as they would be written (or where they were), in the order of the group.
  TSiteAccess site;
  TSiteCheck check("", SiteFileReader(site), IsFolderPath);
  std::vector<std::string> generation_problems;
  std::vector<std::string> outputs;
  TCommandLineEngine engine(
      {.save_mode = TSaveMode::kCheck,
       .on_problem =
           [&generation_problems](const std::string& line) { generation_problems.push_back(line); },
       .quiet = true,
       .encoding = encoding});
  TSourceLines source_lines([&engine](const std::string& file, std::string& bytes) {
    bytes = engine.Files().LoadText(file);
    return bytes != kFileLoadError;
  });
  engine.Files().on_save = [&](const std::string& output, std::string_view text) {
    outputs.push_back(output);
    source_lines.AddPage(ResolvedPath(output), FilesOfPage(engine.Context()));
    if (!written) check.AddPage(ResolvedPath(output), text, true);
  };
  std::vector<std::string> sources;
  if (IsGroupFile(*path)) {
    const auto entries = ReadGroupEntries(engine, *path, *path);
    if (!entries) return kUsageError;
    sources = *entries;
    TCheckBatchHost host(engine.Session());
    RunBatch(engine.Context(), sources, host);
  } else {
    if (!RunPageFile(engine, *path, *path)) return kUsageError;
    WriteBuiltPage(engine);
    sources = {*path};
  }
  std::vector<TPageLinks> links = check.PageLinks();
  if (written) {
    for (const std::string& output : outputs) links.push_back(PageLinksOnDisk(output));
  }
  // Where every page failed, its errors are the findings: there is no site to look at.
  if (!links.empty() || generation_problems.empty()) {
    const std::optional<TSiteOfPages> where =
        SiteForVerb(links, outputs.empty() ? std::string() : outputs.front(), *path, "check");
    if (!where) return kUsageError;
    site = where->site;
    check.SetSite(*where);
  }
  std::size_t unwritten = 0;
  if (written) {
    for (const std::string& output : outputs) {
      std::string bytes;
      std::string unreachable;
      const std::string resolved = ResolvedPath(output);
      if (ReadSiteFile(site, resolved, bytes, &unreachable)) {
        check.AddPage(resolved, bytes, true);
      } else {
        std::cerr << QuotedPath(output) << ":1: error: "
                  << (unreachable.empty() ? "the page is not written (or not a regular file)"
                                          : "the page cannot be read: " + unreachable)
                  << '\n';
        generation_problems.push_back("");
      }
    }
  }
  std::vector<TFinding> findings = check.Finish();
  const std::size_t external = check.External().size();
  std::size_t fetched = 0;
  if (args->Has("--external")) {
    for (TFinding& finding : CheckExternalLinks(check.External(), timeout))
      findings.push_back(std::move(finding));
    fetched = external;
  }

  std::size_t counts[3] = {unwritten, 0, 0};
  for (const std::string& line : generation_problems) {
    // A problem of the generation: in the FILE:LINE: form where it names a line.
    const bool warning = line.find(": warning: ") != std::string::npos ||
                         line.starts_with("(\xE8\xAD\xA6\xE3\x80\x80\xE5\x91\x8A)");  // (警　告)
    std::cerr << (line.starts_with("(") ? "zorvik: " : "") << line << '\n';
    ++counts[warning ? 1 : 0];
  }
  for (const TSourceFinding& at : FindingsAtSource(std::move(findings), source_lines)) {
    std::cerr << FindingLine(at, [](const std::string& file) { return QuotedPath(file); }) << '\n';
    ++counts[static_cast<int>(at.finding.kind)];
  }
  std::cerr << "zorvik: check: " << Plural(check.PageCount(), "page", "pages") << ", "
            << Plural(counts[0], "error", "errors") << ", "
            << Plural(counts[1], "warning", "warnings") << ", "
            << Plural(counts[2], "note", "notes") << "; "
            << Plural(external, "external address", "external addresses")
            << (fetched > 0     ? " fetched"
                : external == 0 ? ""
                                : " not fetched (--external fetches them)")
            << '\n';
  std::fflush(stderr);
  return counts[0] > 0 ? 1 : 0;
}

}  // namespace zorvik::cli
