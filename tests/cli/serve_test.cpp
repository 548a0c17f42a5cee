// zorvik serve as a browser and an attacker meet it: the real command on a free port of the
// loopback, asked over a plain socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/cli_fixture.h"
#include "support/loopback.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
using testing::FreePort;
using testing::PortIsFree;

// A new connection to 127.0.0.1, or -1.
int Connect(int port) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(sock);
    return -1;
  }
  return sock;
}

// One request as written, over a new connection to 127.0.0.1; the whole answer, each part of
// it waited for at most wait_ms.
std::string Ask(int port, const std::string& request, int wait_ms = 5000) {
  const int sock = Connect(port);
  if (sock < 0) return "(no connection)";
  ::send(sock, request.data(), request.size(), MSG_NOSIGNAL);
  std::string answer;
  char buffer[4096];
  pollfd fd{sock, POLLIN, 0};
  while (::poll(&fd, 1, wait_ms) > 0) {
    const ssize_t n = ::read(sock, buffer, sizeof buffer);
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(sock);
  return answer;
}

std::string Get(int port, const std::string& target, const std::string& host = "") {
  const std::string named = host.empty() ? "127.0.0.1:" + std::to_string(port) : host;
  return Ask(port,
             "GET " + target + " HTTP/1.1\r\nHost: " + named + "\r\nConnection: close\r\n\r\n");
}

int Status(const std::string& answer) {
  return answer.size() > 12 && answer.starts_with("HTTP/1.1 ") ? std::stoi(answer.substr(9, 3)) : 0;
}

// The ports of the loopback the process has listening sockets on, as "address:port" of
// /proc/net/tcp and tcp6 (hexadecimal), for every listening socket on port.
std::vector<std::string> ListeningAddresses(int port) {
  char hex_port[8];
  std::snprintf(hex_port, sizeof hex_port, ":%04X", port);
  std::vector<std::string> addresses;
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      if (state == "0A" && local.ends_with(hex_port)) addresses.push_back(local);
    }
  }
  return addresses;
}

class ServeTest : public testing::CliTest {
 protected:
  ServeTest() : CliTest("zorvik-serve-") {}
  ~ServeTest() override { Stop(SIGKILL); }

