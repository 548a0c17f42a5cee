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
#include "text/utf8.h"

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

// The encoding "--encoding cp932|utf-8" forces on the files without a byte-order mark, into
// encoding (left empty without the option); false after a usage message for another value.
bool TakeEncoding(const TVerbArgs& args, std::string_view verb, std::optional<TEncoding>& encoding);

}  // namespace zorvik::cli
