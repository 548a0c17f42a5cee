// The editor's find bar, go to line and the log's way to the line it names, driven through
// their keys and controls (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

#include "editor/teditor.h"
#include "support/sjis.h"
#include "workbench/ui/find_bar.h"
#include "workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::FrontTab;
using testing::HtmlPane;
using testing::LogPane;
using testing::ShowTab;
using testing::Sjis;
using testing::SourcePane;
using testing::Workbench;
using testing::WriteFile;

class EditorFeaturesTest : public testing::WorkbenchTest {
 protected:
  // Shows the main window and gives it the keyboard, so that its shortcuts reach it.
  void Show(TForm1& f) {
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  }
  static void Key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, key, modifiers);
    QApplication::processEvents();
  }
  // Japanese text arrives as an input method commits it.
  static void Commit(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
  }
  // Double-clicks the start of a row of a pane, as the mouse would.
  static void DoubleClickRow(TEditor& pane, int row) {
    pane.ensureLineVisible(row);
    const long position = pane.SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, row);
    const QPoint point(
        static_cast<int>(pane.SendScintilla(QsciScintilla::SCI_POINTXFROMPOSITION, 0UL, position)) +
            2,
        static_cast<int>(pane.SendScintilla(QsciScintilla::SCI_POINTYFROMPOSITION, 0UL, position)) +
            4);
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QApplication::processEvents();
  }
};

