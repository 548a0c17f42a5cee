// The options of a verb: "--name" flags before its operands, "--" ending them.
#pragma once

#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "cli/verbs.h"

namespace zorvik::cli {

struct TVerbArgs {
  std::set<std::string, std::less<>> flags;
  TArgs operands;
  bool Has(std::string_view flag) const { return flags.count(flag) > 0; }
};

// Splits args into flags and operands; nothing (after a usage message) when a flag is not one
// of allowed.
std::optional<TVerbArgs> ParseVerbArgs(std::string_view verb, const TArgs& args,
                                       std::initializer_list<std::string_view> allowed);

// True when args ask for the verb's help ("--help" or "-h" before any "--").
bool AsksForHelp(const TArgs& args);

}  // namespace zorvik::cli
