// Runs the widget tests on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTranslator>

#include "workbench/workbench_app.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto translator = zorvik::ConfigureApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
