// The markup toolbars, the user-tag window, the system settings dialog and the batch window,
// driven as a user would (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "editor/teditor.h"
#include "support/sjis.h"
#include "workbench/ui/markup_toolbar.h"
#include "workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::FrontTab;
using testing::LogPane;
using testing::ReadFile;
using testing::Sjis;
using testing::SourcePane;
using testing::Workbench;
using testing::WriteFile;

class ToolWindowsTest : public testing::WorkbenchTest {
 protected:
  // Puts text in the page-source editor and selects the bytes [start, start + length).
  static void Select(TEditor& editor, const std::string& text, int start, int length) {
    editor.SetText(text);
    editor.SetSelStart(start);
    editor.SetSelLength(length);
  }
};

TEST_F(ToolWindowsTest, MarkersToggleOnTheEditorsSelection) {
  Workbench wb(root_);
  TEditor& e = *SourcePane(wb.form1);
  const auto press = [&wb](const char* action) { Control<QAction>(wb.form1, action)->trigger(); };
  Select(e, Sjis("前abc後"), 2, 3);
  press("tbRed");
  EXPECT_EQ(e.Text(), Sjis("前<span class=\"ft_rd\">abc</span>後"));
  EXPECT_EQ(e.SelectedTextBytes(), "<span class=\"ft_rd\">abc</span>");
  press("tbBlue");  // goes in front
  EXPECT_EQ(e.SelectedTextBytes(), "<span class=\"ft_bl ft_rd\">abc</span>");
  press("tbBlue");
  press("tbRed");  // empty class: the span goes, abc stays selected
  EXPECT_EQ(e.Text(), Sjis("前abc後"));
  EXPECT_EQ(e.SelectedTextBytes(), "abc");
  press("tbBoldBtn");  // checked
  press("tbMarker");
  EXPECT_EQ(e.SelectedTextBytes(), "<strong class=\"ft_mk\">abc</strong>");
  // Nothing selected: the markers do nothing.
  e.SetSelStart(0);
  const std::string before = e.Text();
  press("tbPurple");
  EXPECT_EQ(e.Text(), before);
}

TEST_F(ToolWindowsTest, ElementsLinksTagsAndMarks) {
  Workbench wb(root_);
  TEditor& e = *SourcePane(wb.form1);
  const auto press = [&wb](const char* action) { Control<QAction>(wb.form1, action)->trigger(); };
  Select(e, "xy", 1, 0);
  press("tbBold");
  EXPECT_EQ(e.Text(), "x<strong></strong>y");
  EXPECT_EQ(e.SelectedTextBytes(), "<strong></strong>");

  Select(e, "see http://a.jp/ now", 4, 12);
  press("tbMakeLinkURL");
  EXPECT_EQ(e.Text(), "see <a href=\"http://a.jp/\"></a> now");
  EXPECT_EQ(e.SelStart(), 4 + 27 - 4);  // just before "</a>"
  Select(e, "link", 0, 4);
  press("tbSetLinks");
  EXPECT_EQ(e.Text(), "<a href=\"\">link</a>");
  EXPECT_EQ(e.SelStart(), 9);

  Select(e, "<p>\r\nabc<br />\r\n</p>", 0, 20);
  press("tbDeleteTags");
  EXPECT_EQ(e.Text(), "abc");
  EXPECT_EQ(e.SelectedTextBytes(), "abc");

  Select(e, "line0\r\nBody", 7, 4);
  press("tbDisplayMultiLines");
  EXPECT_EQ(e.Text(), "line0\r\n[Body]\r\n\r\n[/Body]\r\n");
  EXPECT_EQ(e.CaretRow(), 2);
  Select(e, "", 0, 0);
  press("tbDisplayDoller");
  EXPECT_EQ(e.Text(), "$");

  Select(e, "", 0, 0);
  Control<QComboBox>(wb.form1, "cbSystemTags")->setCurrentIndex(0);
  press("tbDisplaySysCom");
  EXPECT_EQ(e.Text(), "@Template ");
  Control<QComboBox>(wb.form1, "cbSystemTags")->setCurrentIndex(8);  // a separator writes nothing
  press("tbDisplaySysCom");
  EXPECT_EQ(e.Text(), "@Template ");
  Control<QComboBox>(wb.form1, "cbSystemTags")->setCurrentIndex(16);
  Select(e, "", 0, 0);
  press("tbDisplaySysCom");
  EXPECT_EQ(e.Text(), PageSkeleton());

  Select(e, "", 0, 0);
  wb.dialogs.color = QColor(255, 255, 255);
  press("tbColorSelect");
  EXPECT_EQ(e.Text(), "#FFFFFF");
  wb.dialogs.color.reset();
  press("tbColorSelect");
  EXPECT_EQ(e.Text(), "#FFFFFF");
}

