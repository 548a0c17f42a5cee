// Which folders make a page's site, and what of them may be opened: while an attacker swaps
// folders for links, and for folders that hold more than the site.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "preview/preview_document.h"
#include "site/site_access.h"
#include "site/web_root.h"
#include "support/temp_folder.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;

class PreviewSiteTest : public ::testing::Test {
 protected:
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    fs::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  // What OpenServedFile gives for path: the file's bytes, or "-" when refused.
  static std::string Served(const TSiteAccess& site, const std::string& path) {
    const int fd = OpenServedFile(site, path);
    if (fd < 0) return "-";
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  testing::TTempFolder folder_{"zorvik-site-"};
  const fs::path& dir_ = folder_.Path();
};

TEST_F(PreviewSiteTest, TheSiteIsTheFolderBothFilesShareUnlessItHoldsMore) {
  const std::string home = P("home");
  for (const char* folder :
       {"home/site/pages", "home/site/out", "home/www", "shared/site", "sticky/site", "open"}) {
    fs::create_directories(dir_ / folder);
  }
  ::chmod(P("sticky").c_str(), 01777);
  ::chmod(P("open").c_str(), 0777);
  const std::string css = P("home/site/preview.css");
  struct Case {
    std::string source, output;
    std::vector<std::string> roots;
    bool narrowed;
  };
  const Case cases[] = {
      {P("home/site/pages/p.dat"), P("home/site/out/p.html"), {P("home/site/")}, false},
      // A page source directly in the home folder: only the output's folder.
      {P("home/homepage.dat"), P("home/www/index.html"), {P("home/www/")}, true},
      {P("home/site/pages/p.dat"), P("home/p.html"), {P("home/site/pages/")}, true},
      // Sharing only the home folder or a folder above it: each file's own folder.
      {P("home/site/pages/p.dat"),
       P("home/www/p.html"),
       {P("home/site/pages/"), P("home/www/")},
       true},
      {P("home/site/p.dat"), P("shared/site/p.html"), {P("home/site/"), P("shared/site/")}, true},
      // Folders that others may write to, and what lies below them.
      {P("sticky/x.dat"), P("sticky/y.html"), {}, true},
      {P("open/x.dat"), P("open/y.html"), {}, true},
      {P("sticky/site/x.dat"), P("sticky/site/y.html"), {P("sticky/site/")}, false},
      {"/p.dat", P("home/www/p.html"), {P("home/www/")}, true},
      {"", "", {}, false},
  };
  for (const Case& c : cases) {
    const TSiteAccess site = PreviewSiteFor(c.source, c.output, css, home);
    EXPECT_EQ(site.roots, c.roots) << c.source << " " << c.output;
    EXPECT_EQ(site.narrowed, c.narrowed) << c.source << " " << c.output;
  }
  // A site kept in memory under /dev/shm is a site like any other; /dev itself never.
  const fs::path shm = fs::path("/dev/shm") / ("zorvik-site-" + std::to_string(::getpid()));
  if (fs::create_directories(shm / "site")) {
    ::chmod(shm.c_str(), 0755);
    const TSiteAccess site =
        PreviewSiteFor((shm / "site/p.dat").string(), (shm / "site/p.html").string(), "", home);
    EXPECT_EQ(site.roots, std::vector<std::string>{(shm / "site/").string()});
    fs::remove_all(shm);
  }
  EXPECT_TRUE(PreviewSiteFor("/dev/p.dat", "/dev/p.html", "", home).roots.empty());
}

// The web root holds the pages and what they link, through style sheets too; sources count not,
// and neither does a link planted in the site that leads out of it, nor a file linked outside
// the site's folder.
TEST_F(PreviewSiteTest, TheWebRootHoldsThePagesAndWhatTheyLink) {
  Write("s/public/style/site.css", "body { background: url(../img/bg.png); }");
  Write("s/public/img/bg.png", "png");
  Write("s/public/deep/style.css", "h1 { background: url(../../shared/logo.png); }");
  Write("s/shared/logo.png", "png");
  Write("s/style/old.css", "h1 {}");
  fs::create_directories(dir_ / "s/out");
  fs::create_directories(dir_ / "s/pages");
  fs::create_symlink("/etc/passwd", dir_ / "s/public/planted");
  fs::create_symlink("loop", dir_ / "s/public/loop");
  Write("private/secret.txt", "the user's own");
  struct {
    const char* page;
    std::vector<std::string> addresses;
    const char* root;
  } cases[] = {
      {"s/public/index.html",
       {"style/site.css", "/style/none.css", "https://x.example/"},
       "s/public/"},
      {"s/public/index.html", {"planted", "missing.png", "#top", "mailto:a@b"}, "s/public/"},
      {"s/public/index.html", {"deep/style.css?v=2"}, "s/"},  // its sheet reaches shared/
      {"s/out/index.html", {"../style/old.css"}, "s/"},       // the first layout
      {"s/out/index.html", {}, "s/out/"},
      {"s/public/index.html", {"../../private/secret.txt", "style/site.css"}, "s/public/"},
      // Paths the system cannot look at name no file: the preview goes on.
      {"s/public/index.html", {std::string(300, 'a') + "/x.html", "loop/x.html"}, "s/public/"},
  };
  for (const auto& c : cases) {
    const TSiteOfPages site =
        SiteOfPages({{P(c.page), c.addresses}}, P(c.page), P("home"), P("s/"));
    EXPECT_EQ(site.root, P(c.root)) << c.page;
    EXPECT_FALSE(site.site.narrowed) << c.page;
    EXPECT_EQ(site.outside.contains(P("private/secret.txt")),
              !c.addresses.empty() && c.addresses.front() == "../../private/secret.txt");
  }
  EXPECT_TRUE(SiteOfPages({}, "", P("home"), "").site.roots.empty());
}

TEST_F(PreviewSiteTest, OnlyRegularFilesOfTheSiteWithoutDotPartsAreOpened) {
  Write("site/img/a.png", "PNG");
  Write("site/.git/config", "GIT");
  Write("site/img/.hidden", "HIDDEN");
  Write("css/preview.css", "CSS");
  Write("other.css", "OTHER");
  fs::create_symlink(P("other.css"), P("site/img/out-link"));
  fs::create_symlink(P("site/img/a.png"), P("site/img/in-link"));
  ASSERT_EQ(::mkfifo(P("site/img/fifo").c_str(), 0600), 0);
  TSiteAccess site;
  site.roots = {P("site/")};
  site.style_sheet = P("css/preview.css");
  EXPECT_EQ(Served(site, P("site/img/a.png")), "PNG");
  EXPECT_EQ(Served(site, P("site/img/in-link")), "PNG");
  EXPECT_EQ(Served(site, P("css/preview.css")), "CSS");
  for (const char* refused : {"site/.git/config", "site/img/.hidden", "site/img/out-link",
                              "site/img/fifo", "site/img", "other.css", "site/img/missing.png"}) {
    EXPECT_EQ(Served(site, P(refused)), "-") << refused;
  }
  EXPECT_EQ(Served(site, "/etc/passwd"), "-");
}

TEST_F(PreviewSiteTest, AFolderSwappedForALinkWhileFilesAreReadLetsNothingOut) {
  // "a" changes between a folder of the site, a link to a folder outside it and a link to a
  // dot-folder of the site; every file read through it must be the site's own.
  Write("site/a.real/f.txt", "SITE");
  Write("outside/f.txt", "OUTSIDE");
  Write("site/.git/f.txt", "DOT");
  fs::create_symlink(P("outside"), P("site/a.out"));
  fs::create_symlink(P("site/.git"), P("site/a.dot"));
  fs::rename(P("site/a.real"), P("site/a"));
  TSiteAccess site;
  site.roots = {P("site/")};
  std::atomic<bool> done{false};
  std::thread swapper([&] {
    const std::string a = P("site/a"), real = P("site/a.real"), out = P("site/a.out"),
                      dot = P("site/a.dot");
    for (int i = 0; !done; ++i) {
      const std::string& link = i % 2 == 0 ? out : dot;
      std::rename(a.c_str(), real.c_str());
      std::rename(link.c_str(), a.c_str());
      std::rename(a.c_str(), link.c_str());
      std::rename(real.c_str(), a.c_str());
    }
  });
  int escaped = 0, served = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string got = Served(site, P("site/a/f.txt"));
    escaped += got == "OUTSIDE" || got == "DOT";
    served += got == "SITE";
  }
  done = true;
  swapper.join();
  EXPECT_EQ(escaped, 0);
  EXPECT_GT(served, 0);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// The previewed page stands where its file would be written, or as preview.html in the page
// source's folder; only a written file's place opens a site.
TEST(PreviewDocumentTest, ThePageStandsWhereItsFileWouldBeWritten) {
  testing::TTestEngine engine;
  engine.state.DataFolder = "/s/pages/";
  engine.state.WriteFile = "/s/pages/../out/a.html";
  const TPreviewDocument written =
      PreviewDocumentFor(engine.context, "<p>", "/s/pages/a.dat", "/h");
  EXPECT_EQ(written.path, "/s/out/a.html");
  EXPECT_EQ(written.html, "<p>");
  engine.state.WriteFile.clear();
  const TPreviewDocument unwritten = PreviewDocumentFor(engine.context, "", "", "/h");
  EXPECT_EQ(unwritten.path, "/s/pages/preview.html");
}

}  // namespace
}  // namespace zorvik
