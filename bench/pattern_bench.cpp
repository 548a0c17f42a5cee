// The pattern component on the program's own jobs, beside RE2 and PCRE2 (JIT) doing the same
// jobs on the same input, each peer set up as its users set it up: RE2 with its defaults
// (leftmost-first) on Latin-1 bytes, PCRE2 with its defaults on bytes and JIT-compiled. Results
// are checked equal before timing. Two inputs: synthetic Shift-JIS HTML, and Japanese prose with
// few ASCII bytes (like a site's bodies). Two more jobs show that the cost stays linear and the
// automaton bounded.
//
//   build/bench/pattern_bench                       all of it
//   build/bench/pattern_bench --benchmark_filter=1MiB
#include <benchmark/benchmark.h>
#include <re2/re2.h>
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "pattern/pattern_component.h"

namespace {

using zorvik::TSecondAWKStr;

constexpr std::size_t kKiB = 1024;
constexpr std::size_t kMiB = 1024 * kKiB;

// Lines in CP932, repeated at random to the size asked for, cut at a line end.
std::string Synthetic(std::size_t size, const std::vector<std::string>& lines, unsigned seed) {
  std::mt19937 rng(seed);
  std::string text;
  text.reserve(size + 256);
  while (text.size() < size) {
    text += lines[rng() % lines.size()];
    text += "\r\n";
  }
  text.resize(text.rfind("\r\n", size - 2) + 2);
  return text;
}

// HTML with Japanese text, CR LF lines and runs of blank lines, but no "{$" tag.
std::string SyntheticHtml(std::size_t size) {
  return Synthetic(
      size,
      {
          "<p "
          "class=\"item\">\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x96\x7B\x95\xB6\x83\x65\x83\x4C\x83\x58"
          "\x83\x67\x81\x41\x82\xB1\x82\xB1\x82\xC9\x90\xE0\x96\xBE\x82\xAA\x93\xFC\x82\xE8\x82\xDC"
          "\x82\xB7\x81\x42</p>",
          "<li><a href=\"page.html\">\x95\x5C\x8E\xA6\x81\x45\x83\x5C\x83\x74\x83\x67</a></li>",
          "<div id=\"main\"><span class=\"marker1\">\x8F\x64\x97\x76</span> text</div>",
          "",
          "",
          "\x81\x40\x81\x40\x8C\x8E\x97\x6A\x93\xFA\x82\xCD\x8B\x78\x82\xDD\x82\xC5\x82\xB7\x81"
          "\x42",
      },
      42);
}

// Japanese prose: long lines of double-byte text, a blank line between paragraphs, a rare tag.
std::string SyntheticProse(std::size_t size) {
  const std::string sentence =
      "\x8D\xA1\x93\xFA\x82\xCD\x90\xC2\x8B\xF3\x82\xAA\x8D\x4C\x82\xAA\x82\xE8\x81\x41\x90\x58"
      "\x82\xCC\x96\xD8\x81\x58\x82\xAA\x95\x97\x82\xC9\x97\x68\x82\xEA\x82\xC4\x82\xA2\x82\xDC"
      "\x82\xB7\x81\x42";  // 今日は青空が広がり、森の木々が風に揺れています。
  return Synthetic(size,
                   {sentence + sentence + sentence, sentence + sentence, "", "",
                    sentence + "<em>" + sentence + "</em>" + sentence},
                   7);
}

const std::string& Input(const std::string& kind, std::size_t size) {
  static std::map<std::pair<std::string, std::size_t>, std::string> cache;
  auto it = cache.find({kind, size});
  if (it == cache.end()) {
    it = cache
             .emplace(std::make_pair(kind, size),
                      kind == "prose" ? SyntheticProse(size) : SyntheticHtml(size))
             .first;
  }
  return it->second;
}

// A found match: byte offset and length; start -1 when there is none.
struct TFound {
  long long start = -1;
  long long length = 0;
  bool gave_up = false;  // the engine stopped with an error (a limit), which is no answer
  bool operator==(const TFound& o) const {
    return start == o.start && length == o.length && gave_up == o.gave_up;
  }
};

class TZorvik {
 public:
  // The program's own dialect.
  explicit TZorvik(const char* pattern, const char*) { component_.SetRegExp(pattern); }
  TFound Find(const std::string& text) {
    const auto m = component_.Match(text);
    return m.position > 0 ? TFound{m.position - 1, m.length} : TFound{};
  }
  int ReplaceAll(std::string& text, const char* replacement) {
    return component_.ReplaceAll(replacement, text);
  }

