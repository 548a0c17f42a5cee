// The automaton's matcher: states made as the text needs them (from the program's threads,
// group by group), the step loop over the text, and the memory budget that flushes them.
#include "pattern/re_dfa.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "pattern/re_decode.h"
#include "text/sjis.h"

namespace zorvik {

std::size_t TRE_DFA::KeyHash::operator()(const Key& key) const noexcept {
  std::size_t h = 1469598103934665603ull;
  for (std::int32_t v : key) h = (h ^ static_cast<std::uint32_t>(v)) * 1099511628211ull;
  return h;
}

namespace {

std::size_t GroupCount(const std::vector<std::int32_t>& key) {
  std::size_t groups = 0;
  for (std::size_t i = 1; i < key.size(); i += 1 + static_cast<std::size_t>(key[i])) ++groups;
  return groups;
}

}  // namespace

TRE_DFA::TRE_DFA(TRE_NFA nfa, bool crlf, std::size_t memory_budget)
    : nfa_(std::move(nfa)), crlf_(crlf), memory_budget_(memory_budget) {
  BuildClasses();
  mark_.assign(nfa_.Program().size() * 2, 0);
  Flush();
}

void TRE_DFA::BuildClasses() {
  // Codes fall into the same class when no code set of the program tells them apart; CR and LF
  // have classes of their own because the line assertions look at them. Codes from 0x10000 on
  // (UTF-8 only) get their classes from a sorted list of where they change.
  std::vector<std::uint8_t> cut(0x10001, 0);
  std::vector<std::uint32_t> high_cuts{0x10000};
  cut[0] = 1;
  for (const TCodeRanges& set : nfa_.Sets()) {
    for (const auto& [lo, hi] : set) {
      cut[std::min<std::uint32_t>(lo, 0x10000)] = 1;
      cut[std::min<std::uint32_t>(hi + 1, 0x10000)] = 1;
      if (lo > 0x10000) high_cuts.push_back(lo);
      if (hi + 1 > 0x10000) high_cuts.push_back(hi + 1);
    }
  }
  std::sort(high_cuts.begin(), high_cuts.end());
  high_cuts.erase(std::unique(high_cuts.begin(), high_cuts.end()), high_cuts.end());
  cut[0x0A] = cut[0x0B] = cut[0x0D] = cut[0x0E] = 1;
  class_of_.resize(0x10000);
  int cls = -1;
  for (std::uint32_t code = 0; code < 0x10000; ++code) {
    if (cut[code]) {
      ++cls;
      class_code_.push_back(code);
    }
    class_of_[code] = static_cast<std::uint16_t>(cls);
  }
  high_classes_from_ = cls + 1;
  if (nfa_.Encoding() == TEncoding::kUtf8) {
    for (const std::uint32_t high : high_cuts) {
      ++cls;
      class_code_.push_back(high);
    }
  }
  class_count_ = cls + 1;
  end_class_ = class_count_;
  decode_column_ = class_count_ + 1;
  // Rows are a power of two long, so that a row turns back into its state with a shift.
  stride_shift_ = 0;
  while ((1 << stride_shift_) < class_count_ + 2) ++stride_shift_;
  stride_ = 1 << stride_shift_;
  row_shift_ = stride_shift_ + 2;
  lf_class_ = class_of_[0x0A];
  cr_class_ = class_of_[0x0D];
  // A byte that is a whole character has its class; the rest (lead bytes, bytes of UTF-8
  // sequences, and NUL where it ends the text) are decoded.
  for (int ends_at_nul = 0; ends_at_nul < 2; ++ends_at_nul) {
    for (unsigned b = 0; b < 256; ++b) {
      const bool whole = nfa_.Encoding() == TEncoding::kUtf8
                             ? b < 0x80
                             : !IsLeadByte(static_cast<unsigned char>(b));
      byte_class_[ends_at_nul][b] =
          whole && !(ends_at_nul && b == 0) ? class_of_[b] : decode_column_;
    }
  }
}

int TRE_DFA::HighClass(std::uint32_t code) const {
  const auto first = class_code_.begin() + high_classes_from_;
  return high_classes_from_ +
         static_cast<int>(std::upper_bound(first, class_code_.end(), code) - first) - 1;
}

void TRE_DFA::Closure(int pc, bool line_start, bool line_end, std::vector<int>& consumers,
                      bool& accept) {
  // Threads are instruction * 2 + 1 once they have passed "$", after which they cannot consume.
  const std::vector<TREInstruction>& program = nfa_.Program();
  stack_.push_back(pc * 2);
  while (!stack_.empty()) {
    const int thread = stack_.back();
    stack_.pop_back();
    if (mark_[thread] == generation_) continue;
    mark_[thread] = generation_;
    const TREInstruction& inst = program[thread / 2];
    const int passed_end = thread & 1;
    switch (inst.op) {
      case TREInstruction::kChar:
        if (!passed_end) consumers.push_back(thread / 2);
        break;
      case TREInstruction::kMatch:
        accept = true;
        break;
      case TREInstruction::kSplit:
        stack_.push_back(inst.out1 * 2 + passed_end);
        stack_.push_back(inst.out * 2 + passed_end);
        break;
      case TREInstruction::kNop:
        stack_.push_back(inst.out * 2 + passed_end);
        break;
      case TREInstruction::kLineStart:
        if (line_start) stack_.push_back(inst.out * 2 + passed_end);
        break;
      case TREInstruction::kLineEnd:
        if (line_end) stack_.push_back(inst.out * 2 + 1);
        break;
    }
  }
}

const TRE_DFA::ClosureList* TRE_DFA::WorkOutClosure(int pc, bool line_start, bool line_end) {
  // Bounded: a program whose every instruction reaches every other would need its size squared.
  constexpr std::size_t kMaxEntries = 1u << 20;
  if (closures_.empty()) closures_.resize(nfa_.Program().size() * 4);
  ClosureList& list = closures_[ClosureIndex(pc, line_start, line_end)];
  if (list.known) return &list;
  if (closure_entries_ >= kMaxEntries) return nullptr;
  // Worked out with marks of its own, so that those of the step under way stay as they are.
  std::vector<std::uint32_t> step_marks(mark_.size(), 0);
  step_marks.swap(mark_);
  const std::uint32_t step_generation = generation_;
  generation_ = 1;
  Closure(pc, line_start, line_end, list.consumers, list.accept);
  mark_.swap(step_marks);
  generation_ = step_generation;
  list.known = true;
  closure_entries_ += list.consumers.size() + 1;
  return &list;
}

bool TRE_DFA::LookUpSetHoldsClass(int set, int cls) {
  const std::size_t classes = static_cast<std::size_t>(class_count_);
  const std::size_t size = nfa_.Sets().size() * classes;
  if (size > (1u << 20)) return RangesContain(nfa_.Sets()[set], class_code_[cls]);
  if (set_holds_class_.empty()) set_holds_class_.assign(size, -1);
  std::int8_t& held = set_holds_class_[static_cast<std::size_t>(set) * classes + cls];
  if (held < 0) held = RangesContain(nfa_.Sets()[set], class_code_[cls]) ? 1 : 0;
  return held == 1;
}

void TRE_DFA::Step(const Key& key, int cls, StepResult& result) {
  const bool line_start = key[0] & kFlagLineStart;
  const bool matched = key[0] & kFlagMatched;
  const bool line_end = cls == end_class_ || cls == (crlf_ ? cr_class_ : lf_class_);

  // Scratch kept by the automaton: a new state is made for almost every character of a text
  // whose states do not repeat, and allocating for each would cost more than the step.
  step_groups_.clear();  // offset in key, size
  for (std::size_t i = 1; i < key.size(); i += 1 + static_cast<std::size_t>(key[i])) {
    step_groups_.emplace_back(i + 1, static_cast<std::size_t>(key[i]));
  }
  const std::size_t total = step_groups_.size() + (matched ? 0 : 1);

  auto next_generation = [this] {
    if (++generation_ == 0) {
      std::fill(mark_.begin(), mark_.end(), 0);
      generation_ = 1;
    }
  };

  result.next.clear();
  result.accept = kNoAccept;
  result.survivors.clear();
  result.trivial = false;
  next_generation();
  step_consumers_.clear();      // the consuming threads of every group, one after the other
  step_consumer_ends_.clear();  // where each group ends in step_consumers_
  std::size_t live = total;
  for (std::size_t g = 0; g < total; ++g) {
    bool accept = false;
    // The group's threads, or the start of a new group. A consumer reached by an earlier
    // group stays with it; a walk that met a thread of an earlier group would only have found
    // what that group found, the match included (which ends the loop), so each thread's kept
    // closure gives what the walk gives. (One loop, no helper: this is the hottest code of a
    // pattern whose states do not repeat.)
    const bool old_group = g < step_groups_.size();
    const std::size_t offset = old_group ? step_groups_[g].first : 0;
    const std::size_t threads = old_group ? step_groups_[g].second : 1;
    for (std::size_t j = 0; j < threads; ++j) {
      const int pc = old_group ? key[offset + j] : nfa_.Start();
      const ClosureList* kept = KeptClosure(pc, line_start, line_end);
      if (kept == nullptr) {
        Closure(pc, line_start, line_end, step_consumers_, accept);
        continue;
      }
      accept = accept || kept->accept;
      for (const int consumer : kept->consumers) {
        if (mark_[static_cast<std::size_t>(consumer) * 2] == generation_) continue;
        mark_[static_cast<std::size_t>(consumer) * 2] = generation_;
        step_consumers_.push_back(consumer);
      }
    }
    step_consumer_ends_.push_back(step_consumers_.size());
    if (accept) {
      result.accept = g < step_groups_.size() ? static_cast<int>(g) : kNewGroup;
      live = g + 1;  // later starts can no longer win
      break;
    }
  }
  if (cls == end_class_) return;

  const bool now_matched = matched || result.accept != kNoAccept;
  result.next.push_back((nfa_.HasLineStart() && cls == lf_class_ ? kFlagLineStart : 0) |
                        (now_matched ? kFlagMatched : 0));
  next_generation();
  std::vector<int>& targets = step_targets_;
  for (std::size_t g = 0; g < live; ++g) {
    targets.clear();
    const std::size_t begin = g == 0 ? 0 : step_consumer_ends_[g - 1];
    for (std::size_t c = begin; c < step_consumer_ends_[g]; ++c) {
      const TREInstruction& inst = nfa_.Program()[step_consumers_[c]];
      if (!SetHoldsClass(inst.set, cls)) continue;
      if (mark_[static_cast<std::size_t>(inst.out) * 2] == generation_) continue;
      mark_[static_cast<std::size_t>(inst.out) * 2] = generation_;
      targets.push_back(inst.out);
    }
    if (targets.empty()) continue;
    std::sort(targets.begin(), targets.end());
    result.next.push_back(static_cast<std::int32_t>(targets.size()));
    result.next.insert(result.next.end(), targets.begin(), targets.end());
    result.survivors.push_back(g < step_groups_.size() ? static_cast<int>(g) : kNewGroup);
  }
  // The first group stays the one born on leaving a state without groups while it lives.
  if (!result.survivors.empty() &&
      (step_groups_.empty() || ((key[0] & kFlagFirstBorn) && result.survivors[0] == 0))) {
    result.next[0] |= kFlagFirstBorn;
  }
  result.trivial = result.accept == kNoAccept && result.survivors.size() == step_groups_.size();
  for (std::size_t g = 0; result.trivial && g < result.survivors.size(); ++g) {
    result.trivial = result.survivors[g] == static_cast<int>(g);
  }
}

int TRE_DFA::Intern(Key key) {
  if (auto it = ids_.find(key); it != ids_.end()) return it->second;
  const std::size_t cost = static_cast<std::size_t>(stride_) * 4 + key.size() * 8 + 64;
  if (memory_ + cost > memory_budget_ && !keys_.empty()) {
    Flush();
    if (auto it = ids_.find(key); it != ids_.end()) return it->second;
  }
  const bool dead = (key[0] & kFlagMatched) && key.size() == 1;
  const int id = static_cast<int>(keys_.size());
  auto [it, inserted] = ids_.emplace(std::move(key), id);
  keys_.push_back(&it->first);
  dead_.push_back(dead ? 1 : 0);
  table_.resize(table_.size() + static_cast<std::size_t>(stride_), kUnknown);
  table_[table_.size() - stride_ + decode_column_] = kDecode;
  group_changes_.resize((table_.size() + 63) / 64, 0);
  memory_ += cost;
  ++states_made_;
  return id;
}

void TRE_DFA::Flush() {
  ids_.clear();
  keys_.clear();
  dead_.clear();
  table_.clear();
  specials_.clear();
  group_specials_.clear();
  group_changes_.clear();
  memory_ = 0;
  ++flushes_;
  idle_ = Intern(Key{0});
}

std::int32_t TRE_DFA::Compute(int state, int cls, int& special) {
  const Key key = *keys_[state];  // copied: interning the next state may empty the cache
  const unsigned flushes_before = flushes_;
  StepResult step = Step(key, cls);
  const int next = Intern(std::move(step.next));
  // A plain transition holds where the next state's row starts, so that the hot loop follows
  // it without a multiplication.
  std::int32_t entry = next << row_shift_;
  special = -1;
  const std::size_t slot = static_cast<std::size_t>(state) * stride_ + cls;
  if (!step.trivial) {
    const std::size_t groups = GroupCount(key);
    memory_ += sizeof(Special) + step.survivors.size() * sizeof(int);
    const RemapKind remap = ClassifyRemap(step.survivors, groups);
    specials_.push_back({next, step.accept, remap, std::move(step.survivors), groups == 0,
                         (key[0] & kFlagLineStart) != 0,
                         step.accept == 0 && (key[0] & kFlagFirstBorn) != 0});
    special = static_cast<int>(specials_.size() - 1);
    // Only the groups change: a plain step for a search that does not follow the starts. Not
    // into the dead state, where every search stops.
    if (groups > 0 && step.accept == kNoAccept && !dead_[next]) {
      memory_ += 4 * sizeof(std::size_t);
      if (flushes_ == flushes_before) {
        group_specials_.emplace(slot, special);
        group_changes_[slot / 64] |= std::uint64_t{1} << (slot % 64);
      }
    } else {
      entry = -2 - special;
    }
  }
  if (flushes_ == flushes_before) table_[slot] = entry;
  return entry;
}

int TRE_DFA::EndAccept(int state) {
  std::int32_t& entry = table_[static_cast<std::size_t>(state) * stride_ + end_class_];
  if (entry == kUnknown) entry = Step(*keys_[state], end_class_).accept + 2;
  return entry - 2;
}

TRE_DFA::RemapKind TRE_DFA::ClassifyRemap(const std::vector<int>& survivors,
                                          std::size_t old_groups) {
  // The old groups that survive, in order, as a prefix: the common shapes get a fast path.
  std::size_t prefix = 0;
  while (prefix < survivors.size() && survivors[prefix] == static_cast<int>(prefix)) ++prefix;
  if (prefix == survivors.size()) return prefix == old_groups ? kKeep : kTruncate;
  if (prefix + 1 == survivors.size() && prefix == old_groups && survivors[prefix] == kNewGroup) {
    return kAppendNew;
  }
  return kGeneral;
}

void TRE_DFA::ApplySurvivors(const Special& special, std::size_t p) {
  switch (special.remap) {
    case kKeep:
      return;
    case kTruncate:
      starts_.resize(special.survivors.size());
      return;
    case kAppendNew:
      starts_.push_back(p);
      return;
    case kGeneral:
      break;
  }
  starts_next_.clear();
  for (int from : special.survivors) starts_next_.push_back(from == kNewGroup ? p : starts_[from]);
  starts_.swap(starts_next_);
}

TREFindResult TRE_DFA::Find(std::string_view text, std::size_t from, bool line_start_at_from,
                            bool ends_at_nul) {
  PrepareAccel();
  if (delimited_) {
    return ends_at_nul ? FindDelimited<true>(text, from) : FindDelimited<false>(text, from);
  }
  if (nfa_.Encoding() == TEncoding::kUtf8) {
    return ends_at_nul ? FindIn<true, true>(text, from, line_start_at_from)
                       : FindIn<false, true>(text, from, line_start_at_from);
  }
  return ends_at_nul ? FindIn<true, false>(text, from, line_start_at_from)
                     : FindIn<false, false>(text, from, line_start_at_from);
}

bool TRE_DFA::LooksForRequired(std::string_view text, std::size_t at) {
  // Every match needs the required bytes: when the rest of the text lacks one, there is none.
  // Each is looked for from the end of the text back (from the first place a match could
  // start), and where it was last found is kept: the searches of one replacement all run on
  // one text, and a byte found beyond the start need not be looked for again. (Kept places
  // only ever skip the look, so a text changed since can cost a shortcut, never a match.)
  if (required_text_ != text.data() || required_size_ != text.size()) {
    required_text_ = text.data();
    required_size_ = text.size();
    required_seen_.assign(required_bytes_.size(), 0);
  }
  required_least_ = 0;  // (until every byte is known to be there)
  for (std::size_t i = 0; i < required_bytes_.size(); ++i) {
    if (required_seen_[i] > at) continue;
    const void* hit = at < text.size()
                          ? ::memrchr(text.data() + at, required_bytes_[i], text.size() - at)
                          : nullptr;
    if (hit == nullptr) return true;
    required_seen_[i] = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) + 1;
  }
  required_least_ = std::numeric_limits<std::size_t>::max();
  for (const std::size_t seen : required_seen_) required_least_ = std::min(required_least_, seen);
  return false;
}

