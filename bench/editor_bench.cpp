// What typing costs in the page-source editor of the main window, on page sources of 2 MB and
// 20 MB (the example site's article repeated): a key press in the middle of the text and a
// Return there, each the median of several, through the window's real key handling. On a
// display (xvfb-run), also the first preview of the 2 MB page and the live preview: from the
// last key to the new page shown.
//
//   QT_QPA_PLATFORM=offscreen build/bench/editor_bench [EXAMPLE_PAGE]
//   xvfb-run -a build/bench/editor_bench [EXAMPLE_PAGE]
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <QWebEngineView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "editor/teditor.h"
#include "preview/ui/preview_scheme.h"
#include "preview/ui/preview_window.h"
#include "text/text_file.h"
#include "workbench/ui/dialogs.h"
#include "workbench/ui/live_preview.h"
#include "workbench/ui/main_window.h"
#include "workbench_gui/window_parts.h"

namespace {

// The example page with its article block's lines repeated until the page source is at least
// bytes long: one [Article] block, grown. Exits when the page has no such block, so that the
// bench never times some other text under the size's name.
std::string LongPage(const std::string& page, std::size_t bytes) {
  // The block's own lines: a comment may name [Article] and [/Article] too.
  const std::size_t open = page.find("\r\n[Article]\r\n");
  const std::size_t close = open == std::string::npos ? open : page.find("\r\n[/Article]", open);
  if (close == std::string::npos) {
    std::fprintf(stderr, "the page has no [Article] block to grow\n");
    std::exit(2);
  }
  const std::size_t from = open + 13;
  const std::string article = page.substr(from, close + 2 - from);
  std::string text = page.substr(0, from);
  while (text.size() < bytes) text += article;
  text += page.substr(close + 2);
  const auto count = [&text](std::string_view piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
      ++n;
    return n;
  };
  if (text.size() < bytes || count("\r\n[Article]\r\n") != 1 || count("\r\n[/Article]") != 1) {
    std::fprintf(stderr, "the grown page is not one [Article] block of %zu bytes\n", bytes);
    std::exit(2);
  }
  return text;
}

double MedianMs(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Milliseconds for each of rounds presses of key, the events handled and the pane drawn.
double PressMs(zorvik::TEditor& pane, Qt::Key key, int rounds) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    QTest::keyClick(pane.viewport(), key);
    pane.viewport()->repaint();
    QApplication::processEvents();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  return MedianMs(times);
}

}  // namespace

// Milliseconds until the preview shows a page, laid out, after start(); -1 when it took more
// than half a minute.
double UntilLoaded(zorvik::TForm2& preview, const std::function<void()>& start) {
  bool loaded = false;
  QObject guard;
  QElapsedTimer timer;
  timer.start();
  start();
  QObject::connect(preview.findChild<zorvik::TfrBrowserBase*>(QStringLiteral("frBrowserBase1")),
                   &zorvik::TfrBrowserBase::Shown, &guard, [&] { loaded = true; });
  while (!loaded && timer.elapsed() < 30000) QApplication::processEvents(QEventLoop::AllEvents, 5);
  return loaded ? static_cast<double>(timer.elapsed()) : -1;
}

// Milliseconds from started (ms since the epoch) to the first paint of the page in view.
double FirstPaintAfter(QWebEngineView& view, qint64 started) {
  double painted = -1;
  bool answered = false;
  view.page()->runJavaScript(
      QStringLiteral("performance.timeOrigin + "
                     "performance.getEntriesByName('first-contentful-paint')[0].startTime"),
      [&](const QVariant& value) {
        painted = value.toDouble() - static_cast<double>(started);
        answered = true;
      });
  while (!answered) QApplication::processEvents(QEventLoop::AllEvents, 5);
  return painted;
}