 private:
  TSecondAWKStr component_;
};

class TRe2 {
 public:
  // The same job in RE2's syntax; a tag never spans a line, as the component's classes.
  explicit TRe2(const char*, const char* pattern) : re_(pattern, Options()) {}
  TFound Find(const std::string& text) {
    re2::StringPiece match;
    if (!re_.Match(text, 0, text.size(), RE2::UNANCHORED, &match, 1)) return {};
    return {match.data() - text.data(), static_cast<long long>(match.size())};
  }
  int ReplaceAll(std::string& text, const char* replacement) {
    return RE2::GlobalReplace(&text, re_, replacement);
  }

 private:
  static RE2::Options Options() {
    RE2::Options options;
    options.set_encoding(RE2::Options::EncodingLatin1);
    options.set_log_errors(false);
    return options;
  }
  RE2 re_;
};

class TPcre2 {
 public:
  explicit TPcre2(const char*, const char* pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, 0, &error,
                          &offset, nullptr);
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  ~TPcre2() {
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }
  TFound Find(const std::string& text) {
    const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                               data_, nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) return {};
    if (rc < 0) return {-1, 0, true};
    const PCRE2_SIZE* v = pcre2_get_ovector_pointer(data_);
    return {static_cast<long long>(v[0]), static_cast<long long>(v[1] - v[0])};
  }
  int ReplaceAll(std::string& text, const char* replacement) {
    std::string out(text.size() + 64, '\0');
    PCRE2_SIZE length = out.size();
    const auto run = [&] {
      return pcre2_substitute(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                              PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH, data_,
                              nullptr, reinterpret_cast<PCRE2_SPTR>(replacement),
                              PCRE2_ZERO_TERMINATED, reinterpret_cast<PCRE2_UCHAR*>(out.data()),
                              &length);
    };
    int count = run();
    if (count == PCRE2_ERROR_NOMEMORY) {
      out.resize(length);
      count = run();
    }
    out.resize(length);
    text.swap(out);
    return count;
  }

 private:
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
};

// The tag pattern in the component's dialect and in the peers' syntax.
constexpr const char* kTag = "{\\$[^}]*}";
constexpr const char* kTagPeers = "\\{\\$[^}\\r\\n]*\\}";