template <bool kEndsAtNul, bool kUtf8>
TREFindResult TRE_DFA::FindIn(std::string_view text, std::size_t from, bool line_start_at_from) {
  PrepareAccel();
  TREFindResult result;
  bool required_pending = !required_bytes_.empty();
  starts_.clear();
  tracked_ = false;
  int state = (line_start_at_from && nfa_.HasLineStart()) ? Intern(Key{kFlagLineStart}) : idle_;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t n = text.size();  // with kEndsAtNul, cut down when the NUL is met
  const bool accelerate = accel_ != kAccelNone;
  if (required_pending && !accelerate) {
    if (LacksRequired(text, from)) return result;
    required_pending = false;
  }
  std::size_t p = from;
  bool go_direct = false;
  std::size_t direct_window = kDirectWindow;
  unsigned seen_flushes = flushes_;
  std::size_t seen_states = states_made_;
  std::size_t seen_at = p;
  for (;;) {
    if (p >= n) {
      const int accept = EndAccept(state);
      if (accept == kNoAccept) return result;
      if (tracked_ || accept == kNewGroup ||
          (accept == 0 && ((*keys_[state])[0] & kFlagFirstBorn))) {
        const std::size_t start = accept == kNewGroup ? n : tracked_ ? starts_[accept] : born_at_;
        return {true, start, n};
      }
      Replay(p, state, result);
      continue;
    }
    if (state == idle_ && accelerate) {
      p = SkipIdle<kEndsAtNul>(text, p);
      if (p >= n) continue;
      if (kEndsAtNul && bytes[p] == 0) {
        n = p;
        continue;
      }
      if (required_pending) {
        if (LacksRequired(text, p)) return result;  // idle: nothing found so far
        required_pending = false;
      }
    }
    if (go_direct) {
      go_direct = false;
      // Each time the cache thrashes again, the next stretch without it is twice as long.
      const DirectEnd end = StepDirect<kEndsAtNul, kUtf8>(
          bytes, n, p, p + std::min(n - p, direct_window), state, result);
      if (end == kDirectDied) return result;
      if (end == kDirectReplay) Replay(p, state, result);
      direct_window *= 2;
      seen_flushes = flushes_;
      seen_states = states_made_;
      seen_at = p;
      continue;
    }
    // The hot loop, as long as the transitions are plain ones.
    const std::int64_t stop_row = accelerate ? std::int64_t{idle_} << row_shift_ : -1;
    std::int64_t row = std::int64_t{state} << row_shift_;
    std::size_t len = 0;
    int cls = 0;
    std::int32_t entry = 0;
    const PlainEnd end =
        tracked_ ? RunPlain<kEndsAtNul, kUtf8, true>(bytes, n, stop_row, p, row, cls, len, entry)
                 : RunPlain<kEndsAtNul, kUtf8, false>(bytes, n, stop_row, p, row, cls, len, entry);
    state = static_cast<int>(row >> row_shift_);
    if (end == kPlainTextEnded) {
      n = p;
      continue;
    }
    if (end == kPlainStepped) continue;  // the end, or the idle state, whose skip takes over
    int special = entry < -1 ? -2 - entry : -1;
    if (entry == kUnknown) {
      entry = Compute(state, cls, special);
      // Emptied, with most characters having needed a state of their own: the states do not
      // repeat, and making them costs more than stepping without them.
      if (flushes_ != seen_flushes) {
        go_direct = (states_made_ - seen_states) * 2 > p - seen_at;
        seen_flushes = flushes_;
        seen_states = states_made_;
        seen_at = p;
      }
      if (!tracked_ && entry >= 0) special = -1;
    } else if (entry >= 0) {
      special = group_specials_.find(static_cast<std::size_t>(state) * stride_ + cls)->second;
    }
    if (special < 0) {
      state = entry >> row_shift_;
      p += len;
      continue;
    }
    const Special& record = specials_[static_cast<std::size_t>(special)];
    if (tracked_) {
      if (record.accept != kNoAccept) {
        result = {true, record.accept == kNewGroup ? p : starts_[record.accept], p};
      }
      ApplySurvivors(record, p);
    } else {
      if (record.from_empty) {
        born_at_ = p;
        born_at_line_start_ = record.from_line_start;
      }
      if (record.accept != kNoAccept) {
        if (record.accept != kNewGroup && !record.accept_first_born) {
          Replay(p, state, result);
          continue;
        }
        result = {true, record.accept == kNewGroup ? p : born_at_, p};
      }
    }
    state = record.next;
    if (dead_[state]) return result;
    p += len;
  }
}

