#include "cli/verb_options.h"

#include <algorithm>

namespace zorvik::cli {

std::optional<TVerbArgs> ParseVerbArgs(std::string_view verb, const TArgs& args,
                                       std::initializer_list<std::string_view> allowed) {
  const auto is_allowed = [&allowed](std::string_view name) {
    return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
  };
  TVerbArgs parsed;
  bool options_end = false;
  for (auto it = args.begin(); it != args.end(); ++it) {
    const std::string& arg = *it;
    const std::size_t equals = arg.find('=');
    if (options_end || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      parsed.operands.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (is_allowed(arg)) {
      parsed.flags.insert(arg);
    } else if (equals != std::string::npos && is_allowed(arg.substr(0, equals + 1))) {
      parsed.values[arg.substr(0, equals)] = arg.substr(equals + 1);
    } else if (is_allowed(arg + "=")) {
      if (std::next(it) == args.end()) {
        UsageError(std::string(verb) + ": " + arg + " needs a value");
        return std::nullopt;
      }
      parsed.values[arg] = *++it;
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

bool TakeEncoding(const TVerbArgs& args, std::string_view verb,
                  std::optional<TEncoding>& encoding) {
  const std::string* value = args.Value("--encoding");
  if (value == nullptr) return true;
  if (*value == "cp932" || *value == "shift_jis") {
    encoding = TEncoding::kCp932;
  } else if (*value == "utf-8" || *value == "utf8") {
    encoding = TEncoding::kUtf8;
  } else {
    UsageError(std::string(verb) + ": --encoding takes cp932 or utf-8");
    return false;
  }
  return true;
}

}  // namespace zorvik::cli
