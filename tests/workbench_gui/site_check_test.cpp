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

using testing::Sjis;
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
  static QString Log(TForm1& f) { return f.edLogs->text(); }
};

TEST_F(SiteCheckTest, EachGenerationChecksItsPageUnlessTurnedOff) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/site/a.dat"));
  EXPECT_TRUE(f.tbCheckPage->isChecked());
  Click(f.tbSetHTML);
  const QString finding =
      QStringLiteral("(確認) ") + root_ + "/site/out/a.html:2: error: no such file: gone.html";
  EXPECT_EQ(Log(f).count(finding), 1) << Log(f).toStdString();
  // The other pages are taken as they are on disk: b.html is not written yet.
  EXPECT_EQ(Log(f).count(QStringLiteral("no such file: b.html")), 1);
  Click(f.tbCheckPage);
  EXPECT_FALSE(f.tbCheckPage->isChecked());
  Click(f.tbSetHTML);
  EXPECT_EQ(Log(f).count(finding), 1);  // not checked again
}

TEST_F(SiteCheckTest, TheBatchWindowChecksTheWholeGroup) {
  Workbench wb(root_);
  wb.form5.SetEntries(
      {(root_ + "/site/a.dat").toStdString(), (root_ + "/site/b.dat").toStdString()});
  Click(wb.form5.tbCheckGroup);
  const QString log = Log(wb.form1);
  EXPECT_NE(log.indexOf(root_ + "/site/out/a.html:2: error: no such file: gone.html"), -1)
      << log.toStdString();
  EXPECT_NE(log.indexOf(root_ + "/site/out/b.html:2: error: no id \"none\" in a.html"), -1)
      << log.toStdString();
  ASSERT_FALSE(wb.dialogs.messages.isEmpty());
  EXPECT_TRUE(wb.dialogs.messages.last().startsWith(
      QStringLiteral("グループを確認しました：2 ページ、エラー 2 件、警告 0 件、メモ 0 件")))
      << wb.dialogs.messages.last().toStdString();
  EXPECT_FALSE(QDir(root_ + "/site/out").exists(QStringLiteral("a.html")));  // nothing written
}

}  // namespace
}  // namespace zorvik
