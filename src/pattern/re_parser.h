// Parsing a pattern into a tree.
//
//   expression = term { "|" term }
//   term       = { factor }            (may be empty)
//   factor     = operand [ "*" | "+" | "?" ]
//   operand    = character | class | "." | "^" | "$" | "(" expression ")"
//
// The parser keeps an explicit stack of open groups instead of recursing, so that deeply nested
// patterns cannot exhaust the call stack.
#pragma once

#include <string_view>
#include <vector>

#include "pattern/re_syntax.h"

namespace zorvik {

enum class TRENodeKind {
  kEmpty,
  kSet,
  kLineStart,
  kLineEnd,
  kConcat,
  kUnion,
  kStar,
  kPlus,
  kQuestion
};

struct TRENode {
  TRENodeKind kind = TRENodeKind::kEmpty;
  int left = -1;   // operand of a postfix node, first part of a concatenation or union
  int right = -1;  // second part of a concatenation or union
  int set = -1;    // index into TREParseTree::sets for kSet
};

// Nodes are stored children first, so a pass in index order visits every child before its parent.
struct TREParseTree {
  std::vector<TRENode> nodes;
  std::vector<TCodeRanges> sets;
  int root = -1;
  TEncoding encoding = TEncoding::kCp932;  // of the pattern and of the texts it is run on
};

class TREParser {
 public:
  // Throws ERegExpParser for a malformed pattern.
  static TREParseTree Parse(std::string_view pattern, TEncoding encoding);
};

}  // namespace zorvik
