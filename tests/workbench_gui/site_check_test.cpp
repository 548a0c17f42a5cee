// Checking pages from the workbench, through the real buttons: each generation checks the page
// it made (a tool-bar toggle, on by default), and the batch window checks its whole list.
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <QToolBar>

#include "editor/teditor.h"
#include "support/sjis.h"
#include "workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::FrontTab;
using testing::LogPane;
using testing::Sjis;
using testing::SourcePane;
using testing::Workbench;
using testing::WriteFile;

class SiteCheckTest : public testing::WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    QDir(root_).mkpath(QStringLiteral("site/out"));
    WriteFile(
        root_ + "/site/page.tmpl",
        "<html><head><meta charset=\"Shift_JIS\"></head><body>\r\n{$Body}\r\n</body></html>\r\n");
    WriteFile(root_ + "/site/a.dat",
              "@Template {$DataFolder}page.tmpl\r\n@WriteFile {$DataFolder}out/a.html\r\n"
              "$Body <a href=\"gone.html\">" +
                  Sjis("消えたページ") + "</a> <a href=\"b.html\">b</a>\r\n");
    WriteFile(root_ + "/site/b.dat",
              "@Template {$DataFolder}page.tmpl\r\n@WriteFile {$DataFolder}out/b.html\r\n"
              "$Body <a href=\"a.html#none\">a</a>\r\n");
  }
  static void Click(QAction* action) {
    auto* bar = qobject_cast<QToolBar*>(action->parent());
    ASSERT_NE(bar, nullptr);
    QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
  }
  static QString Log(TForm1& f) { return LogPane(f)->text(); }
};

TEST_F(SiteCheckTest, EachGenerationChecksItsPageUnlessTurnedOff) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/site/a.dat"));
  EXPECT_TRUE(Control<QAction>(f, "tbCheckPage")->isChecked());
  Click(Control<QAction>(f, "tbSetHTML"));
  // At the page source's line that wrote the address, the page's line after it.
  const QString finding = QStringLiteral("(確認) ") + root_ +
                          "/site/a.dat:3: error: no such file: gone.html (" + root_ +
                          "/site/out/a.html:2)";
  EXPECT_EQ(Log(f).count(finding), 1) << Log(f).toStdString();
  // The other pages are taken as they are on disk: b.html is not written yet.
  EXPECT_EQ(Log(f).count(QStringLiteral("no such file: b.html")), 1);
  Click(Control<QAction>(f, "tbCheckPage"));
  EXPECT_FALSE(Control<QAction>(f, "tbCheckPage")->isChecked());
  Click(Control<QAction>(f, "tbSetHTML"));
  EXPECT_EQ(Log(f).count(finding), 1);  // not checked again
}

// Writing a page with findings says how many and brings the log to the front; a double click
// on a finding opens its page source at the line, the other page's source after asking.
TEST_F(SiteCheckTest, AWriteWithFindingsShowsThemAndEachLeadsToItsLine) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/site/b.dat"));
  Click(Control<QAction>(f, "tbWriteoutHTMLFile"));
  ASSERT_TRUE(f.OpenDocument(root_ + "/site/a.dat"));
  Click(Control<QAction>(f, "tbWriteoutHTMLFile"));
  EXPECT_EQ(wb.dialogs.messages.last(),
            QStringLiteral("HTML書き出し完了しました（確認：エラー 1 件、警告 0 件）"));
  EXPECT_EQ(FrontTab(f), "tsLogs");
  const int row = static_cast<int>(Log(f).left(Log(f).indexOf("gone.html (")).count('\n'));
  SourcePane(f)->setCursorPosition(0, 0);
  LogPane(f)->setCursorPosition(row, 0);
  LogPane(f)->setFocus();
  QTest::keyClick(LogPane(f), Qt::Key_Return);
  EXPECT_EQ(FrontTab(f), "tsPageEditor");
  EXPECT_EQ(SourcePane(f)->CaretRow(), 2);  // the $Body line, counted from 0
  EXPECT_TRUE(SourcePane(f)->selectedText().startsWith(QStringLiteral("$Body")));
}

// The batch window checks its whole list; a fault in the template both pages share is given
// once, and Enter on it opens the template at its line.
TEST_F(SiteCheckTest, TheBatchWindowChecksTheWholeGroup) {
  WriteFile(root_ + "/site/page.tmpl",
            "<html><head><meta charset=\"Shift_JIS\"></head><body>\r\n"
            "<a href=\"nav.html\">nav</a>\r\n{$Body}\r\n</body></html>\r\n");
  Workbench wb(root_);
  wb.form5.SetEntries(
      {(root_ + "/site/a.dat").toStdString(), (root_ + "/site/b.dat").toStdString()});
  Click(Control<QAction>(wb.form5, "tbCheckGroup"));
  const QString log = Log(wb.form1);
  EXPECT_NE(log.indexOf(root_ + "/site/a.dat:3: error: no such file: gone.html (" + root_ +
                        "/site/out/a.html:3)"),
            -1)
      << log.toStdString();
  EXPECT_NE(log.indexOf(root_ + "/site/b.dat:3: error: no id \"none\" in a.html (" + root_ +
                        "/site/out/b.html:3)"),
            -1)
      << log.toStdString();
  const QString shared = root_ + "/site/page.tmpl:2: error: no such file: nav.html (" + root_ +
                         "/site/out/a.html:2 and 1 other page)";
  EXPECT_EQ(log.count(shared), 1) << log.toStdString();
  EXPECT_EQ(log.count(QStringLiteral("nav.html")), 1);
  ASSERT_FALSE(wb.dialogs.messages.isEmpty());
  EXPECT_TRUE(wb.dialogs.messages.last().startsWith(
      QStringLiteral("グループを確認しました：2 ページ、エラー 3 件、警告 0 件、メモ 0 件")))
      << wb.dialogs.messages.last().toStdString();
  EXPECT_FALSE(QDir(root_ + "/site/out").exists(QStringLiteral("a.html")));  // nothing written

  TForm1& f = wb.form1;
  EXPECT_EQ(FrontTab(f), "tsLogs");
  LogPane(f)->setCursorPosition(static_cast<int>(log.left(log.indexOf(shared)).count('\n')), 0);
  LogPane(f)->setFocus();
  QTest::keyClick(LogPane(f), Qt::Key_Return);
  EXPECT_EQ(f.SaveName(), root_ + "/site/page.tmpl");
  EXPECT_EQ(SourcePane(f)->CaretRow(), 1);
}

}  // namespace
}  // namespace zorvik
