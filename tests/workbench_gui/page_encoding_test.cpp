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

using testing::Control;
using testing::HtmlPane;
using testing::LogPane;
using testing::ReadFile;
using testing::SourcePane;
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
  Click(Control<QAction>(f, "tbOpenFile"));
  EXPECT_EQ(Control<QComboBox>(f, "cbEncoding")->currentText(), QStringLiteral("UTF-8"));
  EXPECT_TRUE(SourcePane(f)->text().contains(QStringLiteral("😀")));

  Click(Control<QAction>(f, "tbSetHTML"));
  EXPECT_EQ(HtmlPane(f)->text(), QStringLiteral("<title>見出し</title>日本語 © 😀\r\n"));

  // Typed and saved: UTF-8 still, the emoji whole.
  SourcePane(f)->setCursorPosition(0, 0);
  QTest::keyClicks(SourcePane(f), "// ");
  Click(Control<QAction>(f, "tbSaveData"));
  EXPECT_EQ(ReadFile(root_ + "/u.dat"), "// " + page);

  // Shift-JIS cannot hold the emoji: the choice is refused and nothing changes.
  ChooseEncoding(Control<QComboBox>(f, "cbEncoding"), 0);
  EXPECT_EQ(Control<QComboBox>(f, "cbEncoding")->currentText(), QStringLiteral("UTF-8"));
  ASSERT_FALSE(wb.dialogs.errors.isEmpty());
  EXPECT_TRUE(wb.dialogs.errors.last().contains(QStringLiteral("シフトJISにない文字")));
  EXPECT_EQ(SourcePane(f)->Encoding(), TEncoding::kUtf8);
}

TEST_F(PageEncodingTest, TheStatusBarConvertsAPageAndSetsTheNewPagesEncoding) {
  WriteFile(root_ + "/s.dat", testing::Sjis("$Body 日本語\r\n"));
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/s.dat"));
  EXPECT_EQ(Control<QComboBox>(f, "cbEncoding")->currentText(), QStringLiteral("シフトJIS"));
  ChooseEncoding(Control<QComboBox>(f, "cbEncoding"), 1);
  EXPECT_TRUE(SourcePane(f)->isModified());
  Click(Control<QAction>(f, "tbSaveData"));
  EXPECT_EQ(ReadFile(root_ + "/s.dat"), "$Body 日本語\r\n");

  // A new page takes the encoding last chosen for a new page.
  wb.dialogs.answers.push_back(true);
  Click(Control<QAction>(f, "tbNewFile"));
  EXPECT_EQ(Control<QComboBox>(f, "cbEncoding")->currentText(), QStringLiteral("シフトJIS"));
  ChooseEncoding(Control<QComboBox>(f, "cbEncoding"), 1);
  Click(Control<QAction>(f, "tbNewFile"));
  EXPECT_EQ(Control<QComboBox>(f, "cbEncoding")->currentText(), QStringLiteral("UTF-8"));
  QTest::keyClicks(SourcePane(f), "$Body ");
  SourcePane(f)->insert(QStringLiteral("ソ"));
  wb.dialogs.files.push_back(root_ + "/n.dat");
  Click(Control<QAction>(f, "tbSaveAs"));
  EXPECT_EQ(ReadFile(root_ + "/n.dat"), "$Body ソ\r\n");
}

// A page typed in either encoding, chosen in the status bar, is written in the charset its
// template declares, whatever that template's own bytes.
TEST_F(PageEncodingTest, AWrittenPageHoldsTheCharsetItsTemplateDeclares) {
  WriteFile(root_ + "/says-sjis.tmpl", "<meta charset=\"Shift_JIS\">{$Body}\r\n");
  WriteFile(root_ + "/says-utf8.tmpl", "<meta charset=\"UTF-8\">{$Body}\r\n");
  const struct {
    int encoding;  // the box's item: 0 Shift-JIS, 1 UTF-8
    const char* tmpl;
    std::string page;
  } cases[] = {
      {1, "says-sjis.tmpl", testing::Sjis("<meta charset=\"Shift_JIS\">はじめ\r\n")},
      {0, "says-utf8.tmpl", "<meta charset=\"UTF-8\">はじめ\r\n"},
  };
  Workbench wb(root_);
  TForm1& f = wb.form1;
  for (const auto& c : cases) {
    wb.dialogs.save_answers.push_back(TSaveAnswer::kDiscard);
    Click(Control<QAction>(f, "tbNewFile"));
    if (Control<QComboBox>(f, "cbEncoding")->currentIndex() != c.encoding)
      ChooseEncoding(Control<QComboBox>(f, "cbEncoding"), c.encoding);
    ASSERT_EQ(Control<QComboBox>(f, "cbEncoding")->currentIndex(), c.encoding);
    QTest::keyClicks(SourcePane(f), QStringLiteral("@Template {$DataFolder}%1\r"
                                                   "@WriteFile {$DataFolder}p.html\r$Body ")
                                        .arg(c.tmpl));
    SourcePane(f)->insert(QStringLiteral("はじめ"));
    wb.dialogs.files.push_back(root_ + "/p.dat");
    Click(Control<QAction>(f, "tbSaveAs"));
    Click(Control<QAction>(f, "tbWriteoutHTMLFile"));
    EXPECT_EQ(ReadFile(root_ + "/p.html"), c.page) << c.tmpl;
  }
}

