// zorvik match / replace: the pattern component on standard input.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/verbs.h"
#include "pattern/pattern_component.h"
#include "text/encoding.h"

namespace zorvik::cli {
namespace {

// Standard input up to its end, or up to its first NUL byte when stop_at_nul (the NUL ends a
// subject anyway, and an endless input such as /dev/zero must not be read whole).
std::string ReadStandardInput(bool stop_at_nul) {
  std::string data;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    const std::string_view chunk(buffer, n);
    const std::size_t nul = stop_at_nul ? chunk.find('\0') : std::string_view::npos;
    data.append(chunk.substr(0, nul));
    if (nul != std::string_view::npos) break;
  }
  return data;
}

// Sets the pattern; on a malformed one prints the error and returns false.
bool SetPattern(TSecondAWKStr& component, const std::string& pattern) {
  try {
    component.SetRegExp(pattern);
    return true;
  } catch (const ERegExpParser& e) {
    std::cerr << "error at " << e.ErrorPos << ": " << Cp932ToUtf8(e.what()) << '\n';
    return false;
  }
}

}  // namespace

int RunMatch(const TArgs& args) {
  if (args.size() != 1) return UsageError("match takes one argument: PATTERN");
  TSecondAWKStr component;
  if (!SetPattern(component, args[0])) return 2;
  const TSecondAWKStr::TMatchResult result = component.Match(ReadStandardInput(true));
  const std::string line =
      std::to_string(result.position) + " " + std::to_string(result.length) + "\n";
  if (!WriteStandardOutput(line)) return kUsageError;
  return result.position > 0 ? 0 : 1;
}

int RunReplace(const TArgs& args) {
  if (args.size() != 2) return UsageError("replace takes two arguments: PATTERN REPLACEMENT");
  TSecondAWKStr component;
  if (!SetPattern(component, args[0])) return 2;
  std::string subject = ReadStandardInput(false);
  const int count = component.ReplaceAll(args[1], subject);
  if (!WriteStandardOutput(subject)) return kUsageError;
  std::cerr << count << '\n';
  return 0;
}

}  // namespace zorvik::cli
