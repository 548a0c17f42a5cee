// Patterns of one common shape: a literal of one-byte characters, a class repeated, and one
// one-byte character that the class does not hold ("<[^>]*>", "{\$[^}]*}", "\"[^\"]*\"").
// Their matches are found by byte scans: the literal, then the first character the class does
// not hold, with no automaton at all.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pattern/re_parser.h"

namespace zorvik {

struct TREDelimited {
  std::string prefix;  // ASCII, no NUL
  int set = -1;        // the repeated class, an index into the sets
  unsigned char last = 0;
};

// The shape of the pattern whose tree is given (its sets are `sets`), if it has that one.
std::optional<TREDelimited> DelimitedShape(const std::vector<TRENode>& nodes, int root,
                                           const std::vector<TCodeRanges>& sets);

}  // namespace zorvik
