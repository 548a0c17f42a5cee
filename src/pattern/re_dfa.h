// The deterministic automaton that runs a pattern: built lazily, one state at a time, as the
// text asks for it, and kept within a memory budget.
//
// How it finds the leftmost-longest match in one forward pass: a state is an ordered list of
// groups of program threads, one group per start position still alive, earliest start first.
// Each step starts a new group at the current character (until a match is found), follows the
// empty transitions of every group with the line context of this position, and then consumes
// the character. A thread reached by an earlier group is dropped from later ones: from the same
// thread the future is the same, and the earlier start wins. When a group reaches the match
// instruction, every later group is dropped and no new one starts; earlier groups run on, since
// a match of theirs would start further left. The last acceptance before the state dies is the
// answer. The text is therefore read once, whatever the pattern, and the start position of each
// live group is the only per-position data kept beside the state number.
//
// The start positions are not followed until they are needed. A search first runs without them:
// the table's transitions that only change the groups are plain there (a bit beside the table
// marks them), and the text is stepped through as fast as a plain automaton's. Only leaving a
// state without groups (a group is born: its position is noted) and accepting stop the step
// loop. An acceptance by the group born at that noted position (the state's key says whether the
// first group still is that one), or by a group born on the spot, gives its start at once. Any
// other acceptance has the search go back to the noted position and run again from there, this
// time following the start of every group through the records of the transitions that change
// them; no group alive then was born earlier, so the text is stepped through at most twice.
//
// Transitions that keep the groups as they were (the common case) are plain state numbers in
// the table; the rest point to a record that says which groups survive and whether one accepted.
// In the state with no live group, characters that cannot begin a match are skipped with
// memchr when only one byte value can; when every match begins with a literal, by memchr on
// the byte of it least likely to turn up in a page, or, where that finds many false starts, by
// a vector scan for the literal's first and last byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pattern/re_nfa.h"

namespace zorvik {

struct TREFindResult {
  bool found = false;
  std::size_t start = 0;  // byte offsets into the text
  std::size_t end = 0;
};

class TRE_DFA {
 public:
  // crlf: "$" holds before CR (else before LF).
  // memory_budget: see kMemoryBudget (tests give a small one to exercise the emptying).
  TRE_DFA(TRE_NFA nfa, bool crlf, std::size_t memory_budget = kMemoryBudget);

  // The leftmost-longest match in text that starts at or after byte offset from, which must be
  // where a character starts. text ends at its end, or with ends_at_nul at its first NUL byte,
  // which is then found on the way instead of by a scan of its own.
  // line_start_at_from: "^" holds at from.
  TREFindResult Find(std::string_view text, std::size_t from, bool line_start_at_from,
                     bool ends_at_nul = false);

  // Memory kept for states and transitions before the cache is emptied and rebuilt.
  static constexpr std::size_t kMemoryBudget = 4u << 20;
  // Bytes stepped without the cache before it is tried again.
  static constexpr std::size_t kDirectWindow = 64u << 10;

 private:
  using Key = std::vector<std::int32_t>;  // flags, then per group: size, thread instructions
  struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept;
  };
  // A transition that changes the groups or accepts.
  // How the start positions of the live groups change along a transition.
  enum RemapKind : unsigned char { kKeep, kTruncate, kAppendNew, kGeneral };
  struct Special {
    int next = 0;
    int accept = kNoAccept;  // group that accepted: old index, kNewGroup, or kNoAccept
    RemapKind remap = kGeneral;
    std::vector<int> survivors;      // for each group of next: old index or kNewGroup
    bool from_empty = false;         // leaves a state without groups: a group is born here
    bool from_line_start = false;    // and "^" held there
    bool accept_first_born = false;  // the accepting group is the one born when that happened
  };
  struct StepResult {
    Key next;
    int accept = kNoAccept;
    std::vector<int> survivors;
    bool trivial = false;
  };
  // kAccelMemchr: only accel_byte_ leaves the idle state. kAccelPrefix: besides, every match
  // begins with the bytes of accel_prefix_ (two or more).
  enum AccelMode { kAccelUnknown, kAccelNone, kAccelMemchr, kAccelPrefix, kAccelToEnd };

  static constexpr int kNoAccept = -2;
  static constexpr int kNewGroup = -1;
  static constexpr std::int32_t kUnknown = -1;
  static constexpr std::int32_t kFlagLineStart = 1;
  static constexpr std::int32_t kFlagMatched = 2;
  // The first group is the one born when the automaton last left a state without groups.
  static constexpr std::int32_t kFlagFirstBorn = 4;

