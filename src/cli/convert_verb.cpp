// zorvik convert --to utf-8|cp932 [--ncr] [--dry-run] GROUP|FILE...: converts a site's page
// sources, templates, imports and group file to the other page encoding, renaming the charset
// declarations, and proves it first: every file converts back to its own bytes, and the pages
// built before and after (in memory) have the same text. Nothing changes unless all of it holds.
#include <ctime>
#include <filesystem>
#include <iostream>

#include "batch/group_file.h"
#include "batch/group_generation.h"
#include "cli/cli_engine.h"
#include "cli/site_watcher.h"
#include "cli/verb_options.h"
#include "cli/verbs.h"
#include "convert/conversion_writer.h"
#include "convert/site_conversion.h"
#include "engine/tracked_file_system.h"
#include "text/file_names.h"

namespace zorvik::cli {
namespace {

const char* EncodingName(TEncoding encoding) {
  return encoding == TEncoding::kUtf8 ? "UTF-8" : "Shift-JIS";
}

void PrintProblem(const TConversionProblem& problem) {
  std::cerr << QuotedPath(problem.path);
  if (problem.line > 0) std::cerr << ':' << problem.line;
  std::cerr << ": error: " << problem.message << '\n';
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

int RunConvert(const TArgs& arguments) {
  const auto args = ParseVerbArgs("convert", arguments, {"--to=", "--ncr", "--dry-run", "--fold"});
  if (!args) return kUsageError;
  const std::string* to_name = args->Value("--to");
  TEncoding to = TEncoding::kUtf8;
  if (to_name == nullptr || (*to_name != "utf-8" && *to_name != "cp932")) {
    return UsageError("convert: --to utf-8 or --to cp932 says where to");
  }
  if (*to_name == "cp932") to = TEncoding::kCp932;
  if (args->operands.empty()) return UsageError("convert: name a GROUP or the FILEs to convert");
  std::vector<std::string> files;
  for (const std::string& operand : args->operands) {
    const std::optional<std::string> path = AbsolutePath(operand);
    if (!path || !IsRegularFile(*path)) {
      std::cerr << "zorvik: convert: cannot read " << QuotedPath(operand) << '\n';
      return kUsageError;
    }
    files.push_back(*path);
  }

  // A group: its whole site, with the pages built before and after to compare.
  const bool group = files.size() == 1 && IsGroupFile(files[0]);
  std::vector<std::string> entries;
  // Of the builds before and after, only a digest of each page is kept: a site of any size is
  // proved in the memory of a few pages.
  TPageDigests before;
  const TSystemClock clock(std::time(nullptr));  // one instant for every build
  const std::string running_folder = WorkspaceFolder();
  const TRunSettings settings{&clock, running_folder};
  if (group) {
    entries = ReadGroupFile(files[0], running_folder);
    const TGroupGeneration built = GenerateGroupInMemory(
        entries, settings, {},
        [&before](const std::string& page, std::string_view bytes) { before.Add(page, bytes); });
    std::set<std::string> pages;
    for (const auto& page : built.pages) pages.insert(page.first);
    for (const std::string& input : built.inputs) {
      if (input != files[0] && !pages.contains(input) && IsRegularFile(input))
        files.push_back(input);
    }
  }
  const TConversionPlan plan = PlanConversion(files, to, args->Has("--ncr"), args->Has("--fold"));
  for (const TConversionProblem& problem : plan.problems) PrintProblem(problem);
  if (plan.foldable) {
    std::cerr << "zorvik: convert: --fold takes each such character in the form that comes "
                 "back, which shows the same\n";
  }
  for (const TConversionProblem& folded : plan.folded) {
    std::cerr << QuotedPath(folded.path) << ':' << folded.line
              << ": note: " << (args->Has("--dry-run") ? "would fold " : "folded ")
              << folded.message << '\n';
  }
  if (!plan.problems.empty()) {
    std::cerr << "zorvik: convert: nothing was changed\n";
    return 1;
  }
  if (group) {
    // The second build reads each file to change converted as it reads it: no file's new
    // bytes are held beyond the page being made.
    TConvertedReads reads(plan.changes);
    const TReadInstead replaced = [&reads](const std::string& path) { return reads.Read(path); };
    TPageDigests after;
    GenerateGroupInMemory(
        entries, settings, replaced,
        [&after](const std::string& page, std::string_view bytes) { after.Add(page, bytes); });
    if (const std::optional<std::string> changed = FirstChangedPage(before, after)) {
      // Only when the proof fails: that one page built again both ways, to say where it differs.
      const auto one_page = [&changed](TPages& into) {
        return [&changed, &into](const std::string& page, std::string_view bytes) {
          if (page == *changed) into = {{page, std::string(bytes)}};
        };
      };
      TPages was = {{*changed, ""}};
      TPages is;
      GenerateGroupInMemory(entries, settings, {}, one_page(was));
      GenerateGroupInMemory(entries, settings, replaced, one_page(is));
      PrintProblem(ComparePages(was, is).value_or(
          TConversionProblem{*changed, 0, "the page's text would change"}));
      std::cerr << "zorvik: convert: the pages would not stay the same; nothing was changed\n";
      return 1;
    }
  }

  const bool dry_run = args->Has("--dry-run");
  TConversionWrite write;
  if (dry_run) {
    for (const TConvertedFile& file : plan.changes) write.written.push_back(file.path);
  } else {
    write = WriteConvertedFiles(plan.changes);
  }
  for (const TConversionProblem& problem : write.problems) PrintProblem(problem);
  std::size_t written = 0;
  for (const TConvertedFile& file : plan.changes) {
    if (written == write.written.size() || write.written[written] != file.path) continue;
    ++written;
    std::cout
        << (dry_run ? "would convert " : "converted ") << QuotedPath(file.path) << " ("
        << (file.from == to ? "" : std::string(EncodingName(file.from)) + " to " + EncodingName(to))
        << (file.from != to && file.declarations > 0 ? ", " : "")
        << (file.declarations > 0 ? std::to_string(file.declarations) + " charset declaration" +
                                        (file.declarations == 1 ? "" : "s")
                                  : "")
        << ")\n";
  }
  if (!write.problems.empty()) {
    std::cerr << "zorvik: convert: "
              << (written == 0
                      ? std::string("nothing was changed")
                      : std::to_string(written) + " of " + std::to_string(plan.changes.size()) +
                            " files were converted; the others were left as they are")
              << '\n';
    std::cout.flush();
    return 1;
  }
  std::cerr << "zorvik: convert: " << written << (written == 1 ? " file " : " files ")
            << (dry_run ? "would be converted" : "converted") << " to " << EncodingName(to)
            << (group ? "; the pages built before and after have the same text"
                      : "; each file converts back to its own bytes")
            << '\n';
  return FinishStandardOutput(0);
}

}  // namespace zorvik::cli