  // Starts zorvik serve with args, in at most address_space bytes and with a soft limit of
  // open_files descriptors when given; the address it prints, or "" when it printed none.
  std::string Start(const std::vector<std::string>& args, rlim_t address_space = 0,
                    rlim_t open_files = 0) {
    int out[2];
    EXPECT_EQ(::pipe(out), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 2);
      ::close(out[0]);
      if (address_space != 0) {
        const rlimit limit{address_space, address_space};
        ::setrlimit(RLIMIT_AS, &limit);
      }
      if (rlimit files{}; open_files != 0 && ::getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = open_files;
        ::setrlimit(RLIMIT_NOFILE, &files);
      }
      std::vector<std::string> all = {ZORVIK_BINARY, "serve"};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (std::string& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    pollfd fd{out[0], POLLIN, 0};
    char c = 0;
    while (::poll(&fd, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    return line;
  }
  // Ends the server with signal; its exit status, or -1.
  int Stop(int signal) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // A site of the first layout: pages in out/ that link ../style/, so the web root is site/.
  void MakeSite() {
    fs::create_directories(dir_ / "site/pages");
    fs::create_directories(dir_ / "site/out/empty");
    fs::create_directories(dir_ / "site/style");
    Write("site/style/site.css", "h1 { color: navy; }");
    Write("site/pages/page.tmpl",
          "<html><head><title>{$Title}</title><link rel=\"stylesheet\" "
          "href=\"../style/site.css\"></head><body>{$Title}</body></html>");
    Write(
        "site/pages/index.dat",
        "@Template {$DataFolder}page.tmpl\n@WriteFile {$DataFolder}../out/index.html\n$Title 表紙");
    Write("site/site.gro", "{$GRODataFolder}pages/index.dat");
    Write("outside.txt", "secret");
    Write("site/.hidden", "secret");
    Write("site/out/.env", "secret");
    Write("site/out/index.html.bak", "secret");
    fs::create_symlink(dir_ / "outside.txt", dir_ / "site/out/planted.html");
    fs::create_symlink(dir_, dir_ / "site/out/up");
  }

  pid_t pid_ = -1;
};

TEST_F(ServeTest, ServesTheSiteAndRefusesEverythingElse) {
  MakeSite();
  const int port = FreePort();
  const std::string url = Start({"--port", std::to_string(port), Path("site/site.gro")});
  ASSERT_EQ(url, "http://127.0.0.1:" + std::to_string(port) + "/out/index.html");

  const std::string page = Get(port, "/out/index.html");
  EXPECT_EQ(Status(page), 200) << page;
  EXPECT_NE(page.find("Content-Type: text/html; charset=Shift_JIS"), std::string::npos);
  EXPECT_NE(page.find(testing::Sjis("表紙") + "<script src=\"/.zorvik/live.js\"></script></body>"),
            std::string::npos);
  EXPECT_EQ(Read("site/out/index.html").find("live.js"), std::string::npos);  // never the file
  EXPECT_EQ(Status(Get(port, "/.zorvik/live.js")), 200);
  EXPECT_EQ(Status(Get(port, "/out")), 301);
  EXPECT_EQ(Status(Get(port, "/out/empty/")), 404);
  for (const std::string host : {"127.0.0.1", "localhost", "[::1]"}) {
    EXPECT_EQ(Status(Get(port, "/out/index.html", host + ":" + std::to_string(port))), 200) << host;
  }

  const struct {
    std::string request;
    int status;
  } refused[] = {
      {"GET /../outside.txt HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /out/%2e%2e/%2e%2e/outside.txt HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /out/%2E%2E%2F%2E%2E%2Foutside.txt HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /out/planted.html HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /out/up/outside.txt HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /.hidden HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /out/.env HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      // What the generation reads, and what editors leave, is not the site's.
      {"GET /pages/index.dat HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /pages/page.tmpl HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /site.gro HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /out/index.html.bak HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 404},
      {"GET /out/index.html HTTP/1.1\r\nHost: evil.example:P\r\n\r\n", 403},
      {"GET /out/index.html HTTP/1.1\r\nHost: localhost.evil.example:P\r\n\r\n", 403},
      {"GET /out/index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 403},
      {"GET /out/index.html HTTP/1.1\r\n\r\n", 403},
      {"POST /out/index.html HTTP/1.1\r\nHost: 127.0.0.1:P\r\nContent-Length: 0\r\n\r\n", 405},
      {"PUT /out/index.html HTTP/1.1\r\nHost: 127.0.0.1:P\r\nContent-Length: 0\r\n\r\n", 405},
      {"DELETE /out/index.html HTTP/1.1\r\nHost: 127.0.0.1:P\r\n\r\n", 405},
  };
  for (auto c : refused) {
    for (std::size_t at; (at = c.request.find(":P")) != std::string::npos;) {
      c.request.replace(at, 2, ":" + std::to_string(port));
    }
    c.request.insert(c.request.size() - 2, "Connection: close\r\n");
    const std::string answer = Ask(port, c.request);
    EXPECT_EQ(Status(answer), c.status) << c.request << answer;
    EXPECT_EQ(answer.find("secret"), std::string::npos) << c.request;
  }

  // Only the loopback: 127.0.0.1 and ::1, nothing else on the port.
  const std::vector<std::string> listening = ListeningAddresses(port);
  EXPECT_FALSE(listening.empty());
  for (const std::string& address : listening) {
    EXPECT_TRUE(address.starts_with("0100007F:") ||
                address.starts_with("00000000000000000000000001000000:"))
        << address;
  }

  // A second server on the same port is refused, not let in beside the first.
  const auto second = Zorvik({"serve", "--port", std::to_string(port), Path("site/site.gro")});
  EXPECT_EQ(second.status, 2);
  EXPECT_NE(second.err.find("cannot listen on 127.0.0.1 port"), std::string::npos) << second.err;

  EXPECT_EQ(Stop(SIGTERM), 0);
}

// Browsers keep idle connections and event streams open, hundreds with many tabs: a new
// request is answered while every one of them is still open, not once the server drops some.
TEST_F(ServeTest, ARequestNeverWaitsBehindIdleConnections) {
  MakeSite();
  const int port = FreePort();
  ASSERT_FALSE(Start({"--port", std::to_string(port), Path("site/site.gro")}).empty());
  std::vector<int> idle;
  std::vector<int> streams;
  for (int i = 0; i < 300; ++i) idle.push_back(Connect(port));
  const std::string events =
      "GET /.zorvik/events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
  for (int i = 0; i < 20; ++i) {
    streams.push_back(Connect(port));
    ::send(streams.back(), events.data(), events.size(), MSG_NOSIGNAL);
  }
  EXPECT_EQ(Status(Get(port, "/out/index.html")), 200);
  int dropped = 0;
  for (const int sock : idle) {
    pollfd fd{sock, POLLIN, 0};
    dropped += sock < 0 || ::poll(&fd, 1, 0) != 0;  // readable: the server closed it
  }
  EXPECT_EQ(dropped, 0);
  for (const int sock : idle) ::close(sock);
  for (const int sock : streams) ::close(sock);
  EXPECT_EQ(Stop(SIGTERM), 0);
}

// Where no more threads can be made (here the address space is too small for their stacks),
// connections wait for a thread to come free: every one is answered, and the server stays.
TEST_F(ServeTest, ConnectionsBeyondTheThreadsTheSystemAllowsWait) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit a limited address space";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit a limited address space";
#endif
#endif
  MakeSite();
  const int port = FreePort();
  ASSERT_FALSE(Start({"--port", std::to_string(port), Path("site/site.gro")}, 320u << 20).empty());
  std::vector<int> idle;
  for (int i = 0; i < 300; ++i) idle.push_back(Connect(port));
  const std::string request =
      "GET /out/index.html HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
      "\r\nConnection: close\r\n\r\n";
  std::vector<std::thread> askers;
  std::atomic<int> answered{0};
  for (int i = 0; i < 8; ++i) {
    askers.emplace_back([&] { answered += Status(Ask(port, request, 20000)) == 200; });
  }
  // The requests wait behind the idle connections; as those close, every one is answered.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (const int sock : idle) ::close(sock);
  for (std::thread& asker : askers) asker.join();
  EXPECT_EQ(answered, 8);
  EXPECT_EQ(Status(Ask(port, request, 20000)), 200);
  EXPECT_EQ(Stop(SIGTERM), 0);
}

// A range past the file's end is refused as HTTP says (416, with the size), one within it is
// answered; a folder asked for without its "/" is sent to the path as the request wrote it.
TEST_F(ServeTest, RangesAndFolderRedirectsAnswerAsHttpSays) {
  MakeSite();
  std::ofstream(Path("site/out/ten.bin"), std::ios::binary) << "0123456789";
  fs::create_directories(Path("site/out/a#b"));
  Write("site/out/a#b/index.html", "<p>x</p>");
  const int port = FreePort();
  ASSERT_FALSE(Start({"--port", std::to_string(port), Path("site/site.gro")}).empty());
  const auto ask = [&](const std::string& target, const std::string& range) {
    return Ask(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                         "\r\nRange: " + range + "\r\nConnection: close\r\n\r\n");
  };
  const struct {
    std::string target, range;
    int status;
    std::string header;
  } cases[] = {
      {"/out/ten.bin", "bytes=10-", 416, "Content-Range: bytes */10\r\n"},
      {"/out/ten.bin", "bytes=12-20", 416, "Content-Range: bytes */10\r\n"},
      {"/out/ten.bin", "bytes=9-", 206, "Content-Range: bytes 9-9/10\r\n"},
      {"/out/a%23b?v=1", "bytes=0-", 301, "Location: /out/a%23b/?v=1\r\n"},
  };
  for (const auto& c : cases) {
    const std::string answer = ask(c.target, c.range);
    EXPECT_EQ(Status(answer), c.status) << c.target << " " << c.range << "\n" << answer;
    EXPECT_NE(answer.find(c.header), std::string::npos) << answer;
    EXPECT_EQ(answer.find("Content-Range", answer.find("Content-Range") + 1), std::string::npos);
  }
  EXPECT_EQ(Stop(SIGTERM), 0);
}

// Started with the usual soft limit of 1,024 descriptors, serve takes the hard limit: more idle
// connections than the soft limit leave every page served.
TEST_F(ServeTest, IdleConnectionsBeyondTheSoftDescriptorLimitStopNothing) {
  rlimit files{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
  if (files.rlim_max < 4096) GTEST_SKIP() << "the hard limit leaves no room above 1,024";
  const rlim_t own = files.rlim_cur;
  files.rlim_cur = files.rlim_max;  // this test holds the connections' other ends
  ::setrlimit(RLIMIT_NOFILE, &files);
  MakeSite();
  const int port = FreePort();
  ASSERT_FALSE(Start({"--port", std::to_string(port), Path("site/site.gro")}, 0, 1024).empty());
  std::vector<int> idle;
  for (int i = 0; i < 1100; ++i) idle.push_back(Connect(port));
  EXPECT_EQ(Status(Get(port, "/out/index.html")), 200);
  for (const int sock : idle) ::close(sock);
  EXPECT_EQ(Stop(SIGTERM), 0);
  files.rlim_cur = own;
  ::setrlimit(RLIMIT_NOFILE, &files);
}

// Large files stream from the disk in bounded memory, four at once; several ranges get the file
// once (never many times over); and on port 80 a Host without a port is the server's own.
TEST_F(ServeTest, LargeFilesStreamAndSeveralRangesGetTheFileOnce) {
  MakeSite();
  const std::string big(96 << 20, 'z');
  std::ofstream(Path("site/out/big.bin"), std::ios::binary) << big;
  // A page too large to be read whole streams too, as the page it is (no live-reload script).
  const std::string page = "<html><head><meta charset=\"UTF-8\"></head><body>" + big;
  std::ofstream(Path("site/out/big.html"), std::ios::binary) << page;
  std::ofstream(Path("site/out/s.css"), std::ios::binary) << "0123456789";
  const int port = PortIsFree(80) ? 80 : FreePort();  // 80 for root, where nothing has it
  ASSERT_FALSE(Start({"--port", std::to_string(port), Path("site/site.gro")}).empty());
  std::vector<std::thread> readers;
  std::atomic<int> whole{0};
  for (int i = 0; i < 4; ++i) {
    readers.emplace_back([&, i] {
      const std::string answer = Get(port, i % 2 == 0 ? "/out/big.bin" : "/out/big.html");
      whole += i % 2 == 0 ? answer.ends_with(big)
                          : answer.ends_with("\r\n\r\n" + page) &&
                                answer.find("Content-Type: text/html; charset=UTF-8\r\n") <
                                    answer.find("\r\n\r\n");
    });
  }
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(whole, 4);
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  long peak_kb = 0;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) peak_kb = std::stol(line.substr(6));
  }
  EXPECT_LT(peak_kb, 64 << 10) << "the server held the files in memory";
  std::printf("serve's peak memory beside four 96 MiB downloads, two of a page: %ld KiB\n",
              peak_kb);

  const auto ranged = [&](const std::string& ranges) {
    return Ask(port, "GET /out/s.css HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                         "\r\nRange: bytes=" + ranges + "\r\nConnection: close\r\n\r\n");
  };
  std::string answer = ranged("2-4");
  EXPECT_EQ(Status(answer), 206);
  EXPECT_TRUE(answer.ends_with("\r\n\r\n234")) << answer;
  answer = ranged("0-9,0-9,0-9,0-9");
  EXPECT_EQ(Status(answer), 200);
  EXPECT_TRUE(answer.ends_with("\r\n\r\n0123456789")) << answer;

  if (port == 80) {
    EXPECT_EQ(Status(Get(port, "/out/index.html", "127.0.0.1")), 200);
    EXPECT_EQ(Status(Get(port, "/out/index.html", "localhost")), 200);
  }
  EXPECT_EQ(Stop(SIGTERM), 0);
}

// A site whose pages and style sheets lie in public/, beside its page sources and templates:
// public/ is the web root, served at "/", and nothing of the sources is served.
TEST_F(ServeTest, TheWebRootIsTheFolderOfThePagesAndWhatTheyLink) {
  fs::create_directories(dir_ / "site/pages");
  fs::create_directories(dir_ / "site/public/style");
  Write("site/public/style/site.css", "h1 { color: navy; }");
  Write("site/pages/page.tmpl",
        "<html><head><link rel=\"stylesheet\" href=\"style/site.css\"></head>"
        "<body>{$Title}</body></html>");
  Write("site/pages/index.dat",
        "@Template {$DataFolder}page.tmpl\n@WriteFile {$DataFolder}../public/index.html\n"
        "@PreviewCSS {$DataFolder}../public/style/site.css\n$Title 表紙");
  Write("site/site.gro", "{$GRODataFolder}pages/index.dat");
  const int port = FreePort();
  const std::string url = Start({"--port", std::to_string(port), Path("site/site.gro")});
  EXPECT_EQ(url, "http://127.0.0.1:" + std::to_string(port) + "/index.html");
  const std::string home = Get(port, "/");
  EXPECT_EQ(Status(home), 200) << home;
  EXPECT_NE(home.find(testing::Sjis("表紙")), std::string::npos);
  EXPECT_EQ(Status(Get(port, "/style/site.css")), 200);
  for (const char* source : {"/pages/index.dat", "/../pages/index.dat", "/site.gro"})
    EXPECT_EQ(Status(Get(port, source)), 404) << source;
  EXPECT_EQ(Stop(SIGTERM), 0);
}

// A page that links paths the system cannot look at (a name too long, a loop of links) is
// served, and so are the rest of the site's files; those paths are not found. A file it links
// outside the site's folder does not draw the web root up to it.
TEST_F(ServeTest, UnreachableLinksStopNothing) {
  fs::create_directories(dir_ / "private");
  Write("private/secret.txt", "the user's own");
  fs::create_directories(dir_ / "site/out");
  fs::create_symlink("loop", dir_ / "site/out/loop");
  const std::string long_name = std::string(300, 'a') + "/x.html";
  Write("site/t.tmpl", "<html><body>{$Body}</body></html>");
  Write("site/index.dat",
        "@Template {$DataFolder}t.tmpl\n@WriteFile {$DataFolder}out/index.html\n"
        "$Body <a href=\"" +
            long_name +
            "\">x</a><a href=\"loop/x.html\">y</a><img src=\"../../private/secret.txt\">");
  const int port = FreePort();
  ASSERT_NE(Start({"--port", std::to_string(port), Path("site/index.dat")}), "");
  EXPECT_EQ(Status(Get(port, "/")), 200);
  EXPECT_EQ(Status(Get(port, "/index.html")), 200);
  for (const std::string& unreachable :
       {"/" + long_name, std::string("/loop/x.html"), std::string("/private/secret.txt")})
    EXPECT_EQ(Status(Get(port, unreachable)), 404) << unreachable;
  EXPECT_EQ(Stop(SIGTERM), 0);
}

// A starter site, with a page added, is served from its public/ folder: "/" is its home page.
TEST_F(ServeTest, AStarterSiteIsServedFromItsRoot) {
  ASSERT_EQ(Zorvik({"new", Path("mysite")}).status, 0);
  ASSERT_EQ(Zorvik({"new", "--page", Path("mysite/pages/news.dat")}).status, 0);
  const int port = FreePort();
  EXPECT_EQ(Start({"--port", std::to_string(port), Path("mysite/site.gro")}),
            "http://127.0.0.1:" + std::to_string(port) + "/index.html");
  const std::string home = Get(port, "/");
  EXPECT_EQ(Status(home), 200);
  EXPECT_NE(home.find("<link rel=\"stylesheet\" href=\"style/site.css\">"), std::string::npos);
  EXPECT_EQ(Status(Get(port, "/style/site.css")), 200);
  EXPECT_EQ(Status(Get(port, "/article.html")), 200);
  EXPECT_EQ(Status(Get(port, "/news.html")), 200);  // the page added
  EXPECT_EQ(Stop(SIGTERM), 0);
}

// A group that names no page: each verb says so, and nothing is read past the empty list.
TEST_F(ServeTest, AGroupWithoutPagesIsSaidSo) {
  Write("empty.gro", "");
  for (const char* verb : {"serve", "check", "publish"}) {
    std::vector<std::string> args = {verb, Path("empty.gro")};
    if (std::string(verb) == "publish") args.insert(args.begin() + 1, "--to=sftp://me@127.0.0.1/x");
    const auto run = Zorvik(args);
    EXPECT_NE(run.status, 0) << verb;
    EXPECT_EQ(run.err.find("holds more than a site"), std::string::npos) << verb << run.err;
  }
}

// A page alone is served too; --open hands its address to the user's browser (xdg-open, here
// a stand-in that notes what it was given); Ctrl+C ends it with 0.
TEST_F(ServeTest, OpensThePageInTheBrowserAndEndsOnCtrlC) {
  MakeSite();
  fs::create_directories(dir_ / "bin");
  std::ofstream(dir_ / "bin/xdg-open") << "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/opened\"\n";
  fs::permissions(dir_ / "bin/xdg-open", fs::perms::owner_all);
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", (Path("bin") + ":" + path).c_str(), 1);
  const int port = FreePort();
  const std::string url =
      Start({"--open", "--port=" + std::to_string(port), Path("site/pages/index.dat")});
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(url, "http://127.0.0.1:" + std::to_string(port) + "/out/index.html");
  for (int i = 0; i < 100 && !fs::exists(dir_ / "bin/opened"); ++i) ::usleep(20000);
  EXPECT_EQ(Read("bin/opened"), url + "\n");
  // The browser's starter has ended and been reaped: serve has no child left, defunct or not.
  const std::string children =
      "/proc/" + std::to_string(pid_) + "/task/" + std::to_string(pid_) + "/children";
  std::string left = "?";
  for (int i = 0; i < 100 && !left.empty(); ++i, ::usleep(20000)) {
    std::ifstream in(children);
    left.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_EQ(left, "");
  EXPECT_EQ(Stop(SIGINT), 0);
}

}  // namespace
}  // namespace zorvik
