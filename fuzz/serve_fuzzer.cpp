// Feeds hostile requests to `zorvik serve`: each input is taken as a URL path by the address
// rule, and sent whole, as the request line and headers, to a real server on the loopback
// ("{HOST}" in it stands for the server's host and port, so that the corpus reaches past the
// Host check). Besides crashes and sanitizer reports it checks that the rule never names a file
// outside the root, that every answer is HTTP, and that no answer holds a file the site does
// not serve: one beside the root, a dot file, a link out, a generation input.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "cli/site_server.h"
#include "serve/reload_hub.h"
#include "site/site_urls.h"

namespace {

namespace fs = std::filesystem;
constexpr std::string_view kSecret = "NOT-FOR-THE-BROWSER";

class TServedSite {
 public:
  TServedSite() : server_(hub_, nullptr) {
    fs::create_directories(dir_ / "site/sub");
    const fs::path& dir = dir_;
    root_ = (dir / "site").string() + "/";
    std::ofstream(dir / "site/index.html") << "<p>page</p>";
    std::ofstream(dir / "site/sub/a.css") << "p { color: red }";
    std::ofstream(dir / "secret.txt") << kSecret;
    std::ofstream(dir / "site/.hidden") << kSecret;
    std::ofstream(dir / "site/page.tmpl") << kSecret;
    std::error_code ignored;
    fs::create_symlink("../secret.txt", dir / "site/link.txt", ignored);
    zorvik::TSiteAccess site;
    site.roots = {root_};
    site.left_out = {root_ + "page.tmpl"};
    std::string error;
    if (!server_.Bind(20000 + ::getpid() % 20000, true, &error)) std::abort();
    server_.Start(site, root_);
    host_ = "127.0.0.1:" + std::to_string(server_.Port());
  }
  ~TServedSite() {
    server_.Stop();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  TServedSite(const TServedSite&) = delete;
  TServedSite& operator=(const TServedSite&) = delete;

  const std::string& Root() const { return root_; }

  // What the server answers to request: read until it closes the connection or falls silent.
  // (A client that has sent everything cannot say so by shutting its side: the server takes a
  // half-closed connection for a gone one and answers nothing.)
  std::string Ask(std::string request) const {
    for (std::size_t at = request.find("{HOST}"); at != std::string::npos;
         at = request.find("{HOST}", at + host_.size())) {
      request.replace(at, 6, host_);
    }
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(server_.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      (void)::send(sock, request.data(), request.size(), MSG_NOSIGNAL);
      // The loopback answers in well under a millisecond: a request still incomplete gets
      // nothing in 20 ms, and an answer is whole once 5 ms pass without a byte.
      char buffer[4096];
      pollfd readable{sock, POLLIN, 0};
      while (::poll(&readable, 1, answer.empty() ? 20 : 5) > 0) {
        const ssize_t n = ::recv(sock, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
      }
    }
    ::close(sock);
    return answer;
  }

 private:
  const fs::path dir_ =
      fs::temp_directory_path() / ("zorvik-serve-fuzz-" + std::to_string(::getpid()));
  zorvik::TReloadHub hub_;
  zorvik::cli::TSiteServer server_;
  std::string root_;
  std::string host_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TServedSite site;
  const std::string input(reinterpret_cast<const char*>(data), size);

  // The address rule alone: below the root, with no part that climbs out of it.
  if (const auto file = zorvik::FileForUrlPath(site.Root(), input)) {
    if (!file->starts_with(site.Root()) || file->find("/../") != std::string::npos ||
        file->ends_with("/..")) {
      std::abort();
    }
  }
  // The whole request.
  const std::string answer = site.Ask(input);
  if (!answer.empty() && !answer.starts_with("HTTP/1.1 ")) std::abort();
  if (answer.find(kSecret) != std::string::npos) std::abort();
  return 0;
}
