// Runs the widget tests on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTranslator>

#include "workbench/ui/workbench_app.h"

// Qt and the browser engine keep some memory to the end of the process on purpose: under
// AddressSanitizer, leaks are looked for by the core tests, not here.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto translator = zorvik::ConfigureApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
