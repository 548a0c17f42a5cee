// Runs the tests that need the real browser engine, under the Xvfb display of xvfb-run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTranslator>

#include "preview/preview_scheme.h"
#include "workbench/workbench_app.h"

int main(int argc, char** argv) {
  qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox");
  zorvik::SetUpPreviewEngine();
  QApplication app(argc, argv);
  const auto translator = zorvik::ConfigureApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