TEST_F(ToolWindowsTest, UserTagsRegisterShowWriteDeleteAndSurviveARestart) {
  {
    Workbench wb(root_);
    TForm4& f = wb.form4;
    Control<QComboBox>(f, "cbUserTags")->setEditText(QStringLiteral("  "));
    Control<QAction>(f, "tbRegistUserGroupTags")->trigger();
    EXPECT_EQ(wb.dialogs.errors.last(),
              QStringLiteral("ユーザータググループ名が設定されていません"));
    Control<QComboBox>(f, "cbUserTags")->setEditText(QStringLiteral(" 見出し "));
    Control<QLineEdit>(f, "edStr0")->setText(QStringLiteral("<h2>_Seltext_</h2>"));
    Control<QLineEdit>(f, "edStr7")->setText(QStringLiteral("seven\tx"));
    Control<QAction>(f, "tbRegistUserGroupTags")->trigger();
    EXPECT_EQ(Control<QComboBox>(f, "cbUserTags")->count(), 1);
    EXPECT_EQ(Control<QComboBox>(f, "cbUserTags")->itemText(0), QStringLiteral("見出し"));
    Control<QComboBox>(f, "cbUserTags")->setEditText(QStringLiteral("見出し"));
    EXPECT_EQ(Control<QLineEdit>(f, "edStr7")->text(), QStringLiteral("sevenx"));

    TEditor& e = *SourcePane(wb.form1);
    e.SetText(Sjis("題名"));
    e.SetSelStart(0);
    e.SetSelLength(4);
    Control<QAction>(wb.form1, "tbUserTag0")->trigger();
    EXPECT_EQ(e.Text(), Sjis("<h2>題名</h2>"));
    Control<QAction>(wb.form1, "tbUserTag7")->trigger();
    EXPECT_EQ(e.Text(), Sjis("<h2>題名</h2>sevenx"));

    Control<QComboBox>(f, "cbUserTags")->setEditText(QStringLiteral("other"));
    EXPECT_EQ(Control<QLineEdit>(f, "edStr0")->text(), QString());  // not registered: empty fields
    Control<QLineEdit>(f, "edStr9")->setText(QStringLiteral("nine"));
    EXPECT_EQ(Control<QAction>(wb.form1, "tbUserTag9")->toolTip(),
              QStringLiteral("ユーザータグ９番を表示：nine"));
    Control<QAction>(f, "tbRegistUserGroupTags")->trigger();
    Control<QComboBox>(f, "cbUserTags")->setEditText(QStringLiteral("missing"));
    Control<QAction>(f, "tbDeleteUserGroupTags")->trigger();
    EXPECT_EQ(wb.dialogs.errors.last(),
              QStringLiteral("登録されていないユーザータググループです\r\n\r\n[missing]"));
    Control<QComboBox>(f, "cbUserTags")
        ->setEditText(QStringLiteral("OTHER"));  // found without regard to case
    wb.dialogs.answers = {true, true};
    Control<QAction>(f, "tbDeleteUserGroupTags")->trigger();
    EXPECT_EQ(wb.dialogs.questions.last(),
              QStringLiteral("ユーザータググループを削除します\r\n\r\n[OTHER]"));
    EXPECT_EQ(Control<QComboBox>(f, "cbUserTags")->count(), 1);
    EXPECT_EQ(Control<QComboBox>(f, "cbUserTags")->currentText(), QString());
    Control<QComboBox>(f, "cbUserTags")->setEditText(QStringLiteral("見出し"));
    wb.dialogs.save_answers = {TSaveAnswer::kDiscard};  // the snippets went into the page source
    EXPECT_TRUE(wb.form1.FormCloseQuery());
  }
  Workbench again(root_);
  EXPECT_EQ(Control<QComboBox>(again.form4, "cbUserTags")->currentText(), QStringLiteral("見出し"));
  EXPECT_EQ(Control<QLineEdit>(again.form4, "edStr0")->text(),
            QStringLiteral("<h2>_Seltext_</h2>"));
  EXPECT_EQ(Control<QComboBox>(again.form4, "cbUserTags")->count(), 1);
}