// The page stands beside the example page, so that its template and imports are found.
void PreviewTimes(zorvik::TForm1& form, const std::string& page, const std::string& example) {
  zorvik::TForm2 preview;
  form.AttachWindows({&preview, nullptr, nullptr, nullptr});
  const std::string path =
      std::filesystem::absolute(example).parent_path() / "zorvik-editor-bench.dat";
  std::ofstream(path, std::ios::binary) << page;
  zorvik::testing::SourcePane(form)->setModified(
      false);  // the typing above is let go without a question
  form.OpenDocument(QString::fromStdString(path));
  const qint64 started = QDateTime::currentMSecsSinceEpoch();
  const double first = UntilLoaded(
      preview, [&] { form.findChild<QAction*>(QStringLiteral("tbPreview"))->trigger(); });
  // The page's top shows at its first paint, long before the whole page is laid out.
  const double first_paint = FirstPaintAfter(
      *preview.findChild<zorvik::TfrBrowserBase*>(QStringLiteral("frBrowserBase1"))->Browser(),
      started);
  zorvik::testing::SourcePane(form)->setFocus();
  std::vector<double> lives;
  for (int round = 0; round < 5; ++round) {
    zorvik::testing::SourcePane(form)->setCursorPosition(
        zorvik::testing::SourcePane(form)->lines() * (round + 2) / 8,
        0);  // inside the article
    lives.push_back(UntilLoaded(preview, [&] {
      QTest::keyClick(zorvik::testing::SourcePane(form)->viewport(), Qt::Key_A);
    }));
  }
  const double live = MedianMs(lives);
  std::printf(
      "%zu KiB page: first preview painted %.0f ms, laid out %.0f ms; live preview, last key to "
      "the new page "
      "laid out %.0f ms (median of 5, of which %d ms wait)\n",
      page.size() >> 10, first_paint, first, live, zorvik::TLivePreview::kDelayMs);
  if (live < 0)
    std::printf("live preview: %s\n", preview.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))
                                          ->currentMessage()
                                          .toUtf8()
                                          .constData());
  zorvik::testing::SourcePane(form)->setModified(false);
  std::filesystem::remove(path);
}

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") &&
                       qEnvironmentVariable("QT_QPA_PLATFORM") != "offscreen";
  if (display) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    zorvik::SetUpPreviewEngine();
  }
  QApplication app(argc, argv);
  const std::string example = argc > 1 ? argv[1] : "examples/site/pages/index.dat";
  const std::optional<std::string> page = zorvik::AsEditorText(zorvik::LoadTextFile(example));
  if (!page) {
    std::fprintf(stderr, "cannot read %s\n", example.c_str());
    return 2;
  }
  zorvik::TQtDialogs dialogs;
  const auto session = zorvik::MakeDiskSession("/tmp/");
  zorvik::TForm1 form(dialogs, *session, "");
  form.resize(900, 680);
  form.show();
  std::printf("%-8s %12s %12s %12s\n", "size", "load ms", "key ms", "Return ms");
  for (const std::size_t megabytes : {2, 20}) {
    const std::string text = LongPage(*page, megabytes << 20);
    zorvik::TEditor& pane = *zorvik::testing::SourcePane(form);
    auto start = std::chrono::steady_clock::now();
    pane.SetText(text);
    QApplication::processEvents();
    const double load =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    pane.setFocus();
    pane.setCursorPosition(pane.lines() / 2, 0);
    pane.ensureCursorVisible();
    QApplication::processEvents();
    const double key = PressMs(pane, Qt::Key_A, 21);
    const double enter = PressMs(pane, Qt::Key_Return, 21);
    std::printf("%-8s %12.1f %12.2f %12.2f\n", (std::to_string(megabytes) + " MB").c_str(), load,
                key, enter);
  }
  if (display) {
    const std::size_t megabytes = std::strtoul(
        qgetenv("PREVIEW_MB").isEmpty() ? "2" : qgetenv("PREVIEW_MB").constData(), nullptr, 10);
    PreviewTimes(form, LongPage(*page, megabytes << 20), example);
  }
  return 0;
}