// Job 1: find the one tag, which stands at the very end.
template <typename Engine>
void FindTag(benchmark::State& state, std::string kind, std::size_t size) {
  const std::string text = Input(kind, size) + "{$Title}";
  Engine engine(kTag, kTagPeers);
  const TFound expected{static_cast<long long>(text.size()) - 8, 8};
  for (auto _ : state) {
    const TFound found = engine.Find(text);
    benchmark::DoNotOptimize(found);
    if (!(found == expected)) state.SkipWithError("wrong match");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// A replacement job; the result is checked against the component's before timing.
template <typename Engine>
void Replace(benchmark::State& state, std::string kind, std::size_t size, const char* pattern,
             const char* peer_pattern, const char* replacement, bool until_none) {
  std::string expected = Input(kind, size);
  TZorvik reference(pattern, peer_pattern);
  while (reference.ReplaceAll(expected, replacement) > 0 && until_none) {
  }
  Engine engine(pattern, peer_pattern);
  for (auto _ : state) {
    std::string text = Input(kind, size);
    while (engine.ReplaceAll(text, replacement) > 0 && until_none) {
    }
    benchmark::DoNotOptimize(text);
    if (text != expected) state.SkipWithError("different result");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Job 2: collapse blank lines, repeating the replacement until it makes none.
template <typename Engine>
void Collapse(benchmark::State& state, std::string kind, std::size_t size) {
  Replace<Engine>(state, kind, size, "\r\n\r\n", "\r\n\r\n", "\r\n", true);
}

// Job 3: remove every tag.
template <typename Engine>
void StripTags(benchmark::State& state, std::string kind, std::size_t size) {
  Replace<Engine>(state, kind, size, "<[^>]*>", "<[^>\\r\\n]*>", "", false);
}

// Linearity: "{$" repeated with no "}" starts a candidate match at every other byte.
template <typename Engine>
void OpenTags(benchmark::State& state, std::string, std::size_t size) {
  std::string text;
  while (text.size() < size) text += "{$";
  Engine engine(kTag, kTagPeers);
  for (auto _ : state) {
    const TFound found = engine.Find(text);
    benchmark::DoNotOptimize(found);
    if (found.start != -1) state.SkipWithError("a match in a text without one");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Hostile input: one line of "{$" repeated, then CR LF "}". Every "{$" starts a candidate that
// runs to the line's end, and none is a match. The tag pattern, and the same with an
// alternative that never matches here, which the component runs through its automaton.
template <typename Engine>
void HostileLine(benchmark::State& state, std::string kind, std::size_t size) {
  std::string text;
  while (text.size() + 3 < size) text += "{$";
  text += "\r\n}";
  const bool automaton = kind == "tag-or-other";
  Engine engine(automaton ? "{\\$[^}]*}|x{\\$}" : kTag,
                automaton ? "\\{\\$[^}\\r\\n]*\\}|x\\{\\$\\}" : kTagPeers);
  for (auto _ : state) {
    const TFound found = engine.Find(text);
    benchmark::DoNotOptimize(found);
    if (found.start != -1) state.SkipWithError("a match in a text without one");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Bounded memory: a pattern whose full deterministic automaton has 2^20 states.
template <typename Engine>
void Explode(benchmark::State& state, std::string, std::size_t size) {
  std::string pattern = "(a|b)*a";
  for (int i = 0; i < 20; ++i) pattern += "(a|b)";
  std::mt19937 rng(7);
  std::string text(size, 'a');
  for (char& c : text) c = (rng() & 1) ? 'a' : 'b';
  // Leftmost and longest (and leftmost-first, greedy) alike: from 0 to 21 bytes after the last
  // "a" that has 20 bytes after it.
  const TFound expected{0, static_cast<long long>(text.find_last_of('a', size - 21)) + 21};
  Engine engine(pattern.c_str(), pattern.c_str());
  for (auto _ : state) {
    const TFound found = engine.Find(text);
    benchmark::DoNotOptimize(found);
    if (found.gave_up) state.SkipWithError("the engine gave up (a limit reached)");
    if (!found.gave_up && !(found == expected)) state.SkipWithError("wrong match");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

std::string SizeName(std::size_t size) {
  return size >= kMiB ? std::to_string(size / kMiB) + "MiB" : std::to_string(size / kKiB) + "KiB";
}

template <template <typename> class Job>
void Register(const std::string& name, const std::vector<std::string>& kinds,
              std::initializer_list<std::size_t> sizes) {
  for (const std::string& kind : kinds) {
    for (std::size_t size : sizes) {
      const std::string suffix = "/" + kind + "/" + SizeName(size);
      benchmark::RegisterBenchmark((name + "/zorvik" + suffix).c_str(), Job<TZorvik>::Run, kind,
                                   size)
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark((name + "/re2" + suffix).c_str(), Job<TRe2>::Run, kind, size)
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark((name + "/pcre2jit" + suffix).c_str(), Job<TPcre2>::Run, kind,
                                   size)
          ->Unit(benchmark::kMicrosecond);
    }
  }
}

template <typename E>
struct TFindTag {
  static void Run(benchmark::State& s, std::string k, std::size_t n) { FindTag<E>(s, k, n); }
};
template <typename E>
struct TCollapse {
  static void Run(benchmark::State& s, std::string k, std::size_t n) { Collapse<E>(s, k, n); }
};
template <typename E>
struct TStripTags {
  static void Run(benchmark::State& s, std::string k, std::size_t n) { StripTags<E>(s, k, n); }
};
template <typename E>
struct TOpenTags {
  static void Run(benchmark::State& s, std::string k, std::size_t n) { OpenTags<E>(s, k, n); }
};
template <typename E>
struct THostileLine {
  static void Run(benchmark::State& s, std::string k, std::size_t n) { HostileLine<E>(s, k, n); }
};
template <typename E>
struct TExplode {
  static void Run(benchmark::State& s, std::string k, std::size_t n) { Explode<E>(s, k, n); }
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> both = {"html", "prose"};
  Register<TFindTag>("FindTag", both, {64 * kKiB, kMiB, 16 * kMiB});
  Register<TCollapse>("CollapseBlankLines", both, {64 * kKiB, kMiB, 16 * kMiB});
  Register<TStripTags>("StripTags", both, {64 * kKiB, kMiB, 16 * kMiB});
  Register<TOpenTags>("OpenTags", {"ab"}, {64 * kKiB, kMiB, 4 * kMiB});
  Register<THostileLine>("HostileLine", {"tag", "tag-or-other"}, {16 * kKiB, 64 * kKiB, kMiB});
  Register<TExplode>("Explode", {"ab"}, {64 * kKiB, kMiB});
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