TEST_F(ToolWindowsTest, SystemSettingsBlockGoesToTheClipboard) {
  Workbench wb(root_);
  TForm3& f = wb.form3;
  QApplication::clipboard()->setText(QStringLiteral("before"));
  f.Prepare();
  Control<QPushButton>(f, "BitBtn2")->click();  // Cancel leaves the clipboard alone
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));

  f.Prepare();
  wb.dialogs.files = {root_ + "/Templates/page.tmpl", QString("/elsewhere/style.css"),
                      root_ + "/out/a.html"};
  Control<QToolButton>(f, "sbOpenTemplateFile")->click();
  Control<QToolButton>(f, "sbWriteOutFileName")->click();
  Control<QToolButton>(f, "sbSelectPreviewCSSFile")->click();
  EXPECT_EQ(Control<QLineEdit>(f, "edTempFile")->text(),
            QStringLiteral("{$RunningFolder}Templates/page.tmpl"));
  EXPECT_EQ(Control<QLineEdit>(f, "edCSSFile")->text(), QStringLiteral("/elsewhere/style.css"));
  Control<QLineEdit>(f, "edWriteFile")
      ->setText(QStringLiteral("　 ") + root_.toUpper().toLower() + "/out/a.html ");
  Control<QCheckBox>(f, "cbItemCRLF")->setChecked(true);
  Control<QPushButton>(f, "btnOK")->click();
  const QString rule = "//" + QString(49, QChar('-'));
  EXPECT_EQ(QApplication::clipboard()->text(),
            rule + "\r\n// システム設定\r\n" + rule +
                "\r\n@Template {$RunningFolder}Templates/page.tmpl\r\n" +
                "@WriteFile {$RunningFolder}out/a.html\r\n@PreviewCSS /elsewhere/style.css\r\n" +
                "@ItemCRLFMode Tag\r\n@HTMLCRLFMode No\r\n\r\n");
  f.Prepare();
  EXPECT_TRUE(Control<QLineEdit>(f, "edTempFile")->text().isEmpty());
  EXPECT_FALSE(Control<QCheckBox>(f, "cbItemCRLF")->isChecked());
}

// A group file saved by a UTF-8 editor starts with a byte-order mark: its first page is still
// the first entry, and the batch writes it.
TEST_F(ToolWindowsTest, AGroupFileWithAByteOrderMarkKeepsItsFirstPage) {
  WriteFile(root_ + "/t.tmpl", "<meta charset=\"UTF-8\"><p>{$Title}</p>\r\n");
  WriteFile(
      root_ + "/p1.dat",
      "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/p1.html\r\n$Title 一\r\n");
  WriteFile(
      root_ + "/p2.dat",
      "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/p2.html\r\n$Title 二\r\n");
  WriteFile(root_ + "/site.gro",
            "\xEF\xBB\xBF{$GRODataFolder}p1.dat\r\n{$GRODataFolder}p2.dat\r\n");
  Workbench wb(root_);
  TForm5& f = wb.form5;
  f.FilesDropped({root_ + "/site.gro"});
  ASSERT_EQ(Control<QListWidget>(f, "lbDataFiles")->count(), 2);
  EXPECT_EQ(Control<QListWidget>(f, "lbDataFiles")->item(0)->text(), root_ + "/p1.dat");
  Control<QAction>(f, "tbWriteOutHTMLFiles")->trigger();
  EXPECT_EQ(ReadFile(root_ + "/out/p1.html"), "<meta charset=\"UTF-8\"><p>一</p>\r\n");
  EXPECT_EQ(ReadFile(root_ + "/out/p2.html"), "<meta charset=\"UTF-8\"><p>二</p>\r\n");
}

