#include "cli/verb_options.h"

#include <algorithm>

namespace zorvik::cli {

std::optional<TVerbArgs> ParseVerbArgs(std::string_view verb, const TArgs& args,
                                       std::initializer_list<std::string_view> allowed) {
  TVerbArgs parsed;
  bool options_end = false;
  for (const std::string& arg : args) {
    if (options_end || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      parsed.operands.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (std::find(allowed.begin(), allowed.end(), arg) != allowed.end()) {
      parsed.flags.insert(arg);
    } else {
      UsageError(std::string(verb) + ": unknown option '" + arg + "'");
      return std::nullopt;
    }
  }
  return parsed;
}

bool AsksForHelp(const TArgs& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace zorvik::cli
