// The preview with the real browser engine (run under xvfb-run): marker colours read back from
// the rendered page, the style block kept out of the written file, the empty document after an
// error, the caption, a minimised window, and navigation errors from a loopback server.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>
#include <cstring>
#include <functional>

#include "editor/teditor.h"
#include "preview/preview_markup.h"
#include "preview/ui/preview_scheme.h"
#include "support/sjis.h"
#include "wait_for.h"
#include "workbench/ui/live_preview.h"
#include "workbench_gui/workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::FrontTab;
using testing::HtmlPane;
using testing::LogPane;
using testing::Sjis;
using testing::SourcePane;
using testing::WaitFor;
using testing::Workbench;
using testing::WriteFile;

QVariant RunJs(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool finished = false;
  view->page()->runJavaScript(script, [&](const QVariant& v) {
    result = v;
    finished = true;
  });
  WaitFor([&] { return finished; });
  return result;
}

// Previews and waits until the frame has completed the document.
void PreviewAndWait(TForm1& form1, TForm2& form2) {
  bool loaded = false;
  Control<QAction>(form1, "tbPreview")->trigger();
  // The connection ends with this function (the guard goes first), so that no later load
  // writes into its stack.
  QObject guard;
  QObject::connect(Control<TfrBrowserBase>(form2, "frBrowserBase1")->Browser(),
                   &QWebEngineView::loadFinished, &guard, [&](bool) { loaded = true; });
  ASSERT_TRUE(WaitFor([&] { return loaded; }));
}

// Answers GET /500 and /404 with those statuses.
class TStatusServer : public QTcpServer {
 public:
  TStatusServer() {
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
          const QByteArray request = socket->readAll();
          const QByteArray status =
              request.contains("GET /500") ? "500 Internal Server Error" : "404 Not Found";
          const QByteArray body = "<html><body>error page " + status.left(3) + "</body></html>";
          socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
          socket->disconnectFromHost();
        });
      }
    });
  }
};

class PreviewTest : public testing::WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    QDir(root_).mkpath("site");
    WriteFile(root_ + "/site/t.tmpl",
              "<html><head><title>{$Title}</title>\r\n<!--previewcss-->\r\n</head><body>{$Body}</"
              "body></html>\r\n");
    WriteFile(root_ + "/site/preview.css", "body { margin: 0; }\r\n");
    WriteFile(root_ + "/site/page.dat",
              "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/page.html\r\n"
              "@PreviewCSS {$DataFolder}preview.css\r\n$Title " +
                  Sjis("見出し") +
                  "\r\n"
                  "$Body <span class=\"ft_rd\">" +
                  Sjis("赤") + "</span><span class=\"ft_mk\">m</span>\r\n");
  }
};

TEST_F(PreviewTest, MarkersShowInTheirColoursAndTheCaptionFollowsTheTitle) {
  Workbench wb(root_);
  EXPECT_FALSE(Control<TfrBrowserBase>(wb.form2, "frBrowserBase1")
                   ->BrowserStarted());  // no browser before the first preview
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/site/page.dat"));
  wb.form2.showMinimized();
  PreviewAndWait(wb.form1, wb.form2);
  QWebEngineView* view = Control<TfrBrowserBase>(wb.form2, "frBrowserBase1")->Browser();
  EXPECT_EQ(RunJs(view, "getComputedStyle(document.querySelector('.ft_rd')).color").toString(),
            QStringLiteral("rgb(255, 0, 0)"));
  EXPECT_EQ(
      RunJs(view, "getComputedStyle(document.querySelector('.ft_mk')).backgroundColor").toString(),
      QStringLiteral("rgb(255, 255, 0)"));
  EXPECT_EQ(RunJs(view, "document.querySelector('.ft_rd').textContent").toString(),
            QStringLiteral("赤"));
  EXPECT_EQ(RunJs(view, "getComputedStyle(document.body).marginTop").toString(),
            QStringLiteral("0px"));
  EXPECT_TRUE(WaitFor([&] { return wb.form2.windowTitle() == QStringLiteral("見出し"); }));
  EXPECT_FALSE(wb.form2.isMinimized());

  // The written file of the same page has no style block.
  Control<QAction>(wb.form1, "tbWriteoutHTMLFile")->trigger();
  const std::string written = testing::ReadFile(root_ + "/site/out/page.html");
  EXPECT_EQ(written.find("<style"), std::string::npos);
  EXPECT_EQ(written.find("PREVIEWCSS"), std::string::npos);
}

