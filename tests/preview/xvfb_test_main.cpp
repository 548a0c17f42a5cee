// Runs the tests that need the real browser engine, under the Xvfb display of xvfb-run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTranslator>

#include "preview/ui/preview_scheme.h"
#include "workbench/ui/workbench_app.h"

// Qt and the browser engine keep some memory to the end of the process on purpose, and the
// engine frees some objects through a base without a virtual destructor: under
// AddressSanitizer, leaks are looked for by the core tests, and the engine's own deletes pass.
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0:new_delete_type_mismatch=0";
}

int main(int argc, char** argv) {
  qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
  zorvik::SetUpPreviewEngine();
  QApplication app(argc, argv);
  const auto translator = zorvik::ConfigureApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
