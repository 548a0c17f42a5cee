// What typing costs in the page-source editor of the main window, on page sources of 2 MB and
// 20 MB (the example site's article repeated): a key press in the middle of the text and a
// Return there, each the median of several, through the window's real key handling.
//
//   QT_QPA_PLATFORM=offscreen build/bench/editor_bench [EXAMPLE_PAGE]
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "editor/teditor.h"
#include "text/text_file.h"
#include "workbench/dialogs.h"
#include "workbench/main_window.h"

namespace {

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
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return MedianMs(times);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string example = argc > 1 ? argv[1] : "examples/site/pages/index.dat";
  const std::optional<std::string> page = zorvik::AsEditorText(zorvik::LoadTextFile(example));
  if (!page) {
    std::fprintf(stderr, "cannot read %s\n", example.c_str());
    return 2;
  }
  zorvik::TQtDialogs dialogs;
  zorvik::TForm1 form(dialogs, "", "/tmp/");
  form.resize(900, 680);
  form.show();
  std::printf("%-8s %12s %12s %12s\n", "size", "load ms", "key ms", "Return ms");
  for (const std::size_t megabytes : {2, 20}) {
    std::string text;
    while (text.size() < megabytes << 20) text += *page + "\r\n";
    zorvik::TEditor& pane = *form.edEditSource;
    auto start = std::chrono::steady_clock::now();
    pane.SetText(text);
    QApplication::processEvents();
    const double load = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    pane.setFocus();
    pane.setCursorPosition(pane.lines() / 2, 0);
    pane.ensureCursorVisible();
    QApplication::processEvents();
    const double key = PressMs(pane, Qt::Key_A, 21);
    const double enter = PressMs(pane, Qt::Key_Return, 21);
    std::printf("%-8s %12.1f %12.2f %12.2f\n", (std::to_string(megabytes) + " MB").c_str(), load, key, enter);
  }
  return 0;
}
