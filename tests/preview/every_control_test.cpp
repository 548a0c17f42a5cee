// Every action and every button of every window, triggered once with all dialogs scripted and
// every modal window closed as soon as it shows: each must do something the user can see (a
// text, a box, a window, a dialog, a file or the clipboard changes), and the program must still
// be alive afterwards. Runs with the real browser engine, since the preview button starts it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "editor/teditor.h"
#include "support/sjis.h"
#include "workbench/ui/find_bar.h"
#include "workbench_gui/workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::Sjis;
using testing::SourcePane;
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

  // Windows shown on the way, modal ones included.
  struct TShownCounter : QObject {
    int count = 0;
    bool eventFilter(QObject* object, QEvent* event) override {
      if (event->type() == QEvent::Show && object->isWidgetType() &&
          static_cast<QWidget*>(object)->isWindow()) {
        ++count;
      }
      return false;
    }
  } windows_shown;
  QApplication::instance()->installEventFilter(&windows_shown);

  // Modal windows (the batch window, the user-tag window, the settings dialog) close as they open.
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  closer.start();

  const QList<QWidget*> forms = wb.Windows();
  // What the user can see of the program: every text, box, tab and window, the dialogs asked,
  // the files of the folder and the clipboard.
  const auto seen = [&] {
    QStringList state;
    for (QWidget* form : forms) {
      state << QString::number(form->isVisible());
      for (QWidget* widget : form->findChildren<QWidget*>()) {
        state << QString::number(widget->isVisibleTo(form));
        if (auto* editor = qobject_cast<TEditor*>(widget)) {
          int line = 0;
          int index = 0;
          editor->getCursorPosition(&line, &index);
          state << editor->text() << editor->selectedText() << QString::number(line * 1000 + index);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
          state << label->text();
        } else if (auto* line_edit = qobject_cast<QLineEdit*>(widget)) {
          state << line_edit->text();
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
          state << plain->toPlainText();
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
          state << combo->currentText();
        } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
          state << QString::number(tabs->currentIndex());
        } else if (auto* progress = qobject_cast<QProgressBar*>(widget)) {
          state << QString::number(progress->value());
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
          state << QString::number(button->isChecked());
        }
      }
      for (QAction* action : form->findChildren<QAction*>())
        state << QString::number(action->isChecked());
    }
    state << QString::number(wb.dialogs.errors.size())
          << QString::number(wb.dialogs.messages.size())
          << QString::number(wb.dialogs.questions.size())
          << QString::number(wb.dialogs.file_dialogs) << QString::number(wb.dialogs.colour_dialogs)
          << QApplication::clipboard()->text() << QString::number(windows_shown.count);
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      const QFileInfo file(it.next());
      state << file.filePath() << QString::number(file.size())
            << QString::number(file.lastModified().toMSecsSinceEpoch());
    }
    return state;
  };

  int triggered = 0;
  QStringList did_nothing;
  const auto run = [&](QWidget* window, QObject* control, const std::function<void()>& press) {
    // A window's own buttons are pressed with it open, and the markup with the editor in front
    // holding a page (longer than the last, so that a count or a check shows anew) with an
    // element selected; the find bar has something to find in it.
    if (!window->isVisible()) window->show();
    Control<QTabWidget>(wb.form1, "PageControl1")
        ->setCurrentWidget(Control<QWidget>(wb.form1, "tsPageEditor"));
    const QString element = QStringLiteral("<b>Body</b>");
    const QString page =
        QStringLiteral(
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/page.html\r\n"
            "$Body %1 %2\r\n")
            .arg(element)
            .arg(QString(triggered + 1, QLatin1Char('x')));
    SourcePane(wb.form1)->setText(page);
    Control<QLineEdit>(wb.form1, "edFind")->setText(QStringLiteral("Body"));
    SourcePane(wb.form1)->SetSelStart(static_cast<int>(page.indexOf(element)));
    SourcePane(wb.form1)->SetSelLength(static_cast<int>(element.size()));
    QApplication::processEvents();
    const QStringList before = seen();
    press();
    QApplication::processEvents();
    if (seen() == before) did_nothing << control->objectName();
    ++triggered;
  };
  for (QWidget* form : forms) {
    for (QAction* action : form->findChildren<QAction*>()) {
      if (action->objectName().isEmpty() || !action->isEnabled()) continue;
      SCOPED_TRACE(action->objectName().toStdString());
      run(form, action, [action] { action->trigger(); });
    }
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
      // Qt's own (a tab bar's scroll arrows) are not the program's controls.
      if (button->objectName().isEmpty() || button->objectName().startsWith("Scroll") ||
          !button->isEnabled()) {
        continue;
      }
      SCOPED_TRACE(button->objectName().toStdString());
      run(button->window(), button, [button] { button->click(); });
    }
  }
  EXPECT_EQ(did_nothing, QStringList()) << did_nothing.join(' ').toStdString();
  EXPECT_GT(triggered, 60);
  EXPECT_TRUE(wb.form1.isVisible());
  EXPECT_TRUE(QFileInfo::exists(root + "/out/page.html"));  // the write and batch buttons worked
  QApplication::instance()->removeEventFilter(&windows_shown);
}

}  // namespace
}  // namespace zorvik
