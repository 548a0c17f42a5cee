// zorvik serve GROUP|PAGE [--port N] [--open]: generates as watch does and serves the site on
// the loopback interface, each page reloading in the browser when a generation rewrote it or a
// file it uses changed, and showing the log of a generation with errors over the page.
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>

#include "cli/cli_engine.h"
#include "cli/site_for_verb.h"
#include "cli/site_server.h"
#include "cli/site_watcher.h"
#include "cli/verbs.h"
#include "serve/live_reload.h"
#include "serve/reload_hub.h"
#include "site/site_access.h"
#include "site/site_urls.h"
#include "text/file_names.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): for posix_spawnp

namespace zorvik::cli {
namespace {

constexpr int kDefaultPort = 8931;

// Hands the files the server gave out to the watching thread, and the generations' outcome to
// the browsers.
class TServeListener : public TWatchListener {
 public:
  TServeListener()
      : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
        server_(hub_, [this](const std::string& file) { Served(file); }) {}
  ~TServeListener() override {
    if (wake_ >= 0) ::close(wake_);
  }
  TServeListener(const TServeListener&) = delete;
  TServeListener& operator=(const TServeListener&) = delete;

  TSiteServer& Server() { return server_; }
  void SetRoot(std::string root) { root_ = std::move(root); }
  // A log line of the generation under way that reports an error or a warning.
  void Problem(const std::string& line) { problems_.push_back(line); }

  void Generated(const std::vector<std::string>& written, bool errors) override {
    hub_.SetErrors(errors ? problems_ : std::vector<std::string>{});
    problems_.clear();
    Reload(written);
  }
  void OtherFilesChanged(const std::set<std::string>& files) override {
    Reload({files.begin(), files.end()});
  }
  int FollowFd() const override { return wake_; }
  std::set<std::string> TakeFilesToFollow() override {
    std::uint64_t count = 0;
    (void)::read(wake_, &count, sizeof count);
    const std::lock_guard lock(mutex_);
    return std::exchange(served_, {});
  }
  void Stopping() override { server_.Halt(); }

 private:
  // From a server thread: the watching thread follows the file from now on.
  void Served(const std::string& file) {
    {
      const std::lock_guard lock(mutex_);
      if (!told_.insert(file).second) return;
      served_.insert(file);
    }
    const std::uint64_t one = 1;
    (void)::write(wake_, &one, sizeof one);
  }

  void Reload(const std::vector<std::string>& files) {
    std::vector<std::string> paths;
    for (const std::string& file : files) {
      if (auto path = UrlPathForFile(root_, ResolvedPath(file))) paths.push_back(std::move(*path));
    }
    if (!paths.empty()) hub_.Publish(ReloadEvent(paths));
  }

  int wake_;
  TReloadHub hub_;
  TSiteServer server_;
  std::string root_;
  std::vector<std::string> problems_;  // watching thread only
  std::mutex mutex_;
  std::set<std::string> served_;  // not yet handed over
  std::set<std::string> told_;    // ever handed over
};

// Opens url in the user's browser (xdg-open, which honours $BROWSER) without waiting for it;
// a thread of its own reaps it when it ends, so that no defunct process stays behind.
void OpenInBrowser(const std::string& url) {
  pid_t pid = 0;
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
      0) {
    std::cerr << "zorvik: serve: cannot start xdg-open to open " << url << '\n';
    return;
  }
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

int RunServe(const TArgs& arguments) {
  // Every open page holds connections, and every connection a descriptor: the usual soft limit
  // of 1,024 runs out long before the hard one.
  if (rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
  }
  const auto args =
      ParseVerbArgs("serve", arguments, {"--locations", "--open", "--port=", "--encoding="});
  std::optional<TEncoding> encoding;
  if (!args || !TakeEncoding(*args, "serve", encoding)) return kUsageError;
  const std::optional<std::string> path = OnlyOperand(*args, "serve", "GROUP or PAGE");
  if (!path) return kUsageError;
  int port = kDefaultPort;
  if (const std::string* given = args->Value("--port")) {
    char* end = nullptr;
    const long value = std::strtol(given->c_str(), &end, 10);
    if (given->empty() || *end != '\0' || value < 1 || value > 65535) {
      return UsageError("serve: --port takes a number from 1 to 65535");
    }
    port = static_cast<int>(value);
  }
  TServeListener listener;
  std::string refusal;
  if (!listener.Server().Bind(port, args->Value("--port") == nullptr, &refusal)) {
    std::cerr << "zorvik: serve: " << refusal << '\n';
    return kUsageError;
  }
  BufferStandardError();
  // Pages whose bytes stay are not written again, so that they do not reload.
  TCommandLineEngine engine(
      {.locations = args->Has("--locations"),
       .save_mode = TSaveMode::kChanged,
       .on_problem = [&listener](const std::string& line) { listener.Problem(line); },
       .encoding = encoding});
  TSiteWatcher watcher(engine, *path, IsGroupFile(*path), &listener);
  if (!watcher.Start()) return kUsageError;

  std::vector<TPageLinks> pages;
  for (const auto& [page, output] : watcher.Outputs()) pages.push_back(PageLinksOnDisk(output));
  const auto first = watcher.Pages().empty() ? watcher.Outputs().end()
                                             : watcher.Outputs().find(watcher.Pages().front());
  const std::string first_output = first == watcher.Outputs().end() ? std::string() : first->second;
  std::optional<TSiteOfPages> site = SiteForVerb(pages, first_output, *path, "serve");
  if (!site) return kUsageError;
  // What the generation reads is not served, but where a page links it.
  for (const std::string& input : watcher.Inputs()) site->site.left_out.insert(ResolvedPath(input));
  for (const TPageLinks& page : pages) site->site.left_out.erase(ResolvedPath(page.page));
  for (const std::string& linked : site->linked) site->site.left_out.erase(linked);
  const std::string& root = site->root;
  listener.SetRoot(root);
  listener.Server().Start(site->site, root);

  const std::string page_path = UrlPathForFile(root, ResolvedPath(first_output)).value_or("/");
  const std::string url =
      "http://127.0.0.1:" + std::to_string(listener.Server().Port()) + page_path;
  std::fflush(stderr);
  std::cout << url << std::endl;
  if (args->Has("--open")) OpenInBrowser(url);
  watcher.Run();
}

}  // namespace zorvik::cli
