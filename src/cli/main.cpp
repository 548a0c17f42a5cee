// The zorvik command: a table of verbs over the core library.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>

#include "cli/verbs.h"

namespace zorvik::cli {
namespace {

struct TVerb {
  std::string_view name;
  int (*run)(const TArgs&);
  std::string_view usage;
};

constexpr TVerb kVerbs[] = {
    {"build", RunBuild, "build PAGE                   generate the page source PAGE and write its HTML file"},
    {"show", RunShow, "show PAGE                    generate PAGE and print the HTML, writing nothing"},
    {"batch", RunBatchVerb, "batch GROUP                  generate and write every page of the group file"},
    {"match", RunMatch, "match PATTERN                print \"POS LEN\" of the first match in stdin"},
    {"replace", RunReplace, "replace PATTERN REPLACEMENT  replace every match in stdin"},
};

int PrintHelp() {
  std::printf(
      "Usage: zorvik COMMAND [ARGUMENTS]\n"
      "Makes static HTML pages from Shift-JIS page sources and templates.\n\n"
      "Commands:\n");
  for (const TVerb& verb : kVerbs) std::printf("  %.*s\n", int(verb.usage.size()), verb.usage.data());
  std::printf(
      "  --help                       show this help\n"
      "  --version                    show the version\n\n"
      "The generation log goes to stderr in UTF-8; SOURCE_DATE_EPOCH fixes the clock.\n"
      "Patterns and replacements are taken byte for byte; stdin and stdout are raw bytes.\n"
      "Exit status: 0 success or match; 1 errors in a run, a missing page or no match;\n"
      "2 usage error, unreadable input or malformed pattern.\n");
  return FinishStandardOutput(0);
}

}  // namespace

int UsageError(const std::string& message) {
  std::cerr << "zorvik: " << message << "\nTry 'zorvik --help'.\n";
  return kUsageError;
}

bool WriteStandardOutput(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  return FinishStandardOutput(0) == 0;
}

int FinishStandardOutput(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  std::cerr << "zorvik: cannot write to standard output: " << std::strerror(errno) << '\n';
  return kUsageError;
}

}  // namespace zorvik::cli

int main(int argc, char** argv) {
  using namespace zorvik::cli;
  // A write beyond the file-size limit then fails as a write, instead of killing the process
  // with its temporary file left behind; a closed pipe likewise.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  if (argc < 2) return UsageError("no command given");
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h") return PrintHelp();
  if (command == "--version") {
    std::printf("zorvik %s\n", ZORVIK_VERSION);
    return FinishStandardOutput(0);
  }
  const TArgs args(argv + 2, argv + argc);
  for (const TVerb& verb : kVerbs) {
    if (verb.name == command) return verb.run(args);
  }
  return UsageError("unknown command '" + std::string(command) + "'");
}
