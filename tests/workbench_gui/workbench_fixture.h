// Test helper: the workbench's windows as the program builds them, over a temporary folder
// that stands for the program's, with scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/engine_session.h"
#include "preview/ui/preview_window.h"
#include "scripted_dialogs.h"
#include "window_parts.h"
#include "workbench/ui/batch_window.h"
#include "workbench/ui/main_window.h"
#include "workbench/ui/publish_window.h"
#include "workbench/ui/system_settings_window.h"
#include "workbench/ui/user_tag_window.h"

namespace zorvik::testing {

inline std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// The workbench as main() builds it, over a temporary folder that stands for the program's.
class Workbench {
 public:
  explicit Workbench(const QString& folder)
      : session(MakeDiskSession((folder + "/").toStdString(),
                                FixedInstantFromEnvironment(&clock_refusal))),
        form1(dialogs, *session, (folder + "/zorvik-workbench.ini").toStdString()),
        form2(),
        form3(&form1, dialogs, folder + "/"),
        form4(&form1, dialogs),
        form5(&form1, form1, *session, dialogs),
        publish(&form1, *session, dialogs) {
    form1.AttachWindows({&form2, &form3, &form4, &form5, &publish});
    form1.StartUp();
  }
  // Every window, the main window first: what tests that go through all of them go through.
  QList<QWidget*> Windows() { return {&form1, &form2, &form3, &form4, &form5, &publish}; }

  TScriptedDialogs dialogs;
  std::string clock_refusal;  // why SOURCE_DATE_EPOCH was not used
  std::unique_ptr<TEngineSession> session;
  TForm1 form1;
  TForm2 form2;
  TForm3 form3;
  TForm4 form4;
  TForm5 form5;
  TPublishWindow publish;
};

// A window's control found by its object name, as a user's tools find it: the windows keep
// their widgets to themselves.
template <typename T>
T* Control(const QWidget& window, const char* name) {
  T* control = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

// A test over a temporary folder (root_) that stands for the program's; test classes derive
// from it and add their own files in SetUp.
class WorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    root_ = dir_.path();
  }
  QTemporaryDir dir_;
  QString root_;
};

}  // namespace zorvik::testing