TEST_F(ToolWindowsTest, BatchOverThreePagesWithAnErrorAMissingEntryAndAnEmptyLine) {
  QDir(root_).mkpath("one");
  const QString one = root_ + "/one/";
  WriteFile(one + "t.tmpl", "<p>{$Title}</p>\r\n");
  WriteFile(one + "bad.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/bad.html\r\nbad\r\n");
  WriteFile(one + "a.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/a.html\r\n$Title A\r\n");
  WriteFile(one + "b.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/b.html\r\n$Title B\r\n");
  WriteFile(root_ + "/open.dat", "open before");

  Workbench wb(root_);
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/open.dat"));
  TForm5& f = wb.form5;
  wb.dialogs.file_lists = {{one + "bad.dat", one + "a.dat", one + "b.dat"}};
  Control<QAction>(f, "tbOpenFiles")->trigger();
  ASSERT_EQ(Control<QListWidget>(f, "lbDataFiles")->count(), 3);
  // Saved in one folder, loaded after the folder moved: the entries follow.
  wb.dialogs.files = {one + "list.gro"};
  Control<QAction>(f, "tbSaveGroupFile")->trigger();
  EXPECT_NE(ReadFile(one + "list.gro").find("{$GRODataFolder}a.dat"), std::string::npos);
  ASSERT_TRUE(QDir(root_).rename("one", "two"));
  const QString two = root_ + "/two/";
  WriteFile(two + "list.gro", ReadFile(two + "list.gro") + "{$GRODataFolder}gone.dat\r\n\r\n");
  f.FilesDropped({two + "LIST.GRO"});
  EXPECT_EQ(wb.dialogs.errors.size(), 0);
  f.FilesDropped({two + "list.gro"});
  ASSERT_EQ(Control<QListWidget>(f, "lbDataFiles")->count(), 5);
  EXPECT_EQ(Control<QListWidget>(f, "lbDataFiles")->item(1)->text(), two + "a.dat");

  SourcePane(wb.form1)->ReplaceSelection("edited");
  wb.dialogs.save_answers = {TSaveAnswer::kDiscard};
  Control<QAction>(f, "tbWriteOutHTMLFiles")->trigger();
  EXPECT_EQ(wb.dialogs.questions.last(), QStringLiteral("変更を保存しますか？"));
  EXPECT_EQ(wb.dialogs.questions.size(), 1);  // asked once for the whole batch
  EXPECT_FALSE(QFile::exists(two + "out/bad.html"));
  EXPECT_FALSE(QFile::exists(two + "out/a.html"));  // nothing written after the first error
  const QString log = LogPane(wb.form1)->text();
  EXPECT_NE(log.indexOf(QStringLiteral("(エラー)構文エラーです(2): bad")), -1);
  EXPECT_NE(log.indexOf(QStringLiteral("ファイルが存在しません(") + two + "gone.dat)"), -1);
  EXPECT_NE(log.indexOf(QStringLiteral("ファイルが存在しません()")), -1);
  EXPECT_EQ(FrontTab(wb.form1), "tsLogs");
  // Not done: no page written, and where the first error is.
  EXPECT_EQ(
      wb.dialogs.messages.last(),
      QStringLiteral("HTML書き出しでエラーがありました：0 / 5 ページを書き出しました。"
                     "エラーのあったページから先は書き出していません。\r\n\r\n最初のエラー：") +
          two + QStringLiteral("bad.dat\r\n(エラー)構文エラーです(2): bad"));
  // The document open before comes back from disk.
  EXPECT_EQ(SourcePane(wb.form1)->Text(), "open before");
  EXPECT_FALSE(wb.session->State().BatchMode);

  // Errors of the window itself.
  f.SetEntries({});
  Control<QAction>(f, "tbWriteOutHTMLFiles")->trigger();
  EXPECT_EQ(wb.dialogs.errors.last(), QStringLiteral("ファイルが存在しません"));
  f.FilesDropped({two + "a.dat"});
  EXPECT_EQ(wb.dialogs.errors.last(), QStringLiteral("ファイルの拡張子は.groに限定されます"));
  f.FilesDropped({two + "a.gro", two + "b.gro"});
  EXPECT_EQ(wb.dialogs.errors.last(), QStringLiteral("ファイルは１つだけドロップしてください"));
  f.SetEntries({(two + "gone.dat").toStdString()});
  QListWidget* list = Control<QListWidget>(f, "lbDataFiles");
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  list->setCurrentRow(0);
  const QPoint first = list->visualItemRect(list->item(0)).center();
  QTest::mousePress(list->viewport(), Qt::LeftButton, {}, first);  // the item the view takes
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
  EXPECT_EQ(wb.dialogs.errors.last(),
            QStringLiteral("ファイルが存在しません\r\n\r\n[") + two + "gone.dat]");
}

}  // namespace
}  // namespace zorvik
