// What the site server answers with: content types and charsets, the files that addresses
// name, the live-reload script's place, and the events waiting pages get.
#include <gtest/gtest.h>

#include <thread>

#include "serve/live_reload.h"
#include "serve/reload_hub.h"
#include "site/content_type.h"
#include "site/site_urls.h"

namespace zorvik {
namespace {

TEST(ServeCoreTest, AnHtmlPageIsSentWithTheCharsetItsBytesDeclare) {
  const struct {
    const char* path;
    std::string bytes;
    const char* type;
  } cases[] = {
      {"a.html", "<meta charset=\"Shift_JIS\">", "text/html; charset=Shift_JIS"},
      {"a.HTM", "<META CHARSET=utf-8>", "text/html; charset=utf-8"},
      {"a.html", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">",
       "text/html; charset=EUC-JP"},
      {"a.html", "<p>no declaration</p>", "text/html; charset=Shift_JIS"},
      // Without a declaration the bytes tell: UTF-8 when they are, Shift-JIS otherwise.
      {"a.html", "<p>日本語</p>", "text/html; charset=UTF-8"},
      {"a.html", "<p>\x93\xfa\x96\x7b</p>", "text/html; charset=Shift_JIS"},
      {"notes.txt", "日本語", "text/plain; charset=UTF-8"},
      // Past the first 1024 bytes a declaration no longer counts, as in a browser.
      {"a.html", std::string(1100, ' ') + "<meta charset=utf-8>", "text/html; charset=Shift_JIS"},
      // A name that could break the header is no charset.
      {"a.html", "<meta charset=\"\r\nSet-Cookie: x\">", "text/html; charset=Shift_JIS"},
      {"s/site.css", "", "text/css"},
      {"p.PNG", "", "image/png"},
      {"notes.txt", "", "text/plain; charset=Shift_JIS"},
      {"dir.v2/README", "", "application/octet-stream"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ContentTypeFor(c.path, c.bytes), c.type) << c.path << " " << c.bytes;
  }
}

TEST(ServeCoreTest, AnAddressNamesAFileBelowTheRootOrNothing) {
  const std::string root = "/srv/site/";
  const struct {
    const char* url;
    const char* file;  // nullptr: refused
  } cases[] = {
      {"/out/index.html", "/srv/site/out/index.html"},
      {"/out/", "/srv/site/out/index.html"},
      {"/", "/srv/site/index.html"},
      {"/out/../../etc/passwd", nullptr},
      {"/./out/a.html", nullptr},
      {"/.git/config", nullptr},
      {"/out/.htaccess", nullptr},
      {"/out//a.html", nullptr},
      {"out/a.html", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    const auto file = FileForUrlPath(root, c.url);
    if (c.file == nullptr) {
      EXPECT_FALSE(file) << c.url;
    } else {
      EXPECT_EQ(file.value_or("(none)"), c.file) << c.url;
    }
  }
  EXPECT_FALSE(FileForUrlPath(root, std::string("/a\0b", 4)));
  EXPECT_EQ(UrlPathForFile(root, "/srv/site/out/新着 1.html"), "/out/%E6%96%B0%E7%9D%80%201.html");
  EXPECT_FALSE(UrlPathForFile(root, "/srv/other/a.html"));
}

TEST(ServeCoreTest, TheScriptGoesBeforeTheLastBodyEnd) {
  const std::string element = "<script src=\"/.zorvik/live.js\"></script>";
  EXPECT_EQ(WithLiveReload("<body>a</BODY>\r\n</html>"),
            "<body>a" + element + "</BODY>\r\n</html>");
  EXPECT_EQ(WithLiveReload("<p>fragment"), "<p>fragment" + element);
  // A "</body>" in a script's text is not the body's end: the last one is.
  EXPECT_EQ(WithLiveReload("<body><script>s = \"</body>\";</script></body>"),
            "<body><script>s = \"</body>\";</script>" + element + "</body>");
  EXPECT_EQ(ReloadEvent({"/a \"b\".html"}), "event: reload\ndata: [\"/a \\\"b\\\".html\"]\n\n");
  EXPECT_EQ(ErrorsEvent({"x:1: error: a\nb"}),
            "event: errors\ndata: [\"x:1: error: a\\u000ab\"]\n\n");
}

// A page waiting on the hub gets each event once, a page that connects later is told the
// errors that stand, and stopping ends every wait.
TEST(ServeCoreTest, WaitingPagesGetEachEventOnce) {
  TReloadHub hub;
  std::uint64_t next = hub.Published();
  std::vector<std::string> got;
  std::thread page([&] { got = hub.Wait(next, std::chrono::seconds(10)); });
  hub.Publish(ReloadEvent({"/a.html"}));
  page.join();
  EXPECT_EQ(got, std::vector<std::string>{ReloadEvent({"/a.html"})});
  EXPECT_TRUE(hub.Wait(next, std::chrono::milliseconds(1)).empty());

  hub.SetErrors({"p.dat:3: error: x"});
  hub.SetErrors({"p.dat:3: error: x"});  // the same errors again: no second event
  EXPECT_EQ(hub.Wait(next, std::chrono::milliseconds(1)).size(), 1U);
  EXPECT_NE(hub.Greeting().find("p.dat:3: error: x"), std::string::npos);
  hub.SetErrors({});
  EXPECT_EQ(hub.Wait(next, std::chrono::milliseconds(1)), std::vector<std::string>{ClearedEvent()});
  EXPECT_EQ(hub.Greeting().find("errors"), std::string::npos);

  std::thread stopped([&] { got = hub.Wait(next, std::chrono::seconds(10)); });
  hub.Stop();
  stopped.join();
  EXPECT_TRUE(got.empty());
  EXPECT_TRUE(hub.Stopped());
}

}  // namespace
}  // namespace zorvik
