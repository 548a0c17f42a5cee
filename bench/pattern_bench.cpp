// The pattern component on the program's own three jobs over synthetic Shift-JIS HTML, with
// RE2 doing the same jobs on the same input beside it, and two inputs that show the cost stays
// linear and the automaton bounded.
//
//   build/bench/pattern_bench                       all of it
//   build/bench/pattern_bench --benchmark_filter=1MiB
#include <benchmark/benchmark.h>
#include <re2/re2.h>

#include <map>
#include <random>
#include <string>

#include "pattern/second_awk_str.h"

namespace {

using zorvik::TSecondAWKStr;

constexpr std::size_t kKiB = 1024;
constexpr std::size_t kMiB = 1024 * kKiB;

// HTML with Japanese text in CP932, CR LF lines and runs of blank lines, but no "{$" tag.
std::string SyntheticHtml(std::size_t size) {
  static const char* const kLines[] = {
      "<p class=\"item\">\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x96\x7B\x95\xB6\x83\x65\x83\x4C\x83\x58"
      "\x83\x67\x81\x41\x82\xB1\x82\xB1\x82\xC9\x90\xE0\x96\xBE\x82\xAA\x93\xFC\x82\xE8\x82\xDC"
      "\x82\xB7\x81\x42</p>",
      "<li><a href=\"page.html\">\x95\x5C\x8E\xA6\x81\x45\x83\x5C\x83\x74\x83\x67</a></li>",
      "<div id=\"main\"><span class=\"marker1\">\x8F\x64\x97\x76</span> text</div>",
      "",
      "",
      "\x81\x40\x81\x40\x8C\x8E\x97\x6A\x93\xFA\x82\xCD\x8B\x78\x82\xDD\x82\xC5\x82\xB7\x81\x42",
  };
  std::mt19937 rng(42);
  std::string html;
  html.reserve(size + 256);
  while (html.size() < size) {
    html += kLines[rng() % std::size(kLines)];
    html += "\r\n";
  }
  // Cut at a line end so that no double-byte character is split.
  html.resize(html.rfind("\r\n", size - 2) + 2);
  return html;
}

const std::string& Html(std::size_t size) {
  static std::map<std::size_t, std::string> cache;
  auto it = cache.find(size);
  if (it == cache.end()) it = cache.emplace(size, SyntheticHtml(size)).first;
  return it->second;
}

RE2::Options Re2Options() {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingLatin1);
  options.set_longest_match(true);
  options.set_log_errors(false);
  return options;
}