  void BuildClasses();
  StepResult Step(const Key& key, int cls) {
    StepResult result;
    Step(key, cls, result);
    return result;
  }
  // The same into result, whose vectors keep their storage from step to step.
  void Step(const Key& key, int cls, StepResult& result);
  void Closure(int pc, bool line_start, bool line_end, std::vector<int>& consumers, bool& accept);
  // What Closure finds from pc alone (its consumers and whether it reaches the match), kept once
  // worked out; nullptr when the kept lists have grown too large.
  struct ClosureList {
    std::vector<int> consumers;
    bool accept = false;
    bool known = false;
  };
  static std::size_t ClosureIndex(int pc, bool line_start, bool line_end) {
    return static_cast<std::size_t>(pc) * 4 + (line_start ? 2 : 0) + (line_end ? 1 : 0);
  }
  const ClosureList* KeptClosure(int pc, bool line_start, bool line_end) {
    if (!closures_.empty()) {
      const ClosureList& list = closures_[ClosureIndex(pc, line_start, line_end)];
      if (list.known) return &list;
    }
    return WorkOutClosure(pc, line_start, line_end);
  }
  const ClosureList* WorkOutClosure(int pc, bool line_start, bool line_end);
  // Whether the instruction's set holds the character class, kept once looked up.
  bool SetHoldsClass(int set, int cls) {
    if (!set_holds_class_.empty()) {
      const std::int8_t held = set_holds_class_[static_cast<std::size_t>(set) * class_count_ + cls];
      if (held >= 0) return held == 1;
    }
    return LookUpSetHoldsClass(set, cls);
  }
  bool LookUpSetHoldsClass(int set, int cls);
  int Intern(Key key);
  void Flush();
  // The entry for the transition, made now: a row or a special's index; special is that of
  // the transition's record (also for a row when only the groups change), or -1.
  std::int32_t Compute(int state, int cls, int& special);
  // Where a search that did not follow the start positions goes back to, to follow them.
  void Replay(std::size_t& p, int& state, TREFindResult& result);
  int EndAccept(int state);
  // The start scan and the required bytes, worked out at the first search.
  void PrepareAccel() {
    if (accel_ == kAccelUnknown) MakeAccel();
  }
  void MakeAccel();
  // Whether the pattern's matches are found by the scans of FindDelimited, and what they need.
  void PrepareDelimited();
  template <bool kEndsAtNul>
  TREFindResult FindDelimited(std::string_view text, std::size_t from);
  // The first offset from q on (below n) whose byte is marked in delimited_stops_, or n.
  std::size_t SkipClassBytes(const unsigned char* bytes, std::size_t q, std::size_t n) const;
  void ChooseAccel();
  template <bool kEndsAtNul, bool kUtf8>
  TREFindResult FindIn(std::string_view text, std::size_t from, bool line_start_at_from);
  // Steps from p to at most `until` without the cache, from state and back into it (the groups
  // dying out, or `until`); true when the automaton died and result is the answer.
  enum DirectEnd { kDirectBack, kDirectDied, kDirectReplay };
  // How the hot loop stopped: the character at p ended the text (a NUL), its transition is not
  // a plain one (entry and cls tell which), or one was followed to the end or to stop_row.
  enum PlainEnd { kPlainTextEnded, kPlainStopped, kPlainStepped };
  // (Not inlined: in a function of its own the loop keeps all it needs in registers.)
  template <bool kEndsAtNul, bool kUtf8, bool kTracked>
  [[gnu::noinline]] PlainEnd RunPlain(const unsigned char* bytes, std::size_t n,
                                      std::int64_t stop_row, std::size_t& p, std::int64_t& row,
                                      int& cls, std::size_t& len, std::int32_t& entry) const;
  template <bool kEndsAtNul, bool kUtf8>
  DirectEnd StepDirect(const unsigned char* bytes, std::size_t& n, std::size_t& p,
                       std::size_t until, int& state, TREFindResult& result);
  // Whether byte b is seldom seen in the pages of a site, so that scanning for it finds few
  // false starts.
  static bool IsRareInPages(unsigned char b);
  // Whether text from at on lacks a byte that every match consumes. (The common answer, on the
  // text searched last and before every required byte's place there, needs no look.)
  bool LacksRequired(std::string_view text, std::size_t at) {
    if (text.data() == required_text_ && text.size() == required_size_ && at < required_least_)
      return false;
    return LooksForRequired(text, at);
  }
  bool LooksForRequired(std::string_view text, std::size_t at);
  // Whether the text holds the whole prefix at q.
  bool PrefixAt(std::string_view text, std::size_t q) const;
  // From p in the idle state: where a match may start, or where the text ends.
  template <bool kEndsAtNul>
  std::size_t SkipIdle(std::string_view text, std::size_t p) const;
  static RemapKind ClassifyRemap(const std::vector<int>& survivors, std::size_t old_groups);
  void ApplySurvivors(const Special& special, std::size_t p);