template <bool kEndsAtNul, bool kUtf8, bool kTracked>
TRE_DFA::PlainEnd TRE_DFA::RunPlain(const unsigned char* bytes, std::size_t n,
                                    std::int64_t stop_row, std::size_t& p, std::int64_t& row,
                                    int& cls, std::size_t& len, std::int32_t& entry) const {
  // One character a round: its class (a byte of its own: one look-up), then the next state's
  // row. The loads of the row are the only chain from round to round, so the table is indexed
  // from the class's column.
  const std::int32_t* const table = table_.data();
  const std::uint32_t* const byte_classes = byte_class_[kEndsAtNul ? 1 : 0].data();
  // Locals, written back on the way out: through the references they would go to memory at
  // every step.
  std::size_t at = p;
  std::int64_t r = row;
  // The entry for class c in the current row.
  const auto look_up = [&](std::uint32_t c) -> std::int64_t {
    const char* column = reinterpret_cast<const char*>(table + c);
    // Kept as a base of its own: left to itself the compiler adds the class to the row, and
    // that addition would lengthen the chain.
    asm("" : "+r"(column));
    return *reinterpret_cast<const std::int32_t*>(column + r);
  };
  PlainEnd end = kPlainStepped;
  for (;;) {
    std::uint32_t c;
    std::int64_t next;
    // Characters of one byte, as long as their transitions are plain; the end or stop_row
    // ends the search here.
    bool done = false;
    for (;;) {
      c = byte_classes[bytes[at]];
      next = look_up(c);
      if (next < 0) break;
      if constexpr (kTracked) {
        const std::size_t slot = static_cast<std::size_t>(r >> 2) + c;
        if ((group_changes_[slot / 64] >> (slot % 64)) & 1) break;
      }
      r = next;
      ++at;
      if (at >= n || r == stop_row) {
        done = true;
        break;
      }
    }
    if (done) break;
    // A character to decode, or a transition that is not plain.
    std::size_t step = 1;
    if (next == kDecode) {
      std::uint32_t code;
      if (!DecodeAt<kEndsAtNul, kUtf8>(bytes, n, at, code, step)) {
        end = kPlainTextEnded;
        break;
      }
      c = code < 0x10000 ? class_of_[code] : static_cast<std::uint32_t>(HighClass(code));
      next = look_up(c);
    }
    bool stop = next < 0;
    if constexpr (kTracked) {
      const std::size_t slot = static_cast<std::size_t>(r >> 2) + c;
      stop = stop || ((group_changes_[slot / 64] >> (slot % 64)) & 1) != 0;
    }
    if (stop) {
      cls = static_cast<int>(c);
      len = step;
      entry = static_cast<std::int32_t>(next);
      end = kPlainStopped;
      break;
    }
    r = next;
    at += step;
    if (at >= n || r == stop_row) break;
  }
  p = at;
  row = r;
  return end;
}