TEST_F(PreviewTest, WithoutAPreviewStyleSheetTheLinkIsEmptyAndErrorsShowNothing) {
  Workbench wb(root_);
  WriteFile(root_ + "/site/plain.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/plain.html\r\n$Title "
            "t\r\n$Body b\r\n");
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/site/plain.dat"));
  PreviewAndWait(wb.form1, wb.form2);
  QWebEngineView* view = Control<TfrBrowserBase>(wb.form2, "frBrowserBase1")->Browser();
  EXPECT_EQ(RunJs(view, "document.querySelector('link[type=\"text/css\"]').getAttribute('href')")
                .toString(),
            QString());
  SourcePane(wb.form1)->SetText("@Template {$DataFolder}t.tmpl\r\nbad");
  PreviewAndWait(wb.form1, wb.form2);
  EXPECT_EQ(FrontTab(wb.form1), "tsLogs");
  EXPECT_EQ(RunJs(view, "document.documentElement.textContent").toString(), QString());
  EXPECT_TRUE(
      WaitFor([&] { return wb.form2.windowTitle().isEmpty(); }));  // not the internal address
}

// The bytes of the page the preview was handed, read back from the browser.
std::string PreviewedBytes(QWebEngineView* view) {
  const QString codes = RunJs(view,
                              "var r = new XMLHttpRequest(); r.open('GET', location.href, false);"
                              "r.overrideMimeType('text/plain; charset=x-user-defined'); r.send();"
                              "Array.from(r.responseText, c => c.charCodeAt(0) & 0xFF).join(',')")
                            .toString();
  std::string bytes;
  for (const QString& code : codes.split(',', Qt::SkipEmptyParts))
    bytes += static_cast<char>(code.toInt());
  return bytes;
}

TEST_F(PreviewTest, ThePreviewIsTheRunsOwnBytes) {
  const std::string raw = "\x87\x9A\xED\x40\x85\x40";  // bytes Unicode cannot carry back
  const std::string utf8 = "<p>\xC3\xBC\xE6\x97\xA5</p>";
  WriteFile(root_ + "/site/raw.tmpl", "<html>" + raw + "{$Body}\r\n" + utf8 + "\r\n</html>");
  WriteFile(root_ + "/site/raw.dat",
            "@Template {$DataFolder}raw.tmpl\r\n@WriteFile {$DataFolder}out/raw.html\r\n"
            "$Body " +
                raw + "\r\n");
  Workbench wb(root_);
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/site/raw.dat"));
  PreviewAndWait(wb.form1, wb.form2);
  EXPECT_EQ(PreviewedBytes(Control<TfrBrowserBase>(wb.form2, "frBrowserBase1")->Browser()),
            "<html>" + raw + raw + "\r\n" + utf8 + "\r\n</html>\r\n");
}

TEST_F(PreviewTest, ServerErrorsAreCancelledAndNotFoundIsLeftToTheEngine) {
  TStatusServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  Workbench wb(root_);
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/site/page.dat"));
  PreviewAndWait(wb.form1, wb.form2);
  TfrBrowserBase& frame = *Control<TfrBrowserBase>(wb.form2, "frBrowserBase1");
  const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());

  // Every load that ended, by its address: a step waits for its own load, not one before it.
  QStringList ended;
  QObject guard;
  QObject::connect(frame.Browser()->page(), &QWebEnginePage::loadingChanged, &guard,
                   [&](const QWebEngineLoadingInfo& info) {
                     if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus) {
                       ended << info.url().toString();
                     }
                   });

  frame.Browser()->load(QUrl(base + "/500"));
  ASSERT_TRUE(WaitFor([&] { return frame.Stopped(); }));
  EXPECT_TRUE(WaitFor([&] { return ended.contains(QStringLiteral("about:blank")); }));
  EXPECT_EQ(frame.Browser()->url().toString(), QStringLiteral("about:blank"));
  EXPECT_TRUE(Control<QStatusBar>(wb.form2, "StatusBar1")
                  ->currentMessage()
                  .startsWith(QStringLiteral("[*")));
  QString probed;
  ProbeHttpStatus(QUrl(base + "/500"), &frame, [&](const QString& code) { probed = code; });
  EXPECT_TRUE(WaitFor([&] { return probed == QStringLiteral("500"); }));

  frame.Browser()->load(QUrl(base + "/404"));
  ASSERT_TRUE(WaitFor([&] { return ended.contains(base + "/404"); }));
  EXPECT_FALSE(frame.Stopped());

  // A network error (a port held but not listened on refuses every connection, and no
  // connection can take it as its own end meanwhile): the load is cancelled, the window goes on.
  const int held = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(held, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::getsockname(held, reinterpret_cast<sockaddr*>(&address), &length), 0);
  frame.Browser()->load(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(address.sin_port))));
  EXPECT_TRUE(WaitFor([&] { return frame.Stopped(); }));
  ::close(held);
}

