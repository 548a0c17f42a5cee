#include "cli/external_links.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "text/atomic_file.h"
#include "text/file_names.h"

namespace zorvik::cli {
namespace {

constexpr long kMaxTransfers = 8;
constexpr long kMaxPerHost = 2;
constexpr std::time_t kKeptSeconds = std::time_t{24} * 60 * 60;

struct TOutcome {
  long status = 0;    // the last answer's HTTP status; 0 when none came
  std::string error;  // why none came
};

// The cache file, or "" when no folder for it is known.
std::string CacheFile() {
  std::string folder = UserFolder(std::getenv("XDG_CACHE_HOME"), HomeFolder(), "/.cache");
  if (!folder.empty() && folder.back() != '/') folder += '/';
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
  WriteFileAtomically(file, text);
}

// The body is not wanted: the first bytes end the transfer, the status is known by then.
std::size_t DropBody(char*, std::size_t, std::size_t, void*) { return 0; }

CURL* Transfer(const std::string& url, bool head, long timeout_seconds) {
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOBODY, head ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, DropBody);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, timeout_seconds);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeout_seconds);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "zorvik-check");
  return easy;
}

// Fetches every url: HEAD first, GET for those whose HEAD was refused or failed.
std::map<std::string, TOutcome> Fetch(const std::vector<std::string>& urls, long timeout_seconds) {
  std::map<std::string, TOutcome> outcomes;
  CURLM* multi = curl_multi_init();
  curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, kMaxTransfers);
  curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, kMaxPerHost);
  std::map<CURL*, std::pair<std::string, bool>> running;  // handle -> (url, head)
  const auto add = [&](const std::string& url, bool head) {
    CURL* easy = Transfer(url, head, timeout_seconds);
    running[easy] = {url, head};
    curl_multi_add_handle(multi, easy);
  };
  for (const std::string& url : urls) add(url, true);
  int still = 0;
  do {
    curl_multi_perform(multi, &still);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      CURL* easy = message->easy_handle;
      const auto [url, head] = running[easy];
      long status = 0;
      curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
      const CURLcode result = message->data.result;
      curl_multi_remove_handle(multi, easy);
      curl_easy_cleanup(easy);
      running.erase(easy);
      if (head && (status >= 400 || (status == 0 && result != CURLE_OPERATION_TIMEDOUT))) {
        add(url, false);  // HEAD refused: ask again with GET
        continue;
      }
      TOutcome& outcome = outcomes[url];
      outcome.status = status;
      if (status == 0) outcome.error = curl_easy_strerror(result);
    }
    if (still > 0 || !running.empty()) curl_multi_poll(multi, nullptr, 0, 200, nullptr);
  } while (still > 0 || !running.empty());
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
    if (cache.count(url) == 0) due.push_back(url);
  }
  std::map<std::string, TOutcome> outcomes = Fetch(due, timeout_seconds);
  for (const auto& [url, outcome] : outcomes) {
    if (outcome.status > 0) cache[url] = {now, outcome.status};  // failures are asked again
  }
  if (!cache_file.empty() && !outcomes.empty()) WriteCache(cache_file, cache);
  std::vector<TFinding> findings;
  for (const auto& [url, uses] : links) {
    std::string problem;
    if (const auto cached = cache.find(url); cached != cache.end()) {
      if (cached->second.second >= 400)
        problem = "answers " + std::to_string(cached->second.second);
    } else if (const auto fetched = outcomes.find(url); fetched != outcomes.end()) {
      problem = "cannot be reached: " + fetched->second.error;
    }
    if (problem.empty()) continue;
    std::string message = "external address ";
    message.append(url).append(" ").append(problem);
    for (const TExternalUse& use : uses) {
      findings.push_back({use.file, use.line, TFindingKind::kError, message});
    }
  }
  curl_global_cleanup();
  return findings;
}

}  // namespace zorvik::cli