// Job 1: find the one tag, which stands at the very end.
void FindTagZorvik(benchmark::State& state, std::size_t size) {
  const std::string text = Html(size) + "{$Title}";
  TSecondAWKStr component;
  component.SetRegExp("{\\$[^}]*}");
  for (auto _ : state) {
    auto result = component.Match(text);
    benchmark::DoNotOptimize(result);
    if (result.position != static_cast<int>(text.size()) - 7) state.SkipWithError("wrong match");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void FindTagRe2(benchmark::State& state, std::size_t size) {
  const std::string text = Html(size) + "{$Title}";
  const RE2 re("\\{\\$[^}\\r\\n]*\\}", Re2Options());
  for (auto _ : state) {
    re2::StringPiece match;
    const bool found = re.Match(text, 0, text.size(), RE2::UNANCHORED, &match, 1);
    benchmark::DoNotOptimize(match);
    if (!found) state.SkipWithError("no match");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Job 2: collapse blank lines, repeating the replacement until it makes none.
void CollapseZorvik(benchmark::State& state, std::size_t size) {
  TSecondAWKStr component;
  component.SetRegExp("\r\n\r\n");
  for (auto _ : state) {
    std::string text = Html(size);
    while (component.ReplaceAll("\r\n", text) > 0) {
    }
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void CollapseRe2(benchmark::State& state, std::size_t size) {
  const RE2 re("\r\n\r\n", Re2Options());
  for (auto _ : state) {
    std::string text = Html(size);
    while (RE2::GlobalReplace(&text, re, "\r\n") > 0) {
    }
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Job 3: remove every tag.
void StripTagsZorvik(benchmark::State& state, std::size_t size) {
  TSecondAWKStr component;
  component.SetRegExp("<[^>]*>");
  for (auto _ : state) {
    std::string text = Html(size);
    benchmark::DoNotOptimize(component.ReplaceAll("", text));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void StripTagsRe2(benchmark::State& state, std::size_t size) {
  const RE2 re("<[^>\\r\\n]*>", Re2Options());
  for (auto _ : state) {
    std::string text = Html(size);
    benchmark::DoNotOptimize(RE2::GlobalReplace(&text, re, ""));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Linearity: "{$" repeated with no "}" starts a candidate match at every other byte.
void OpenTagsZorvik(benchmark::State& state, std::size_t size) {
  std::string text;
  while (text.size() < size) text += "{$";
  TSecondAWKStr component;
  component.SetRegExp("{\\$[^}]*}");
  for (auto _ : state) benchmark::DoNotOptimize(component.Match(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void OpenTagsRe2(benchmark::State& state, std::size_t size) {
  std::string text;
  while (text.size() < size) text += "{$";
  const RE2 re("\\{\\$[^}\\r\\n]*\\}", Re2Options());
  for (auto _ : state) {
    re2::StringPiece match;
    benchmark::DoNotOptimize(re.Match(text, 0, text.size(), RE2::UNANCHORED, &match, 1));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Bounded memory: a pattern whose full deterministic automaton has 2^20 states.
std::string Explode() {
  std::string pattern = "(a|b)*a";
  for (int i = 0; i < 20; ++i) pattern += "(a|b)";
  return pattern;
}

std::string RandomAb(std::size_t size) {
  std::mt19937 rng(7);
  std::string text(size, 'a');
  for (char& c : text) c = (rng() & 1) ? 'a' : 'b';
  return text;
}

void ExplodeZorvik(benchmark::State& state, std::size_t size) {
  const std::string text = RandomAb(size);
  TSecondAWKStr component;
  component.SetRegExp(Explode());
  for (auto _ : state) benchmark::DoNotOptimize(component.Match(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void ExplodeRe2(benchmark::State& state, std::size_t size) {
  const std::string text = RandomAb(size);
  const RE2 re(Explode(), Re2Options());
  for (auto _ : state) {
    re2::StringPiece match;  // asking for the match makes RE2 find its end, as Match does
    benchmark::DoNotOptimize(re.Match(text, 0, text.size(), RE2::UNANCHORED, &match, 1));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

std::string SizeName(std::size_t size) {
  return size >= kMiB ? std::to_string(size / kMiB) + "MiB" : std::to_string(size / kKiB) + "KiB";
}

void Register(const std::string& job, void (*zorvik)(benchmark::State&, std::size_t),
              void (*re2)(benchmark::State&, std::size_t), std::initializer_list<std::size_t> sizes) {
  for (std::size_t size : sizes) {
    benchmark::RegisterBenchmark((job + "/zorvik/" + SizeName(size)).c_str(), zorvik, size)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((job + "/re2/" + SizeName(size)).c_str(), re2, size)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register("FindTag", FindTagZorvik, FindTagRe2, {64 * kKiB, kMiB, 16 * kMiB});
  Register("CollapseBlankLines", CollapseZorvik, CollapseRe2, {64 * kKiB, kMiB, 16 * kMiB});
  Register("StripTags", StripTagsZorvik, StripTagsRe2, {64 * kKiB, kMiB, 16 * kMiB});
  Register("OpenTags", OpenTagsZorvik, OpenTagsRe2, {64 * kKiB, kMiB, 4 * kMiB});
  Register("Explode", ExplodeZorvik, ExplodeRe2, {64 * kKiB, kMiB});
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