void TRE_DFA::Replay(std::size_t& p, int& state, TREFindResult& result) {
  p = born_at_;
  state = born_at_line_start_ ? Intern(Key{kFlagLineStart}) : idle_;
  result = {};
  starts_.clear();
  tracked_ = true;
}

template <bool kEndsAtNul, bool kUtf8>
TRE_DFA::DirectEnd TRE_DFA::StepDirect(const unsigned char* bytes, std::size_t& n, std::size_t& p,
                                       std::size_t until, int& state, TREFindResult& result) {
  Key key = *keys_[state];
  StepResult step;
  while (p < until) {
    std::uint32_t code;
    std::size_t len;
    if (!DecodeAt<kEndsAtNul, kUtf8>(bytes, n, p, code, len)) {
      n = p;
      break;
    }
    Step(key, code < 0x10000 ? class_of_[code] : HighClass(code), step);
    if (!step.trivial && tracked_) {
      if (step.accept != kNoAccept) {
        result = {true, step.accept == kNewGroup ? p : starts_[step.accept], p};
      }
      const RemapKind remap = ClassifyRemap(step.survivors, GroupCount(key));
      ApplySurvivors({0, step.accept, remap, step.survivors}, p);
    } else if (!step.trivial) {
      if (key.size() == 1) {  // no group yet: one is born here
        born_at_ = p;
        born_at_line_start_ = (key[0] & kFlagLineStart) != 0;
      }
      if (step.accept != kNoAccept) {
        if (step.accept != kNewGroup && !(step.accept == 0 && (key[0] & kFlagFirstBorn))) {
          return kDirectReplay;
        }
        result = {true, step.accept == kNewGroup ? p : born_at_, p};
      }
    }
    key.swap(step.next);
    p += len;
    if ((key[0] & kFlagMatched) && key.size() == 1) return kDirectDied;  // nothing can follow
    if (key.size() == 1 && key[0] == 0) break;  // idle again: the cache's skips take over
  }
  state = Intern(std::move(key));
  return kDirectBack;
}

}  // namespace zorvik
