// Generation runs at scale, each beside its floor: the time the same job takes merely to read
// every input and write every output, which no generator can beat.
//
//   LargePage: a template of about 1 MiB with thousands of tags, a page source with thousands of
//     conversion lines, loops and a BodyLines article of about 1 MiB; in memory.
//   Batch: 10,000 page sources sharing one template, read from and written to disk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "batch/batch_run.h"
#include "engine/generation_run.h"
#include "text/file_names.h"
#include "text/text_file.h"

namespace {

using namespace zorvik;
namespace fs = std::filesystem;

// A clock that stands still, so that the benchmark measures the engine.
class TStillClock : public TClock {
 public:
  std::tm Now() const override {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mday = 1;
    return t;
  }
  std::string DayName(int, bool) const override { return "Mon"; }
  std::string MonthName(int, bool) const override { return "Jan"; }
};

// Files in memory for the large page: no disk in the way.
class TMemoryFiles : public TFileSystem {
 public:
  bool FileExists(std::string_view path) const override { return files.count(std::string(path)); }
  bool FolderExists(std::string_view) const override { return true; }
  bool CreateFolders(std::string_view) override { return true; }
  std::string LoadText(std::string_view path) const override { return files.at(std::string(path)); }
  bool SaveText(std::string_view path, std::string_view text) override {
    files[std::string(path)] = NormalizeLineEnds(text);
    return true;
  }
  std::map<std::string, std::string> files;
};

struct TBench {
  explicit TBench(TFileSystem& files)
      : log(clock), context{state, log, pattern, files, clock, "/opt/zorvik/"} {}
  TStillClock clock;
  TGenerationLog log;
  TSecondAWKStr pattern;
  GenerationState state;
  TEngineContext context;
};

// About 1 MiB of template: 4,000 one-line tags in markup, a 500-item loop, an article block.
std::string LargeTemplate() {
  std::string t = "<html><head><!--PREVIEWCSS--></head><body>\r\n";
  for (int i = 0; i < 4000; ++i) {
    t += "<div class=\"entry\"><h2>{$Head" + std::to_string(i) + "}</h2><p>" +
         std::string(200, 'x') + "</p></div>\r\n";
  }
  t += "<ul>\r\n{#items}\r\n<li>{$Item{$Count}}</li>\r\n{/#items}\r\n</ul>\r\n";
  t += "<!--BodyLines-->\r\n{$Article}\r\n<!--/BodyLines-->\r\n{$Year4}</body></html>\r\n";
  return t;
}

std::string LargePage() {
  std::string p = "@Template /t.tmpl\r\n@WriteFile /out/page.html\r\n@LoopTag items 500\r\n";
  for (int i = 0; i < 4000; ++i)
    p += "$Head" + std::to_string(i) + " Heading " + std::to_string(i) + "\r\n";
  for (int i = 1; i <= 500; ++i)
    p += "$Item" + std::to_string(i) + " item " + std::to_string(i) + "\r\n";
  p += "[Article]\r\n";
  while (p.size() < 1200 * 1024) {
    p += "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x96\x7B\x95\xB6 text of the article line\r\n";
    if (p.size() % 7 == 0) p += "\r\n";
  }
  p += "[/Article]";
  return p;
}

void LargePageRun(benchmark::State& state) {
  TMemoryFiles files;
  files.files["/t.tmpl"] = LargeTemplate();
  const std::string page = LargePage();
  TBench bench(files);
  for (auto _ : state) {
    RunGeneration(bench.context, page);
    WriteHtmlFile(bench.context, bench.state.WorkingText);
    if (bench.state.ErrorCount + bench.state.WarningCount > 0) state.SkipWithError("run reported");
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["output_bytes"] = static_cast<double>(bench.state.WorkingText.size());
}

void LargePageFloor(benchmark::State& state) {
  TMemoryFiles files;
  files.files["/t.tmpl"] = LargeTemplate();
  const std::string page = LargePage();
  std::string output;
  {
    TBench bench(files);
    RunGeneration(bench.context, page);
    output = bench.state.WorkingText;
  }
  for (auto _ : state) {
    std::string read = files.LoadText("/t.tmpl") + page;  // every input read once
    benchmark::DoNotOptimize(read);
    files.SaveText("/out/page.html", output);
  }
  state.SetItemsProcessed(state.iterations());
}

// The batch on disk: pages/pNNNNN.dat, one template, out/pNNNNN.html.
class TBatchSite {
 public:
  explicit TBatchSite(int pages)
      : root_(fs::temp_directory_path() / ("zorvik-bench-" + std::to_string(::getpid()))) {
    fs::create_directories(root_ / "pages");
    const std::string r = root_.string() + "/";
    std::string tmpl =
        "<html><head><title>{$Title}</title><!--PREVIEWCSS--></head><body>\r\n<h1>{$Title}</"
        "h1>\r\n";
    for (int i = 0; i < 20; ++i) tmpl += "<p>{$Para" + std::to_string(i) + "}</p>\r\n";
    tmpl += "<!--BodyLines-->\r\n{$Body}\r\n<!--/BodyLines-->\r\n</body></html>\r\n";
    SaveTextFile(r + "t.tmpl", tmpl);
    for (int n = 0; n < pages; ++n) {
      const std::string name = std::to_string(100000 + n);
      std::string page = "@Template " + r + "t.tmpl\r\n@WriteFile " + r + "out/p" + name +
                         ".html\r\n$Title Page " + name + "\r\n";
      for (int i = 0; i < 20; ++i)
        page += "$Para" + std::to_string(i) + " paragraph " + std::to_string(i) + " of " + name +
                "\r\n";
      page += "[Body]\r\nfirst line\r\nsecond line\r\n\r\nnext paragraph\r\n[/Body]\r\n";
      entries_.push_back(r + "pages/p" + name + ".dat");
      SaveTextFile(entries_.back(), page);
    }
  }
  ~TBatchSite() { fs::remove_all(root_); }
  const std::vector<std::string>& Entries() const { return entries_; }
  std::string Root() const { return root_.string() + "/"; }

 private:
  fs::path root_;
  std::vector<std::string> entries_;
};

class TDiskHost : public TBatchHost {
 public:
  explicit TDiskHost(GenerationState& state) : state_(state) {}
  std::optional<std::string> LoadPageSource(const std::string& path) override {
    std::optional<std::string> page = LoadPageSourceText(files_, path);
    if (page) state_.DataFolder = ExtractFolder(path);
    return page;
  }
  TDiskFileSystem files_;
  GenerationState& state_;
};

void BatchRun(benchmark::State& state) {
  TBatchSite site(static_cast<int>(state.range(0)));
  TDiskFileSystem files;
  for (auto _ : state) {
    TBench bench(files);
    TDiskHost host(bench.state);
    RunBatch(bench.context, site.Entries(), host);
    if (bench.state.ErrorCount > 0) state.SkipWithError("batch reported errors");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BatchFloor(benchmark::State& state) {
  TBatchSite site(static_cast<int>(state.range(0)));
  // The output of one page, as the batch writes it.
  std::string output;
  {
    TDiskFileSystem files;
    TBench bench(files);
    TDiskHost host(bench.state);
    RunBatch(bench.context, {site.Entries()[0]}, host);
    output = bench.state.WorkingText;
  }
  const std::string tmpl = site.Root() + "t.tmpl";
  for (auto _ : state) {
    for (std::size_t n = 0; n < site.Entries().size(); ++n) {
      benchmark::DoNotOptimize(LoadTextFile(site.Entries()[n]));
      benchmark::DoNotOptimize(LoadTextFile(tmpl));
      SaveTextFile(site.Root() + "out/p" + std::to_string(100000 + n) + ".html", output);
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(LargePageRun)->Unit(benchmark::kMillisecond);
BENCHMARK(LargePageFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BatchRun)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BatchFloor)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
