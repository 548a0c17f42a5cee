#include "cli/site_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>

#include "serve/content_type.h"
#include "serve/live_reload.h"
#include "serve/site_urls.h"

namespace zorvik::cli {
namespace {

constexpr int kPortsTried = 100;
constexpr std::size_t kThreads = 32;
// Open pages each hold a thread on their event stream; the rest stay for files.
constexpr int kMaxEventStreams = 24;
// A stream writes at least this often: a page that went away is noticed at the next write but
// one, and its thread is free again.
constexpr auto kKeepAlive = std::chrono::seconds(1);

// The whole file behind fd (closed here), at most kMaxServedFileBytes; nothing when a read
// fails.
std::optional<std::string> ReadAll(int fd) {
  std::string bytes;
  std::array<char, 65536> buffer{};
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0 || bytes.size() + static_cast<std::size_t>(n) > kMaxServedFileBytes) break;
    bytes.append(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

// The library's default, SO_REUSEPORT, would let a second server (another serve, or any
// program of the same user) listen on the same port and take half the requests. SO_REUSEADDR
// only lets the port be taken again at once after this server ends.
// Headers and body go out in separate writes: without TCP_NODELAY (which accepted sockets take
// from the listening one), Nagle's algorithm and delayed ACKs hold the second answer on a kept
// connection back for 40 ms.
void OnlyThisListener(int sock) {
  const int yes = 1;
  ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

void Refuse(httplib::Response& response, int status, const char* text) {
  response.status = status;
  response.set_content(text, "text/plain; charset=utf-8");
}

// Answers a request for url_path with the file of the site it names.
void ServeFile(const TPreviewSite& site, const std::string& root,
               const std::function<void(const std::string&)>& on_served,
               const std::string& url_path, httplib::Response& response) {
  response.set_header("Cache-Control", "no-store");
  response.set_header("X-Content-Type-Options", "nosniff");
  const std::optional<std::string> file = FileForUrlPath(root, url_path);
  if (!file) return Refuse(response, 404, "404 Not Found\n");
  const int fd = OpenServedFile(site, *file);
  if (fd < 0) {
    // A folder without its "/": its index.html, where there is one, under the folder's address.
    const int index = url_path.back() == '/' ? -1 : OpenServedFile(site, *file + "/index.html");
    if (index < 0) return Refuse(response, 404, "404 Not Found\n");
    ::close(index);
    response.set_redirect(url_path + "/", 301);
    return;
  }
  std::optional<std::string> bytes = ReadAll(fd);
  if (!bytes) return Refuse(response, 500, "500 The file could not be read\n");
  if (on_served) on_served(*file);
  const std::string type = ContentTypeFor(*file, *bytes);
  if (IsHtmlType(type)) bytes = WithLiveReload(*bytes);
  response.set_content(*bytes, type);
}

}  // namespace

TSiteServer::TSiteServer(TReloadHub& hub, std::function<void(const std::string&)> on_served)
    : hub_(hub), on_served_(std::move(on_served)) {}

TSiteServer::~TSiteServer() { Stop(); }

bool TSiteServer::Bind(int port, bool search, std::string& error) {
  for (int tried = 0; tried < (search ? kPortsTried : 1); ++tried) {
    const int candidate = port + tried;
    auto v4 = std::make_unique<httplib::Server>();
    v4->set_socket_options(OnlyThisListener);
    if (!v4->bind_to_port("127.0.0.1", candidate)) {
      error = "cannot listen on 127.0.0.1 port " + std::to_string(candidate) +
              " (in use, or not allowed)";
      continue;
    }
    auto v6 = std::make_unique<httplib::Server>();
    v6->set_address_family(AF_INET6);
    v6->set_socket_options(OnlyThisListener);
    const bool ipv6 = v6->bind_to_port("::1", candidate);
    if (!ipv6) {
      // Taken on ::1 by another program: try the next port. No IPv6 at all: 127.0.0.1 alone.
      const int probe = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (probe >= 0) {
        ::close(probe);
        error = "cannot listen on [::1] port " + std::to_string(candidate) + " (in use)";
        continue;
      }
    }
    port_ = candidate;
    servers_.push_back(std::move(v4));
    if (ipv6) servers_.push_back(std::move(v6));
    return true;
  }
  return false;
}

void TSiteServer::Start(TPreviewSite site, std::string root) {
  site_ = std::move(site);
  root_ = std::move(root);
  for (auto& server : servers_) {
    Route(*server);
    threads_.emplace_back([listening = server.get()] { listening->listen_after_bind(); });
  }
}

void TSiteServer::Stop() {
  Halt();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void TSiteServer::Halt() {
  hub_.Stop();
  for (auto& server : servers_) server->stop();
}

void TSiteServer::Route(httplib::Server& server) {
  server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  server.set_keep_alive_max_count(100);
  const std::string port = std::to_string(port_);
  const std::array<std::string, 3> hosts = {"127.0.0.1:" + port, "[::1]:" + port,
                                            "localhost:" + port};
  server.set_pre_routing_handler([hosts](const httplib::Request& request,
                                         httplib::Response& response) {
    using Outcome = httplib::Server::HandlerResponse;
    const std::string host = request.get_header_value("Host");
    if (std::find(hosts.begin(), hosts.end(), host) == hosts.end()) {
      Refuse(response, 403, "403 Forbidden: this server answers only to the loopback address\n");
      return Outcome::Handled;
    }
    if (request.method != "GET" && request.method != "HEAD") {
      response.set_header("Allow", "GET, HEAD");
      Refuse(response, 405, "405 Method Not Allowed\n");
      return Outcome::Handled;
    }
    return Outcome::Unhandled;
  });
  server.Get(
      std::string(kLiveScriptPath), [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        response.set_content(std::string(LiveReloadScript()), "text/javascript; charset=utf-8");
      });
  server.Get(std::string(kEventStreamPath),
             [this](const httplib::Request&, httplib::Response& response) {
               if (event_streams_.fetch_add(1) >= kMaxEventStreams) {
                 event_streams_.fetch_sub(1);
                 Refuse(response, 503, "503 Too many open pages\n");
                 return;
               }
               response.set_header("Cache-Control", "no-store");
               auto next = std::make_shared<std::uint64_t>(hub_.Published());
               auto greeted = std::make_shared<bool>(false);
               response.set_chunked_content_provider(
                   "text/event-stream",
                   [this, next, greeted](std::size_t, httplib::DataSink& sink) {
                     std::string out;
                     if (!*greeted) {
                       out = hub_.Greeting();
                       *greeted = true;
                     } else {
                       for (const std::string& event : hub_.Wait(*next, kKeepAlive)) out += event;
                       if (hub_.Stopped()) return false;
                       if (out.empty()) out = ": still here\n\n";
                     }
                     return sink.write(out.data(), out.size());
                   },
                   [this](bool) { event_streams_.fetch_sub(1); });
             });
  server.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    ServeFile(site_, root_, on_served_, request.path, response);
  });
}

}  // namespace zorvik::cli
