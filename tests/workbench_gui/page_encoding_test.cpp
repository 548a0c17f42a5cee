// UTF-8 page sources in the workbench, through its real controls: opened and saved in the
// encoding they came in, the written HTML shown in the page's, the encoding chosen in the
// status bar, and a new page's remembered.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <QToolBar>

#include "editor/teditor.h"
#include "support/sjis.h"
#include "workbench_fixture.h"

namespace zorvik {
namespace {

using testing::ReadFile;
using testing::Workbench;
using testing::WriteFile;

class PageEncodingTest : public testing::WorkbenchTest {
 protected:
  static void Click(QAction* action) {
    auto* bar = qobject_cast<QToolBar*>(action->parent());
    ASSERT_NE(bar, nullptr);
    QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
  }
  // Chooses the other item of the encoding box with the keyboard, as a user would.
  static void ChooseEncoding(QComboBox* box, int index) {
    box->setFocus();
    QTest::keyClick(box, index > box->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
  }
};

TEST_F(PageEncodingTest, AUtf8PageIsShownSavedAndWrittenInUtf8) {
  WriteFile(root_ + "/u.tmpl", "<title>見出し</title>{$Body}\r\n");
  const std::string page =
      "@Template {$DataFolder}u.tmpl\r\n@WriteFile {$DataFolder}u.html\r\n"
      "$Body 日本語 © 😀\r\n";
  WriteFile(root_ + "/u.dat", page);
  Workbench wb(root_);
  TForm1& f = wb.form1;
  wb.dialogs.files.push_back(root_ + "/u.dat");
  Click(f.tbOpenFile);
  EXPECT_EQ(f.cbEncoding->currentText(), QStringLiteral("UTF-8"));
  EXPECT_TRUE(f.edEditSource->text().contains(QStringLiteral("😀")));

  Click(f.tbSetHTML);
  EXPECT_EQ(f.edWriteOutHTML->text(), QStringLiteral("<title>見出し</title>日本語 © 😀\r\n"));

  // Typed and saved: UTF-8 still, the emoji whole.
  f.edEditSource->setCursorPosition(0, 0);
  QTest::keyClicks(f.edEditSource, "// ");
  Click(f.tbSaveData);
  EXPECT_EQ(ReadFile(root_ + "/u.dat"), "// " + page);

  // Shift-JIS cannot hold the emoji: the choice is refused and nothing changes.
  ChooseEncoding(f.cbEncoding, 0);
  EXPECT_EQ(f.cbEncoding->currentText(), QStringLiteral("UTF-8"));
  ASSERT_FALSE(wb.dialogs.errors.isEmpty());
  EXPECT_TRUE(wb.dialogs.errors.last().contains(QStringLiteral("シフトJISにない文字")));
  EXPECT_EQ(f.edEditSource->Encoding(), TEncoding::kUtf8);
}

TEST_F(PageEncodingTest, TheStatusBarConvertsAPageAndSetsTheNewPagesEncoding) {
  WriteFile(root_ + "/s.dat", testing::Sjis("$Body 日本語\r\n"));
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/s.dat"));
  EXPECT_EQ(f.cbEncoding->currentText(), QStringLiteral("シフトJIS"));
  ChooseEncoding(f.cbEncoding, 1);
  EXPECT_TRUE(f.edEditSource->isModified());
  Click(f.tbSaveData);
  EXPECT_EQ(ReadFile(root_ + "/s.dat"), "$Body 日本語\r\n");

  // A new page takes the encoding last chosen for a new page.
  wb.dialogs.answers.push_back(true);
  Click(f.tbNewFile);
  EXPECT_EQ(f.cbEncoding->currentText(), QStringLiteral("シフトJIS"));
  ChooseEncoding(f.cbEncoding, 1);
  Click(f.tbNewFile);
  EXPECT_EQ(f.cbEncoding->currentText(), QStringLiteral("UTF-8"));
  QTest::keyClicks(f.edEditSource, "$Body ");
  f.edEditSource->insert(QStringLiteral("ソ"));
  wb.dialogs.files.push_back(root_ + "/n.dat");
  Click(f.tbSaveAs);
  EXPECT_EQ(ReadFile(root_ + "/n.dat"), "$Body ソ\r\n");
}

// Files without a mark read all in one encoding when the user says so: bytes that are valid
// UTF-8 by chance ("日" in UTF-8 is "譌･" in Shift-JIS) are then taken as Shift-JIS.
TEST_F(PageEncodingTest, TheReadEncodingForcesFilesWithoutAMark) {
  WriteFile(root_ + "/f.dat", "$Body \xE6\x97\xA5\r\n");
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/f.dat"));
  EXPECT_EQ(f.edEditSource->text(), QStringLiteral("$Body 日"));
  ChooseEncoding(f.cbReadEncoding, 1);
  EXPECT_EQ(f.cbReadEncoding->currentText(), QStringLiteral("読み込み：シフトJIS"));
  ASSERT_TRUE(f.OpenDocument(root_ + "/f.dat"));
  EXPECT_EQ(f.cbEncoding->currentText(), QStringLiteral("シフトJIS"));
  EXPECT_EQ(f.edEditSource->text(), QStringLiteral("$Body 譌･"));
  EXPECT_EQ(f.Context().forced_encoding, TEncoding::kCp932);
}

}  // namespace
}  // namespace zorvik
