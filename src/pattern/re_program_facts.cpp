#include "pattern/re_program_facts.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/sjis.h"

namespace zorvik {
namespace {

// The one code of a character instruction's set, or 0 when the set holds more than one.
std::uint32_t SingleCode(const TRE_NFA& nfa, const TREInstruction& inst) {
  const TCodeRanges& set = nfa.Sets()[inst.set];
  return (set.size() == 1 && set[0].first == set[0].second) ? set[0].first : 0;
}

// Walks the program from the instructions on `stack` through splits, no-ops and assertions
// (taken as passable, which can only make the callers' findings smaller); at a character
// instruction, `pass(pc)` says whether the walk goes on past it. True as soon as the match
// instruction is reached.
template <typename Pass>
bool ReachesMatch(const TRE_NFA& nfa, std::vector<int> stack, Pass pass) {
  const std::vector<TREInstruction>& program = nfa.Program();
  std::vector<std::uint8_t> seen(program.size(), 0);
  while (!stack.empty()) {
    const int pc = stack.back();
    stack.pop_back();
    if (seen[pc]) continue;
    seen[pc] = 1;
    const TREInstruction& inst = program[pc];
    switch (inst.op) {
      case TREInstruction::kMatch:
        return true;
      case TREInstruction::kChar:
        if (pass(pc)) stack.push_back(inst.out);
        break;
      case TREInstruction::kSplit:
        stack.push_back(inst.out1);
        [[fallthrough]];
      default:
        stack.push_back(inst.out);
        break;
    }
  }
  return false;
}

}  // namespace

std::string RequiredPrefix(const TRE_NFA& nfa, std::size_t max_bytes) {
  const std::vector<TREInstruction>& program = nfa.Program();
  std::string prefix;
  std::vector<int> current{nfa.Start()};
  while (prefix.size() < max_bytes) {
    std::vector<int> consumers;
    const bool may_end = ReachesMatch(nfa, current, [&](int pc) {
      consumers.push_back(pc);
      return false;
    });
    if (may_end || consumers.empty()) return prefix;
    const std::uint32_t code = SingleCode(nfa, program[consumers.front()]);
    for (int pc : consumers) {
      if (code == 0 || SingleCode(nfa, program[pc]) != code) return prefix;
    }
    AppendCode(prefix, code, nfa.Encoding());
    current.clear();
    for (int pc : consumers) current.push_back(program[pc].out);
  }
  return prefix;
}

std::string RequiredBytes(const TRE_NFA& nfa) {
  const std::vector<TREInstruction>& program = nfa.Program();
  std::vector<std::uint32_t> candidates;
  for (const TREInstruction& inst : program) {
    if (inst.op != TREInstruction::kChar) continue;
    const std::uint32_t code = SingleCode(nfa, inst);
    // (A code that is one byte in the text: below 0x100 in Shift-JIS, ASCII in UTF-8.)
    if (code > 0 && code < (nfa.Encoding() == TEncoding::kCp932 ? 0x100u : 0x80u))
      candidates.push_back(code);
  }
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  std::string required;
  for (std::uint32_t code : candidates) {
    if (required.size() == 4) break;
    const bool avoidable = ReachesMatch(
        nfa, {nfa.Start()}, [&](int pc) { return SingleCode(nfa, program[pc]) != code; });
    if (!avoidable) required += static_cast<char>(code);
  }
  return required;
}

}  // namespace zorvik
