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

using testing::Sjis;
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
  f.edEditSource->SetText(text);
  f.edEditSource->setFocus();
  TFindBar& bar = *f.FindBar;

  Key(f.edEditSource, Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(bar.isVisible());
  EXPECT_FALSE(bar.edReplace->isVisible());
  QTest::keyClicks(bar.edFind, "a");
  Key(bar.edFind, Qt::Key_Return);
  EXPECT_EQ(f.edEditSource->SelStart(), 5);  // the "a" of "abc", not the trail byte of "ア"
  EXPECT_EQ(f.edEditSource->SelectedTextBytes(), "a");
  Key(bar.edFind, Qt::Key_F3);
  EXPECT_EQ(f.edEditSource->SelStart(), 10);  // "A", letter case ignored
  Key(bar.edFind, Qt::Key_F3);
  EXPECT_EQ(f.edEditSource->SelStart(), 5);  // wrapped
  EXPECT_NE(bar.lbStatus->FullText().indexOf(QStringLiteral("先頭に戻りました")), -1);
  Key(bar.edFind, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(f.edEditSource->SelStart(), 10);
  QTest::mouseClick(bar.cbMatchCase, Qt::LeftButton);
  Key(bar.edFind, Qt::Key_F3);
  EXPECT_EQ(f.edEditSource->SelStart(), 5);  // "A" is no longer an "a"
  EXPECT_TRUE(bar.lbStatus->FullText().startsWith(QStringLiteral("1 / 1 件")));

  // Pattern mode: "A" matches the letter, never the trail byte; a malformed pattern says why.
  QTest::mouseClick(bar.cbPattern, Qt::LeftButton);
  bar.edFind->clear();
  QTest::keyClicks(bar.edFind, "A+");
  Key(bar.edFind, Qt::Key_Return);
  EXPECT_EQ(f.edEditSource->SelStart(), 10);
  EXPECT_EQ(bar.lbStatus->FullText(), QStringLiteral("1 / 1 件"));
  bar.edFind->clear();
  QTest::keyClicks(bar.edFind, "[A");
  Key(bar.edFind, Qt::Key_Return);
  EXPECT_TRUE(bar.lbStatus->FullText().startsWith(QStringLiteral("パターンの誤り")));
  EXPECT_EQ(f.edEditSource->SelStart(), 10);

  // Replace all is one undo step; Esc closes the bar and gives the editor back the keyboard.
  // Neither the replace field nor a long message widens the window: the message is elided.
  f.resize(560, f.height());
  QApplication::processEvents();
  const int width = f.width();
  Key(f.edEditSource, Qt::Key_H, Qt::ControlModifier);
  ASSERT_TRUE(bar.edReplace->isVisible());
  bar.edFind->clear();
  QTest::keyClicks(bar.edFind, QString(300, QChar('(')));
  Key(bar.edFind, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(f.width(), width);
  const QString shown = bar.lbStatus->text();
  EXPECT_TRUE(shown == bar.lbStatus->FullText() ||
              bar.lbStatus->toolTip() == bar.lbStatus->FullText());
  TElidedLabel narrow;
  narrow.resize(60, 20);
  narrow.SetFullText(bar.lbStatus->FullText());
  EXPECT_TRUE(narrow.text().endsWith(QChar(0x2026)));
  EXPECT_EQ(narrow.toolTip(), bar.lbStatus->FullText());
  EXPECT_LE(bar.btReplaceAll->geometry().right(), bar.width());
  bar.edFind->clear();
  Commit(bar.edFind, QStringLiteral("ア"));
  Commit(bar.edReplace, QStringLiteral("カ"));
  QTest::mouseClick(bar.btReplaceAll, Qt::LeftButton);
  EXPECT_EQ(f.edEditSource->Text(), Sjis("カイ abc\r\nABC カ\r\n"));
  EXPECT_EQ(bar.lbStatus->FullText(), QStringLiteral("2 件置換しました"));
  EXPECT_TRUE(f.tbSaveData->isEnabled());
  Key(bar.edFind, Qt::Key_Escape);
  EXPECT_FALSE(bar.isVisible());
  EXPECT_TRUE(f.edEditSource->hasFocus());
  Key(f.edEditSource, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(f.edEditSource->Text(), text);

  // The other panes are output: found in, never replaced in.
  f.edWriteOutHTML->SetText(Sjis("<p>ア</p>"));
  f.ShowPage(f.tsHTML);
  Key(f.edWriteOutHTML, Qt::Key_F, Qt::ControlModifier);
  EXPECT_FALSE(bar.edReplace->isVisible());
  Key(bar.edFind, Qt::Key_Return);
  EXPECT_EQ(f.edWriteOutHTML->SelStart(), 3);
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
  Key(f.edEditSource, Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(f.edEditSource->CaretRow(), 2);
  EXPECT_TRUE(wb.dialogs.questions.last().contains(QStringLiteral("0 から 2")));

  f.tbSetHTML->trigger();
  ASSERT_EQ(f.PageControl1->currentWidget(), f.tsLogs);
  const auto row_of = [&](const QString& piece) {
    for (int row = 0; row < f.edLogs->lines(); ++row) {
      if (f.edLogs->text(row).contains(piece)) return row;
    }
    return -1;
  };
  const int page_row = row_of(QStringLiteral("(2): stray line"));
  const int import_row = row_of(QStringLiteral("(2): oops"));
  ASSERT_GE(page_row, 0);
  ASSERT_GE(import_row, 0);

  // A row of the page source: straight to its line, selected.
  f.edEditSource->setCursorPosition(0, 0);
  DoubleClickRow(*f.edLogs, page_row);
  EXPECT_EQ(f.PageControl1->currentWidget(), f.tsPageEditor);
  EXPECT_EQ(f.edEditSource->SelectedTextBytes(), "stray line");
  EXPECT_TRUE(wb.dialogs.questions.size() == 1);

  // A row of an import: asked first; No stays, Yes opens the file at that line after the
  // unsaved-changes question.
  f.edEditSource->insert(QStringLiteral("x"));
  f.ShowPage(f.tsLogs);
  wb.dialogs.answers = {false};
  DoubleClickRow(*f.edLogs, import_row);
  EXPECT_EQ(f.SaveName(), root_ + "/page.dat");
  EXPECT_TRUE(wb.dialogs.questions.last().contains(root_ + "/parts.txt"));
  f.ShowPage(f.tsLogs);
  wb.dialogs.answers = {true};
  wb.dialogs.save_answers = {TSaveAnswer::kDiscard};
  f.edLogs->setCursorPosition(import_row, 0);
  Key(f.edLogs, Qt::Key_Return);  // Enter does what the double click does
  EXPECT_EQ(wb.dialogs.questions.last(), QStringLiteral("変更を保存しますか？"));
  EXPECT_EQ(f.SaveName(), root_ + "/parts.txt");
  EXPECT_EQ(f.edEditSource->SelectedTextBytes(), "oops");

  // A row that names no line does nothing, and Enter there is an ordinary key.
  const auto questions = wb.dialogs.questions.size();
  const int start_row = row_of(QStringLiteral("▼▼▼"));
  f.ShowPage(f.tsLogs);
  DoubleClickRow(*f.edLogs, start_row);
  EXPECT_EQ(f.PageControl1->currentWidget(), f.tsLogs);
  EXPECT_EQ(wb.dialogs.questions.size(), questions);
}

}  // namespace
}  // namespace zorvik