TEST_F(PreviewTest, PagesBeyondTheInMemoryLimitStillPreview) {
  // Loading HTML through a data URL stops at 2 MB; the preview serves its page itself.
  Workbench wb(root_);
  std::string big =
      "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/big.html\r\n$Title "
      "big\r\n[Body]\r\n";
  for (int i = 0; i < 60000; ++i)
    big += "<p>" + Sjis("大きなページの一行です") + " " + std::to_string(i) + "</p>\r\n";
  big += "[/Body]";
  WriteFile(root_ + "/site/big.dat", big);
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/site/big.dat"));
  PreviewAndWait(wb.form1, wb.form2);
  EXPECT_GT(HtmlPane(wb.form1)->Text().size(), 2u << 20);
  EXPECT_EQ(RunJs(Control<TfrBrowserBase>(wb.form2, "frBrowserBase1")->Browser(),
                  "document.querySelectorAll('p').length")
                .toInt(),
            60000);
}

TEST_F(PreviewTest, AFolderThatHoldsMoreThanTheSiteIsNotServedAndTheStatusBarSaysSo) {
  QDir(root_).mkpath("shared");
  ::chmod((root_ + "/shared").toLocal8Bit().constData(), 01777);  // as /tmp
  WriteFile(root_ + "/shared/p.dat",
            "@Template {$DataFolder}../site/t.tmpl\r\n@WriteFile {$DataFolder}p.html\r\n$Title "
            "t\r\n$Body b\r\n");
  Workbench wb(root_);
  for (const char* page : {"/shared/p.dat", "/site/page.dat"}) {
    ASSERT_TRUE(wb.form1.OpenDocument(root_ + page));
    PreviewAndWait(wb.form1, wb.form2);
    EXPECT_EQ(Control<QLabel>(wb.form2, "lbNarrowedSite")->isHidden(),
              std::string(page) == "/site/page.dat")
        << page;
  }
}

TEST_F(PreviewTest, TheFirstPreviewStandsBesideTheMainWindow) {
  Workbench wb(root_);
  const QRect screen = wb.form1.screen()->availableGeometry();
  wb.form1.setGeometry(screen.left(), screen.top(), screen.width() / 2, screen.height() / 2);
  wb.form1.show();
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/site/page.dat"));
  PreviewAndWait(wb.form1, wb.form2);
  EXPECT_GE(wb.form2.x(),
            wb.form1.x() + wb.form1.width() / 3);  // the editor's left part stays in view
}

TEST(CappedFileTest, AServedFileIsReadNoFurtherThanTheLimitWhateverItGrowsTo) {
  QTemporaryDir dir;
  QFile writer(dir.path() + "/grows.bin");
  ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
  writer.write("12345");
  writer.flush();
  TCappedFile capped(10, nullptr);
  capped.setFileName(writer.fileName());
  ASSERT_TRUE(capped.open(QIODevice::ReadOnly));
  writer.write("6789abcdefghij");
  writer.flush();
  EXPECT_EQ(capped.readAll(), QByteArray("123456789a"));
  EXPECT_TRUE(capped.atEnd());
}

TEST(StatusLineTest, FlagsAndScriptAddresses) {
  EXPECT_EQ(StatusLineText("http://a/b.html", false, false), "http://a/b.html");
  EXPECT_EQ(StatusLineText("", true, true), "[*+]");
  EXPECT_EQ(testing::Utf8(StatusLineText("zorvik://run/do/it[1].zorvik/", false, true)),
            "[+]スクリプト実行：[run/do/it]");
  EXPECT_EQ(testing::Utf8(StatusLineText("x://host/path/run.zorvik", false, false)),
            "スクリプト実行：[host/path/run.zorvik]");
}

TEST(PreviewStyleTest, BlockAndLinkAsTheyAreInserted) {
  const std::string block = PreviewStyleBlock("/s/p.css");
  EXPECT_EQ(
      block.rfind("<style type=\"text/css\">\r\n<!--\r\n.ft_mk {background-color:yellow;}\r\n", 0),
      0u);
  EXPECT_NE(block.find(".ft_lm {color:lime;}\r\n-->\r\n</style>\r\n<link rel=\"stylesheet\" "
                       "type=\"text/css\" href=\"/s/p.css\" />"),
            std::string::npos);
  // The marker, in any letter case, replaced by the block that links the given sheet.
  const std::string inserted =
      InsertPreviewStyle("a<!--PreviewCss-->b", "/s/p.css", TEncoding::kCp932);
  EXPECT_EQ(inserted.rfind("a<style type=\"text/css\">\r\n", 0), 0u) << inserted;
  EXPECT_TRUE(
      inserted.ends_with("</style>\r\n<link rel=\"stylesheet\" type=\"text/css\" "
                         "href=\"/s/p.css\" />b"))
      << inserted;
  // After 。 in UTF-8 (E3 80 82), whose last byte is a Shift-JIS lead byte.
  const std::string after =
      InsertPreviewStyle("\xE3\x80\x82<!--PREVIEWCSS-->", "", TEncoding::kUtf8);
  EXPECT_EQ(after.rfind("\xE3\x80\x82<style type=", 0), 0u) << after;
  EXPECT_EQ(after.find("PREVIEWCSS"), std::string::npos);
}