  TRE_NFA nfa_;
  bool crlf_;
  std::vector<std::uint16_t> class_of_;  // code -> class, for codes below 0x10000
  // byte -> class when the byte is a character of its own, for a text that does not or does
  // end at a NUL; else decode_column_, whose entry in every row is kDecode: the character is
  // decoded and looked up again.
  std::array<std::array<std::uint32_t, 256>, 2> byte_class_{};
  int decode_column_ = 0;
  static constexpr std::int32_t kDecode = INT32_MIN;
  std::vector<std::uint32_t> class_code_;  // class -> a code in it (its first, in order)
  int high_classes_from_ = 0;              // the class of code 0x10000 (UTF-8 patterns)
  // The class of a code of 0x10000 or above: classes of those codes start at class_code_'s
  // entries from high_classes_from_ on.
  int HighClass(std::uint32_t code) const;
  int class_count_ = 0;
  int end_class_ = 0;  // the end of the text
  int stride_ = 0;     // a power of two, at least class_count_ + 2
  int stride_shift_ = 0;
  int row_shift_ = 0;  // a plain entry is the byte offset of its state's row: state << row_shift_
  int lf_class_ = 0;
  int cr_class_ = 0;

  std::unordered_map<Key, int, KeyHash> ids_;
  std::vector<const Key*> keys_;
  std::vector<std::uint8_t> dead_;
  std::vector<std::int32_t> table_;  // state * stride + class
  std::vector<Special> specials_;
  // The transitions that only change the groups: a bit for each place in the table, and their
  // records by that place.
  std::vector<std::uint64_t> group_changes_;
  std::unordered_map<std::size_t, int> group_specials_;
  std::size_t memory_ = 0;
  std::size_t memory_budget_;
  std::size_t states_made_ = 0;  // ever, to tell a cache that keeps refilling
  int idle_ = 0;                 // no live group, nothing matched
  unsigned flushes_ = 0;

  AccelMode accel_ = kAccelUnknown;
  unsigned char accel_byte_ = 0;
  std::string accel_prefix_;
  std::size_t accel_scan_at_ = 0;        // which byte of the prefix the scan looks for
  std::uint64_t accel_prefix_word_ = 0;  // its first eight bytes at most, as the text holds them
  std::uint64_t accel_prefix_mask_ = 0;
  // Candidates closer together than this, nine times, make the scan for both ends of the
  // prefix take over from memchr, whose calls then cost more than they skip.
  static constexpr std::size_t kDenseHitDistance = 256;
  // The pattern is a literal, a class repeated, and a character the class does not hold; a
  // character that the class does not hold begins with a byte marked in delimited_stops_.
  bool delimited_ = false;
  std::array<bool, 256> delimited_stops_{};
  std::string required_bytes_;  // bytes that every match consumes
  // The text last searched and, for each required byte, one past its last place there.
  const char* required_text_ = nullptr;
  std::size_t required_size_ = 0;
  std::vector<std::size_t> required_seen_;
  std::size_t required_least_ = 0;  // the least of required_seen_

  // Scratch space of Step and Find.
  std::vector<std::uint32_t> mark_;
  std::uint32_t generation_ = 0;
  std::vector<int> stack_;
  std::vector<ClosureList> closures_;  // pc * 4 + line start * 2 + line end
  std::size_t closure_entries_ = 0;
  std::vector<std::int8_t> set_holds_class_;  // set * class count + class: -1 unknown, 0, 1
  std::vector<std::pair<std::size_t, std::size_t>> step_groups_;
  std::vector<int> step_consumers_;
  std::vector<std::size_t> step_consumer_ends_;
  std::vector<int> step_targets_;
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> starts_next_;
  bool tracked_ = false;             // starts_ holds the start of each group
  std::size_t born_at_ = 0;          // where a state without groups was last left
  bool born_at_line_start_ = false;  // and whether "^" held there
};

}  // namespace zorvik
