// The options of a verb: "--name" flags and "--name VALUE" (or "--name=VALUE") options, "--"
// ending them.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "cli/verbs.h"

namespace zorvik::cli {

struct TVerbArgs {
  std::set<std::string, std::less<>> flags;
  std::map<std::string, std::string, std::less<>> values;  // "--port" -> "8000"
  TArgs operands;
  bool Has(std::string_view flag) const { return flags.count(flag) > 0; }
  const std::string* Value(std::string_view option) const {
    const auto it = values.find(option);
    return it == values.end() ? nullptr : &it->second;
  }
};

// Splits args into flags, valued options and operands. allowed names the flags, and the
// options that take a value with a trailing "=" ("--port="). Nothing (after a usage message)
// for an option not allowed or a value missing.
std::optional<TVerbArgs> ParseVerbArgs(std::string_view verb, const TArgs& args,
                                       std::initializer_list<std::string_view> allowed);

// True when args ask for the verb's help ("--help" or "-h" before any "--").
bool AsksForHelp(const TArgs& args);

}  // namespace zorvik::cli