// Typing in the page source refreshes an open preview a little later, from memory: nothing is
// written, the main window's panes stay, the page keeps its scroll position and the editor the
// keyboard. A run with errors leaves the last good page; the check box turns it off and is kept.
TEST_F(PreviewTest, LivePreviewFollowsTheEditor) {
  std::string tall;
  for (int i = 0; i < 300; ++i) tall += "<p>" + std::to_string(i) + "</p>";
  WriteFile(root_ + "/site/live.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/live.html\r\n$Title t\r\n"
            "$Body <b id=\"x\">one</b>" +
                tall + "\r\n");
  Workbench wb(root_);
  TForm1& f = wb.form1;
  f.show();
  ASSERT_TRUE(f.OpenDocument(root_ + "/site/live.dat"));
  PreviewAndWait(f, wb.form2);
  QWebEngineView* view = Control<TfrBrowserBase>(wb.form2, "frBrowserBase1")->Browser();
  const auto bold = [&] {
    return RunJs(view, "document.getElementById('x').textContent").toString();
  };
  const auto scrolled = [&] { return RunJs(view, "window.scrollY").toInt(); };
  RunJs(view, "window.scrollTo(0, 400); window.kept = true");
  ASSERT_TRUE(WaitFor([&] { return scrolled() == 400; }));
  QFile::remove(root_ + "/site/out/live.html");
  const QString log = LogPane(f)->text();
  const QString html = HtmlPane(f)->text();

  f.activateWindow();
  SourcePane(f)->setFocus();
  SourcePane(f)->setCursorPosition(
      3, static_cast<int>(QStringLiteral("$Body <b id=\"x\">one").size()));
  QTest::keyClicks(SourcePane(f), "two");
  EXPECT_EQ(bold(), QStringLiteral("one"));  // not before the typing has paused
  ASSERT_TRUE(WaitFor([&] { return bold() == QStringLiteral("onetwo"); }, 10000));
  EXPECT_TRUE(WaitFor([&] { return scrolled() == 400; }, 5000));
  EXPECT_TRUE(RunJs(view, "window.kept === true").toBool());  // changed in place, not loaded again
  EXPECT_EQ(QApplication::focusWidget(), SourcePane(f));
  EXPECT_FALSE(QFile::exists(root_ + "/site/out/live.html"));
  EXPECT_EQ(LogPane(f)->text(), log);
  EXPECT_EQ(HtmlPane(f)->text(), html);

  // A page with a script is loaded anew, so that the script runs as it would on the site.
  SourcePane(f)->setCursorPosition(3, static_cast<int>(std::strlen("$Body ")));
  QTest::keyClicks(SourcePane(f), "<script>document.body.dataset.ran = 1</script>");
  ASSERT_TRUE(WaitFor(
      [&] { return RunJs(view, "document.body.dataset.ran").toString() == QStringLiteral("1"); },
      10000));
  EXPECT_FALSE(RunJs(view, "window.kept === true").toBool());
  EXPECT_EQ(bold(), QStringLiteral("onetwo"));

  // An error: the page stays as it was, and the status line says why.
  SourcePane(f)->setCursorPosition(0, 0);
  QTest::keyClicks(SourcePane(f), "@Nothing");
  QTest::keyClick(SourcePane(f), Qt::Key_Return);
  ASSERT_TRUE(WaitFor(
      [&] {
        return Control<QStatusBar>(wb.form2, "StatusBar1")
            ->currentMessage()
            .contains(QStringLiteral("エラー"));
      },
      10000));
  EXPECT_EQ(bold(), QStringLiteral("onetwo"));

  // Switched off, typing changes nothing; the choice is kept in the settings file.
  QTest::mouseClick(Control<QCheckBox>(wb.form2, "cbLivePreview"), Qt::LeftButton);
  SourcePane(f)->setText(
      SourcePane(f)->text().replace(QStringLiteral("@Nothing"), QStringLiteral("")));
  QTest::keyClicks(SourcePane(f), "x");
  QTest::qWait(3 * TLivePreview::kDelayMs);
  EXPECT_EQ(bold(), QStringLiteral("onetwo"));
  wb.dialogs.answers = {false};
  f.close();
  EXPECT_NE(testing::ReadFile(root_ + "/zorvik-workbench.ini").find("_LIVEPREVIEW_"),
            std::string::npos);
  Workbench again(root_);
  EXPECT_FALSE(Control<QCheckBox>(again.form2, "cbLivePreview")->isChecked());
}

}  // namespace
}  // namespace zorvik
