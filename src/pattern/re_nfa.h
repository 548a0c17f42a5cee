// The nondeterministic automaton of a pattern: a program of instructions built from the parse
// tree by Thompson's construction. Consuming instructions test a set of character codes; the
// line-start and line-end assertions consume nothing.
#pragma once

#include <vector>

#include "pattern/re_delimited.h"
#include "pattern/re_parser.h"

namespace zorvik {

struct TREInstruction {
  enum Op : unsigned char { kChar, kSplit, kNop, kLineStart, kLineEnd, kMatch };
  Op op = kNop;
  int out = -1;   // next instruction
  int out1 = -1;  // second branch of kSplit
  int set = -1;   // code set of kChar
};

class TRE_NFA {
 public:
  explicit TRE_NFA(TREParseTree tree);

  const std::vector<TREInstruction>& Program() const { return program_; }
  const std::vector<TCodeRanges>& Sets() const { return sets_; }
  int Start() const { return start_; }
  bool HasLineStart() const { return has_line_start_; }
  TEncoding Encoding() const { return encoding_; }
  const std::optional<TREDelimited>& Delimited() const { return delimited_; }

 private:
  std::vector<TREInstruction> program_;
  std::vector<TCodeRanges> sets_;
  int start_ = 0;
  bool has_line_start_ = false;
  TEncoding encoding_ = TEncoding::kCp932;
  std::optional<TREDelimited> delimited_;
};

}  // namespace zorvik