TEST_F(EditorFeaturesTest, FindBarFindsAndReplacesThroughItsKeys) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  Show(f);
  // "ア" is 0x83 0x41: its second byte is the letter "A".
  const std::string text = Sjis("アイ abc\r\nABC ア\r\n");
  SourcePane(f)->SetText(text);
  SourcePane(f)->setFocus();
  QWidget& bar = *Control<TFindBar>(f, "FindBar");
  auto* find = Control<QLineEdit>(bar, "edFind");
  auto* replace = Control<QLineEdit>(bar, "edReplace");
  auto* status = Control<TElidedLabel>(bar, "lbStatus");

  Key(SourcePane(f), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(bar.isVisible());
  EXPECT_FALSE(replace->isVisible());
  QTest::keyClicks(find, "a");
  Key(find, Qt::Key_Return);
  EXPECT_EQ(SourcePane(f)->SelStart(), 5);  // the "a" of "abc", not the trail byte of "ア"
  EXPECT_EQ(SourcePane(f)->SelectedTextBytes(), "a");
  Key(find, Qt::Key_F3);
  EXPECT_EQ(SourcePane(f)->SelStart(), 10);  // "A", letter case ignored
  Key(find, Qt::Key_F3);
  EXPECT_EQ(SourcePane(f)->SelStart(), 5);  // wrapped
  EXPECT_NE(status->FullText().indexOf(QStringLiteral("先頭に戻りました")), -1);
  Key(find, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(SourcePane(f)->SelStart(), 10);
  QTest::mouseClick(Control<QCheckBox>(bar, "cbMatchCase"), Qt::LeftButton);
  Key(find, Qt::Key_F3);
  EXPECT_EQ(SourcePane(f)->SelStart(), 5);  // "A" is no longer an "a"
  EXPECT_TRUE(status->FullText().startsWith(QStringLiteral("1 / 1 件")));

  // Pattern mode: "A" matches the letter, never the trail byte; a malformed pattern says why.
  QTest::mouseClick(Control<QCheckBox>(bar, "cbPattern"), Qt::LeftButton);
  find->clear();
  QTest::keyClicks(find, "A+");
  Key(find, Qt::Key_Return);
  EXPECT_EQ(SourcePane(f)->SelStart(), 10);
  EXPECT_EQ(status->FullText(), QStringLiteral("1 / 1 件"));
  find->clear();
  QTest::keyClicks(find, "[A");
  Key(find, Qt::Key_Return);
  EXPECT_TRUE(status->FullText().startsWith(QStringLiteral("パターンの誤り")));
  EXPECT_EQ(SourcePane(f)->SelStart(), 10);

  // Replace all is one undo step; Esc closes the bar and gives the editor back the keyboard.
  // Neither the replace field nor a long message widens the window: the message is elided.
  f.resize(560, f.height());
  QApplication::processEvents();
  const int width = f.width();
  Key(SourcePane(f), Qt::Key_H, Qt::ControlModifier);
  ASSERT_TRUE(replace->isVisible());
  find->clear();
  QTest::keyClicks(find, QString(300, QChar('(')));
  Key(find, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(f.width(), width);
  const QString shown = status->text();
  EXPECT_TRUE(shown == status->FullText() || status->toolTip() == status->FullText());
  TElidedLabel narrow;
  narrow.resize(60, 20);
  narrow.SetFullText(status->FullText());
  EXPECT_TRUE(narrow.text().endsWith(QChar(0x2026)));
  EXPECT_EQ(narrow.toolTip(), status->FullText());
  EXPECT_LE(Control<QPushButton>(bar, "btReplaceAll")->geometry().right(), bar.width());
  find->clear();
  Commit(find, QStringLiteral("ア"));
  Commit(replace, QStringLiteral("カ"));
  QTest::mouseClick(Control<QPushButton>(bar, "btReplaceAll"), Qt::LeftButton);
  EXPECT_EQ(SourcePane(f)->Text(), Sjis("カイ abc\r\nABC カ\r\n"));
  EXPECT_EQ(status->FullText(), QStringLiteral("2 件置換しました"));
  EXPECT_TRUE(Control<QAction>(f, "tbSaveData")->isEnabled());
  Key(find, Qt::Key_Escape);
  EXPECT_FALSE(bar.isVisible());
  EXPECT_TRUE(SourcePane(f)->hasFocus());
  Key(SourcePane(f), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(SourcePane(f)->Text(), text);

  // The other panes are output: found in, never replaced in.
  HtmlPane(f)->SetText(Sjis("<p>ア</p>"));
  ShowTab(f, "tsHTML");
  Key(HtmlPane(f), Qt::Key_F, Qt::ControlModifier);
  EXPECT_FALSE(replace->isVisible());
  Key(find, Qt::Key_Return);
  EXPECT_EQ(HtmlPane(f)->SelStart(), 3);
}

// The log pane keeps its newest rows only, so that a session of long batches does not grow
// without end; a run's rows still lead to their lines once older rows are gone.
TEST_F(EditorFeaturesTest, TheLogKeepsItsNewestRowsAndTheirPlaces) {
  WriteFile(root_ + "/page.dat", "$A a\r\nstray line\r\n");
  Workbench wb(root_);
  TForm1& f = wb.form1;
  Show(f);
  ASSERT_TRUE(f.OpenDocument(root_ + "/page.dat"));
  std::string rows;
  for (int i = 0; i < 250000; ++i) rows += "row\r\n";
  wb.session->Log().AddLog(rows);  // one entry of many rows
  Control<QAction>(f, "tbSetHTML")->trigger();
  ASSERT_EQ(FrontTab(f), "tsLogs");
  TEditor& log = *LogPane(f);
  EXPECT_LE(log.lines(), 220000);
  EXPECT_NE(log.text(log.TopRow()).indexOf(QStringLiteral("▼▼▼")), -1);  // the run's start
  int row = log.lines() - 1;
  while (row > 0 && !log.text(row).contains(QStringLiteral("(1): stray line"))) --row;
  DoubleClickRow(log, row);
  EXPECT_EQ(FrontTab(f), "tsPageEditor");
  EXPECT_EQ(SourcePane(f)->SelectedTextBytes(), "stray line");
}

TEST_F(EditorFeaturesTest, GoToLineAndLogRowsLeadToTheirLines) {
  WriteFile(root_ + "/parts.txt", "// parts\r\n$A a\r\noops\r\n");
  WriteFile(root_ + "/page.dat", "@Import {$DataFolder}parts.txt\r\n$B b\r\nstray line\r\n");
  WriteFile(root_ + "/other.dat", "// other\r\n");
  Workbench wb(root_);
  TForm1& f = wb.form1;
  Show(f);
  ASSERT_TRUE(f.OpenDocument(root_ + "/page.dat"));

  wb.dialogs.numbers = {2};
  Key(SourcePane(f), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(SourcePane(f)->CaretRow(), 2);
  EXPECT_TRUE(wb.dialogs.questions.last().contains(QStringLiteral("0 から 2")));

  Control<QAction>(f, "tbSetHTML")->trigger();
  ASSERT_EQ(FrontTab(f), "tsLogs");
  const auto row_of = [&](const QString& piece) {
    for (int row = 0; row < LogPane(f)->lines(); ++row) {
      if (LogPane(f)->text(row).contains(piece)) return row;
    }
    return -1;
  };
  const int page_row = row_of(QStringLiteral("(2): stray line"));
  const int import_row = row_of(QStringLiteral("(2): oops"));
  ASSERT_GE(page_row, 0);
  ASSERT_GE(import_row, 0);

  // A row of the page source: straight to its line, selected.
  SourcePane(f)->setCursorPosition(0, 0);
  DoubleClickRow(*LogPane(f), page_row);
  EXPECT_EQ(FrontTab(f), "tsPageEditor");
  EXPECT_EQ(SourcePane(f)->SelectedTextBytes(), "stray line");
  EXPECT_TRUE(wb.dialogs.questions.size() == 1);

  // A row of an import: asked first; No stays, Yes opens the file at that line after the
  // unsaved-changes question.
  SourcePane(f)->insert(QStringLiteral("x"));
  ShowTab(f, "tsLogs");
  wb.dialogs.answers = {false};
  DoubleClickRow(*LogPane(f), import_row);
  EXPECT_EQ(f.SaveName(), root_ + "/page.dat");
  EXPECT_TRUE(wb.dialogs.questions.last().contains(root_ + "/parts.txt"));
  ShowTab(f, "tsLogs");
  wb.dialogs.answers = {true};
  wb.dialogs.save_answers = {TSaveAnswer::kDiscard};
  LogPane(f)->setCursorPosition(import_row, 0);
  Key(LogPane(f), Qt::Key_Return);  // Enter does what the double click does
  EXPECT_EQ(wb.dialogs.questions.last(), QStringLiteral("変更を保存しますか？"));
  EXPECT_EQ(f.SaveName(), root_ + "/parts.txt");
  EXPECT_EQ(SourcePane(f)->SelectedTextBytes(), "oops");

  // A row that names no line does nothing, and Enter there is an ordinary key.
  const auto questions = wb.dialogs.questions.size();
  const int start_row = row_of(QStringLiteral("▼▼▼"));
  ShowTab(f, "tsLogs");
  DoubleClickRow(*LogPane(f), start_row);
  EXPECT_EQ(FrontTab(f), "tsLogs");
  EXPECT_EQ(wb.dialogs.questions.size(), questions);
}

}  // namespace
}  // namespace zorvik
