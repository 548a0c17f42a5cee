// zorvik match / replace: the pattern component on standard input.
#include <cstdio>
#include <iostream>
#include <string>

#include "text/encoding.h"
#include "cli/verbs.h"
#include "text/second_awk_str.h"

namespace zorvik::cli {
namespace {

std::string ReadStandardInput() {
  std::string data;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) data.append(buffer, n);
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
  const TSecondAWKStr::TMatchResult result = component.Match(ReadStandardInput());
  std::printf("%d %d\n", result.position, result.length);
  return result.position > 0 ? 0 : 1;
}

int RunReplace(const TArgs& args) {
  if (args.size() != 2) return UsageError("replace takes two arguments: PATTERN REPLACEMENT");
  TSecondAWKStr component;
  if (!SetPattern(component, args[0])) return 2;
  std::string subject = ReadStandardInput();
  const int count = component.ReplaceAll(args[1], subject);
  std::fwrite(subject.data(), 1, subject.size(), stdout);
  std::fflush(stdout);
  std::cerr << count << '\n';
  return 0;
}

}  // namespace zorvik::cli
