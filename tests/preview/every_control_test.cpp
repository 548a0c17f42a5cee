// Every action and every button of every window, triggered once with all dialogs scripted and
// every modal window closed as soon as it shows: the program must still be alive afterwards.
// Runs with the real browser engine, since the preview button starts it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include "editor/teditor.h"
#include "support/sjis.h"
#include "workbench_gui/workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Sjis;
using testing::Workbench;
using testing::WriteFile;

TEST(EveryControlTest, EveryActionAndButtonOfEveryWindowOnce) {
  QTemporaryDir dir;
  const QString root = dir.path();
  WriteFile(root + "/t.tmpl", "<html><!--PREVIEWCSS-->{$Body}</html>");
  WriteFile(root + "/page.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/page.html\r\n"
            "$Body " +
                Sjis("本文") + " http://example.invalid/\r\n");
  Workbench wb(root);
  ASSERT_TRUE(wb.form1.OpenDocument(root + "/page.dat"));
  wb.form5.SetEntries({(root + "/page.dat").toStdString()});
  wb.form1.show();
  wb.dialogs.save_answers.assign(50, TSaveAnswer::kDiscard);  // edits made on the way are let go

  // Modal windows (the batch window, the user-tag window, the settings dialog) close as they open.
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  closer.start();

  int triggered = 0;
  const QList<QWidget*> forms{&wb.form1, &wb.form2, &wb.form3, &wb.form4, &wb.form5};
  for (QWidget* form : forms) {
    for (QAction* action : form->findChildren<QAction*>()) {
      if (action->objectName().isEmpty() || !action->isEnabled()) continue;
      SCOPED_TRACE(action->objectName().toStdString());
      wb.form1.edEditSource->SetSelStart(0);
      wb.form1.edEditSource->SetSelLength(4);
      action->trigger();
      QApplication::processEvents();
      ++triggered;
    }
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
      if (button->objectName().isEmpty() || !button->isEnabled()) continue;
      SCOPED_TRACE(button->objectName().toStdString());
      button->click();
      QApplication::processEvents();
      ++triggered;
    }
  }
  EXPECT_GT(triggered, 40);
  EXPECT_TRUE(wb.form1.isVisible());
  EXPECT_TRUE(QFileInfo::exists(root + "/out/page.html"));  // the write and batch buttons worked
}

}  // namespace
}  // namespace zorvik
