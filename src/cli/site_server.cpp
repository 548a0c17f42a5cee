#include "cli/site_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>

#include "cli/connection_threads.h"
#include "serve/live_reload.h"
#include "site/content_type.h"
#include "site/site_urls.h"

namespace zorvik::cli {
namespace {

constexpr int kPortsTried = 100;
// Each connection holds a thread while it is open; past this many open connections, a new one
// waits for a thread.
constexpr std::size_t kThreads = 1024;
// A browser holds one event stream (its pages share it), each holding a thread; the rest stay
// for files.
constexpr int kMaxEventStreams = 48;
// A connection that sends nothing for this long, idle or in the middle of a request, is closed.
constexpr int kIdleSeconds = 3;
// Pages and text files up to this size are read whole (the script placed, the charset found);
// larger ones stream, told apart by their first kSniffedBytes.
constexpr std::size_t kReadWholeBytes = 16u << 20;
constexpr std::size_t kSniffedBytes = 64u << 10;
// A stream writes at least this often: a page that went away is noticed at the next write but
// one, and its thread is free again.
constexpr auto kKeepAlive = std::chrono::seconds(1);

// The whole file behind fd (closed here); nothing when a read fails or the file grew past
// kMaxServedFileBytes meanwhile, so that a cut file is never answered as the whole one.
std::optional<std::string> ReadAll(int fd) {
  std::string bytes;
  std::array<char, 65536> buffer{};
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > kMaxServedFileBytes) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

// A file sent as it is read, a piece at a time, in bounded memory: the length it had when
// opened, or the connection ends (never a short "200").
struct TOpenFile {
  explicit TOpenFile(int descriptor) : fd(descriptor) {}
  ~TOpenFile() { ::close(fd); }
  TOpenFile(const TOpenFile&) = delete;
  TOpenFile& operator=(const TOpenFile&) = delete;
  int fd;
};

bool SendPiece(const TOpenFile& file, std::size_t offset, std::size_t length,
               httplib::DataSink& sink) {
  std::array<char, 65536> buffer{};
  const std::size_t want = std::min(length, buffer.size());
  ssize_t n = 0;
  do {
    n = ::pread(file.fd, buffer.data(), want, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  // A file cut short meanwhile, or unreadable: the connection ends, the client sees it torn.
  if (n <= 0) return false;
  return sink.write(buffer.data(), static_cast<std::size_t>(n));
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

// Binds server to host:port with a listening queue as long as the system allows: the library's
// own holds five, and a sixth connection made in the same moment waits a second to retry.
bool BindListening(httplib::Server& server, const char* host, int port) {
  int listening = -1;
  server.set_socket_options([&listening](int sock) {
    OnlyThisListener(sock);
    listening = sock;
  });
  const bool bound = server.bind_to_port(host, port);
  server.set_socket_options(OnlyThisListener);
  if (bound) ::listen(listening, SOMAXCONN);
  return bound;
}

void Refuse(httplib::Response& response, int status, const char* text) {
  response.status = status;
  response.set_content(text, "text/plain; charset=utf-8");
}

// Answers a request with the file of the site its path names.
void ServeFile(const TSiteAccess& site, const std::string& root,
               const std::function<void(const std::string&)>& on_served,
               const httplib::Request& request, httplib::Response& response) {
  const std::string& url_path = request.path;
  response.set_header("Cache-Control", "no-store");
  response.set_header("X-Content-Type-Options", "nosniff");
  const std::optional<std::string> file = FileForUrlPath(root, url_path);
  if (!file) return Refuse(response, 404, "404 Not Found\n");
  const int fd = OpenServedFile(site, *file);
  if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
    // Out of descriptors: the file is there all the same; the browser may ask again.
    response.set_header("Retry-After", "1");
    return Refuse(response, 503, "503 Too many open files: try again\n");
  }
  if (fd < 0) {
    // A folder without its "/": its index.html, where there is one, under the folder's address.
    const int index = url_path.back() == '/' ? -1 : OpenServedFile(site, *file + "/index.html");
    if (index < 0) return Refuse(response, 404, "404 Not Found\n");
    ::close(index);
    // The request's own path, as it was written (still percent-encoded), with its "/".
    const std::size_t query = request.target.find('?');
    std::string location = request.target.substr(0, query) + "/";
    if (query != std::string::npos) location += request.target.substr(query);
    response.set_redirect(location, 301);
    return;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return Refuse(response, 500, "500 The file could not be read\n");
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  // Pages get the live-reload script, and text files are told apart by their bytes: these are
  // read whole, up to a size. Everything else, and larger ones (told apart by their first
  // bytes, a page without the script), streams from the disk in bounded memory.
  std::string type = ContentTypeFor(*file, "");
  if (IsHtmlType(type) || type.starts_with("text/plain")) {
    if (size <= kReadWholeBytes) {
      std::optional<std::string> bytes = ReadAll(fd);
      if (!bytes) return Refuse(response, 500, "500 The file could not be read whole\n");
      if (on_served) on_served(*file);
      type = ContentTypeFor(*file, *bytes);
      if (IsHtmlType(type)) bytes = WithLiveReload(*bytes);
      response.set_content(*bytes, type);
      return;
    }
    std::string head(kSniffedBytes, '\0');
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    type = ContentTypeFor(*file, head);
  }
  // A range that starts at or past the end asks for nothing there is.
  if (request.ranges.size() == 1 && request.ranges.front().first >= 0 &&
      static_cast<std::size_t>(request.ranges.front().first) >= size) {
    ::close(fd);
    // The library would apply the range to the refusal's own text. (The request is its own.)
    const_cast<httplib::Request&>(request).ranges.clear();
    response.set_header("Content-Range", "bytes */" + std::to_string(size));
    return Refuse(response, 416, "416 Range Not Satisfiable\n");
  }
  if (on_served) on_served(*file);
  auto open = std::make_shared<TOpenFile>(fd);
  response.set_content_provider(
      size, type, [open](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        return SendPiece(*open, offset, length, sink);
      });
}

}  // namespace

TSiteServer::TSiteServer(TReloadHub& hub, std::function<void(const std::string&)> on_served)
    : hub_(hub), on_served_(std::move(on_served)) {}

TSiteServer::~TSiteServer() { Stop(); }

bool TSiteServer::Bind(int port, bool search, std::string* err) {
  for (int tried = 0; tried < (search ? kPortsTried : 1); ++tried) {
    const int candidate = port + tried;
    auto v4 = std::make_unique<httplib::Server>();
    if (!BindListening(*v4, "127.0.0.1", candidate)) {
      *err = "cannot listen on 127.0.0.1 port " + std::to_string(candidate) +
             " (in use, or not allowed)";
      continue;
    }
    auto v6 = std::make_unique<httplib::Server>();
    v6->set_address_family(AF_INET6);
    const bool ipv6 = BindListening(*v6, "::1", candidate);
    if (!ipv6) {
      // Taken on ::1 by another program: try the next port. No IPv6 at all: 127.0.0.1 alone.
      const int probe = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (probe >= 0) {
        ::close(probe);
        *err = "cannot listen on [::1] port " + std::to_string(candidate) + " (in use)";
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

void TSiteServer::Start(TSiteAccess site, std::string root) {
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
  server.new_task_queue = [] { return new TConnectionThreads(kThreads); };
  server.set_keep_alive_max_count(1000);
  server.set_keep_alive_timeout(kIdleSeconds);
  server.set_read_timeout(kIdleSeconds, 0);
  const std::string port = std::to_string(port_);
  std::vector<std::string> hosts = {"127.0.0.1:" + port, "[::1]:" + port, "localhost:" + port};
  // Clients leave out the default port.
  if (port_ == 80) hosts.insert(hosts.end(), {"127.0.0.1", "[::1]", "localhost"});
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
    // Several ranges could ask for the file many times over: the file is sent once, whole, as
    // a server may answer any range request. (The request is the library's own, not const.)
    if (request.ranges.size() > 1) const_cast<httplib::Request&>(request).ranges.clear();
    return Outcome::Unhandled;
  });
  for (const auto& [path, script] : {std::pair{kLiveScriptPath, LiveReloadScript()},
                                     std::pair{kLiveWorkerPath, LiveWorkerScript()}}) {
    server.Get(std::string(path),
               [text = script](const httplib::Request&, httplib::Response& response) {
                 response.set_header("Cache-Control", "no-store");
                 response.set_content(std::string(text), "text/javascript; charset=utf-8");
               });
  }
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
    ServeFile(site_, root_, on_served_, request, response);
  });
}

}  // namespace zorvik::cli
