#include "cli/external_links.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <fstream>
#include <memory>
#include <sstream>

#include "text/atomic_file.h"
#include "text/file_names.h"

namespace zorvik::cli {
namespace {

constexpr long kMaxTransfers = 8;
constexpr long kMaxPerHost = 2;
constexpr long kMaxRedirects = 10;
constexpr std::time_t kKeptSeconds = std::time_t{24} * 60 * 60;

struct TOutcome {
  long status = 0;      // the last answer's HTTP status; 0 when none came
  std::string problem;  // why the address does not work though it answered, or why none came
};

// The address as it is kept and compared: without a user and password written in it.
std::string WithoutUserInfo(const std::string& url) {
  const std::size_t start = url.find("://");
  if (start == std::string::npos) return url;
  const std::size_t end = std::min(url.find_first_of("/?#", start + 3), url.size());
  const std::size_t at = url.rfind('@', end - 1);
  if (at == std::string::npos || at < start + 3) return url;
  return url.substr(0, start + 3) + url.substr(at + 1);
}

// The host (and port) an address is fetched from, as the queue counts transfers a host.
std::string HostOf(const std::string& url) {
  std::string bare = WithoutUserInfo(url);
  const std::size_t start = bare.find("://");
  if (start == std::string::npos) return bare;
  return bare.substr(start + 3, bare.find_first_of("/?#", start + 3) - start - 3);
}

// The cache file, or "" when no folder for it is known.
std::string CacheFile() {
  const std::string folder = UserCacheFolder();
  return folder.empty() ? std::string() : folder + "zorvik/external-links";
}

// url -> (time, status) of the answers of the last day.
std::map<std::string, std::pair<std::time_t, long>> ReadCache(const std::string& file,
                                                              std::time_t now) {
  std::map<std::string, std::pair<std::time_t, long>> cache;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::time_t when = 0;
    long status = 0;
    std::string url;
    if (fields >> when >> status && std::getline(fields >> std::ws, url) &&
        now - when < kKeptSeconds && when <= now) {
      cache[url] = {when, status};
    }
  }
  return cache;
}

// Written as the program's own files are: a link planted at its name is replaced, never
// followed.
void WriteCache(const std::string& file,
                const std::map<std::string, std::pair<std::time_t, long>>& cache) {
  std::string text;
  for (const auto& [url, entry] : cache) {
    if (url.find('\n') != std::string::npos) continue;
    text += std::to_string(entry.first) + '\t' + std::to_string(entry.second) + '\t' + url + '\n';
  }
  const std::string folder = file.substr(0, file.rfind('/'));
  ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
  ::mkdir(folder.c_str(), 0700);
  WriteFileAtomically(file, text, TLinkPolicy::kReplace);
}

// The body is not wanted: the first bytes end the transfer, the status is known by then.
std::size_t DropBody(char*, std::size_t, std::size_t, void*) { return 0; }

// Keeps the value of the last answer's Location header in the string at data.
std::size_t KeepLocation(char* line, std::size_t size, std::size_t count, void* data) {
  const std::string_view header(line, size * count);
  constexpr std::string_view kName = "location:";
  if (header.size() > kName.size() &&
      std::equal(kName.begin(), kName.end(), header.begin(),
                 [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
    std::string_view value = header.substr(kName.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
      value.remove_suffix(1);
    static_cast<std::string*>(data)->assign(value);
  }
  return size * count;
}

CURL* Transfer(const std::string& url, bool head, long timeout_seconds, std::string& location) {
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, KeepLocation);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &location);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOBODY, head ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, DropBody);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, timeout_seconds);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeout_seconds);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "zorvik-check");
  return easy;
}

// What a finished transfer says of its address.
TOutcome OutcomeOf(CURL* easy, CURLcode result, const std::string& location) {
  TOutcome outcome;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &outcome.status);
  const char* next = nullptr;
  curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &next);
  // libcurl names no next address for a scheme it may not follow: the answer's own header does.
  if (next == nullptr && !location.empty()) next = location.c_str();
  if (result == CURLE_TOO_MANY_REDIRECTS) {
    outcome.problem = "redirects in a loop (more than " + std::to_string(kMaxRedirects) + ")";
  } else if (outcome.status >= 300 && outcome.status < 400) {
    // A redirect that was not followed: to a scheme that is no web address, or to none.
    outcome.problem =
        next != nullptr
            ? "redirects to " + WithoutUserInfo(next) + ", which is not a web address"
            : "answers " + std::to_string(outcome.status) + " without an address to go to";
  } else if (outcome.status == 0) {
    outcome.problem = "cannot be reached: " + std::string(curl_easy_strerror(result));
  }
  return outcome;
}