// Opening a file whose bytes a save would not give back says where and which character:
// Shift-JIS's second code of Ⅰ, a stray byte in UTF-8.
TEST_F(PageEncodingTest, OpeningAFileThatASaveWouldChangeSaysWhereAndWhat) {
  WriteFile(root_ + "/two.dat", "$Title a\r\n$Body \xFA\x4A\x81\x40\xFA\x4A\r\n");
  const std::string words = "はじめに、日本語の文章です。";
  WriteFile(root_ + "/stray.dat", "$Body " + words + "\r\n\r\n$Title " + words + "\xFF\r\n");
  const struct {
    const char* file;
    QString says;
  } cases[] = {
      {"/two.dat", QStringLiteral("戻らない文字が 2 か所あります。最初は 1 行目の「Ⅰ」(0xFA4A) "
                                  "で、保存すると 0x8754 になります。")},
      {"/stray.dat", QStringLiteral("戻らない文字が 1 か所あります。最初は 2 行目の「\uFFFD」"
                                    "(0xFF) で、保存すると 0xEFBFBD になります。")},
  };
  Workbench wb(root_);
  for (const auto& c : cases) {
    wb.dialogs.errors.clear();
    ASSERT_TRUE(wb.form1.OpenDocument(root_ + c.file));
    ASSERT_EQ(wb.dialogs.errors.size(), 1) << c.file;
    EXPECT_TRUE(wb.dialogs.errors[0].contains(c.says)) << wb.dialogs.errors[0].toStdString();
  }
}

// Files without a mark read all in one encoding when the user says so: bytes that are valid
// UTF-8 by chance ("日" in UTF-8 is "譌･" in Shift-JIS) are then taken as Shift-JIS.
TEST_F(PageEncodingTest, TheReadEncodingForcesFilesWithoutAMark) {
  WriteFile(root_ + "/f.dat", "$Body \xE6\x97\xA5\r\n");
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/f.dat"));
  EXPECT_EQ(SourcePane(f)->text(), QStringLiteral("$Body 日"));
  ChooseEncoding(Control<QComboBox>(f, "cbReadEncoding"), 1);
  EXPECT_EQ(Control<QComboBox>(f, "cbReadEncoding")->currentText(),
            QStringLiteral("読み込み：シフトJIS"));
  ASSERT_TRUE(f.OpenDocument(root_ + "/f.dat"));
  EXPECT_EQ(Control<QComboBox>(f, "cbEncoding")->currentText(), QStringLiteral("シフトJIS"));
  EXPECT_EQ(SourcePane(f)->text(), QStringLiteral("$Body 譌･"));
  EXPECT_EQ(wb.session->Context().forced_encoding, TEncoding::kCp932);
}

// The read encoding forced in the main window reaches the runs other windows start: the
// batch window's group check and the pages 公開 writes before it connects. "あ" in UTF-8 is no
// Shift-JIS, so a forced run gives a page whose bytes are not what it declares.
TEST_F(PageEncodingTest, TheForcedReadEncodingReachesTheGroupCheckAndPublish) {
  WriteFile(root_ + "/t.tmpl", "<meta charset=\"Shift_JIS\">\r\n{$Body}\r\n");
  WriteFile(root_ + "/a.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/a.html\r\n"
            "$Body \xE3\x81\x82\r\n");
  WriteFile(root_ + "/site.gro", "{$GRODataFolder}a.dat\r\n");
  Workbench wb(root_);
  ChooseEncoding(Control<QComboBox>(wb.form1, "cbReadEncoding"), 1);
  wb.dialogs.files.push_back(root_ + "/site.gro");
  Click(Control<QAction>(wb.form5, "tbOpenGroupFile"));

  Click(Control<QAction>(wb.form5, "tbCheckGroup"));
  EXPECT_NE(LogPane(wb.form1)->text().indexOf(QStringLiteral("the bytes are not Shift_JIS")), -1)
      << LogPane(wb.form1)->text().toStdString();

  // Nothing listens on port 1: the pages are written, then the connection fails.
  Click(Control<QAction>(wb.form5, "tbPublish"));
  Control<QLineEdit>(wb.publish, "edDestination")->clear();
  QTest::keyClicks(Control<QLineEdit>(wb.publish, "edDestination"),
                   QStringLiteral("sftp://me@127.0.0.1:1/www"));
  QTest::mouseClick(Control<QPushButton>(wb.publish, "btPublish"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Control<QPushButton>(wb.publish, "btPublish")->isEnabled(); }, 20000));
  EXPECT_EQ(ReadFile(root_ + "/out/a.html"), "<meta charset=\"Shift_JIS\">\r\n\xE3\x81\x82\r\n");
}

}  // namespace
}  // namespace zorvik