// Fetches every url: HEAD first, GET for those whose HEAD was refused or failed. A transfer
// starts only when its host has a free place (kMaxPerHost, kMaxTransfers in all), so that its
// time limit counts from its own start, never from its place in the queue.
std::map<std::string, TOutcome> Fetch(const std::vector<std::string>& urls, long timeout_seconds) {
  std::map<std::string, TOutcome> outcomes;
  CURLM* multi = curl_multi_init();
  std::deque<std::pair<std::string, bool>> waiting;  // (url, head)
  struct TRunning {
    std::string url;
    bool head = true;
    std::string location;  // the last answer's Location
  };
  std::map<CURL*, std::unique_ptr<TRunning>> running;
  std::map<std::string, long> per_host;
  for (const std::string& url : urls) waiting.emplace_back(url, true);
  const auto start_what_may = [&] {
    for (auto it = waiting.begin();
         it != waiting.end() && running.size() < static_cast<std::size_t>(kMaxTransfers);) {
      long& busy = per_host[HostOf(it->first)];
      if (busy >= kMaxPerHost) {
        ++it;
        continue;
      }
      ++busy;
      auto transfer = std::make_unique<TRunning>(TRunning{it->first, it->second, {}});
      CURL* easy = Transfer(it->first, it->second, timeout_seconds, transfer->location);
      running[easy] = std::move(transfer);
      curl_multi_add_handle(multi, easy);
      it = waiting.erase(it);
    }
  };
  start_what_may();
  int still = 0;
  while (!running.empty()) {
    curl_multi_perform(multi, &still);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      CURL* easy = message->easy_handle;
      const std::unique_ptr<TRunning> done = std::move(running[easy]);
      const std::string& url = done->url;
      const bool head = done->head;
      const CURLcode result = message->data.result;
      const TOutcome outcome = OutcomeOf(easy, result, done->location);
      curl_multi_remove_handle(multi, easy);
      curl_easy_cleanup(easy);
      running.erase(easy);
      --per_host[HostOf(url)];
      if (head &&
          (outcome.status >= 400 || (outcome.status == 0 && result != CURLE_OPERATION_TIMEDOUT))) {
        waiting.emplace_front(url, false);  // HEAD refused: ask again with GET
        continue;
      }
      outcomes[url] = outcome;
    }
    start_what_may();
    if (!running.empty()) curl_multi_poll(multi, nullptr, 0, 200, nullptr);
  }
  curl_multi_cleanup(multi);
  return outcomes;
}

}  // namespace

std::vector<TFinding> CheckExternalLinks(
    const std::map<std::string, std::vector<TExternalUse>>& links, long timeout_seconds) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const std::time_t now = std::time(nullptr);
  const std::string cache_file = CacheFile();
  auto cache = cache_file.empty() ? decltype(ReadCache("", now)){} : ReadCache(cache_file, now);
  std::vector<std::string> due;
  for (const auto& [url, uses] : links) {
    if (cache.count(WithoutUserInfo(url)) == 0) due.push_back(url);
  }
  std::map<std::string, TOutcome> outcomes = Fetch(due, timeout_seconds);
  for (const auto& [url, outcome] : outcomes) {
    // Answers are kept, errors among them; no answer, a loop or a bad redirect is asked again.
    if (outcome.problem.empty()) cache[WithoutUserInfo(url)] = {now, outcome.status};
  }
  if (!cache_file.empty() && !outcomes.empty()) WriteCache(cache_file, cache);
  std::vector<TFinding> findings;
  for (const auto& [url, uses] : links) {
    std::string problem;
    if (const auto fetched = outcomes.find(url); fetched != outcomes.end()) {
      problem = fetched->second.problem;
      if (problem.empty() && fetched->second.status >= 400)
        problem = "answers " + std::to_string(fetched->second.status);
    } else if (const auto cached = cache.find(WithoutUserInfo(url)); cached != cache.end()) {
      if (cached->second.second >= 400)
        problem = "answers " + std::to_string(cached->second.second);
    }
    if (problem.empty()) continue;
    std::string message = "external address ";
    message.append(url).append(" ").append(problem);
    for (const TExternalUse& use : uses) {
      findings.push_back({use.file, use.line, TFindingKind::kError, message, url});
    }
  }
  curl_global_cleanup();
  return findings;
}

}  // namespace zorvik::cli
