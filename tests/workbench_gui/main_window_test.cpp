#include "workbench/ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/teditor.h"
#include "support/sjis.h"
#include "workbench_fixture.h"
#include "zorvik_version.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::FrontTab;
using testing::HtmlPane;
using testing::LogPane;
using testing::ReadFile;
using testing::Sjis;
using testing::SourcePane;
using testing::Workbench;
using testing::WriteFile;

class MainWindowTest : public testing::WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    QDir(root_).mkpath("site/out");
    WriteFile(root_ + "/site/t.tmpl", "<h1>{$Title}</h1>\r\n");
    WriteFile(root_ + "/site/page.dat",
              "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/page.html\r\n$Title " +
                  Sjis("表題") + "\r\n");
  }
};

TEST_F(MainWindowTest, OpenEditSaveAndNew) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Kirabo - Zorvik 3号"));
  EXPECT_FALSE(Control<QAction>(f, "tbSaveData")->isEnabled());
  for (const QAction* button :
       Control<QToolBar>(f, "ToolBar1")->actions()) {  // a tool tip names the button's key
    if (button->shortcut().isEmpty()) continue;
    EXPECT_TRUE(button->toolTip().contains(button->shortcut().toString(QKeySequence::NativeText)))
        << button->objectName().toStdString();
  }
  Control<QAction>(f, "tbAbout")->trigger();  // the About box says which version this is
  ASSERT_FALSE(wb.dialogs.messages.isEmpty());
  EXPECT_TRUE(wb.dialogs.messages.last().contains(QStringLiteral("バージョン ") + kVersion));

  const QString page = root_ + "/site/page.dat";
  ASSERT_TRUE(f.OpenDocument(page));
  EXPECT_TRUE(wb.dialogs.questions.isEmpty());  // nothing modified: no question
  EXPECT_EQ(f.windowTitle(),
            QStringLiteral("Kirabo - Zorvik 3号  [page.dat] - <RunningFolder>/site/"));
  EXPECT_EQ(wb.session->State().DataFolder, (root_ + "/site/").toStdString());
  EXPECT_EQ(SourcePane(f)->Text(),
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/page.html\r\n$Title " +
                Sjis("表題"));
  EXPECT_FALSE(Control<QAction>(f, "tbSaveData")->isEnabled());

  SourcePane(f)->SetSelStart(0);
  SourcePane(f)->ReplaceSelection("// x\r\n");
  EXPECT_TRUE(Control<QAction>(f, "tbSaveData")->isEnabled());
  Control<QAction>(f, "tbSaveData")->trigger();
  EXPECT_FALSE(Control<QAction>(f, "tbSaveData")->isEnabled());
  EXPECT_EQ(ReadFile(page).substr(0, 6), "// x\r\n");

  // Unsaved changes carry the mark; New asks whether to save them, キャンセル keeps everything.
  SourcePane(f)->ReplaceSelection("y");
  EXPECT_EQ(f.windowTitle(),
            QStringLiteral("* Kirabo - Zorvik 3号  [page.dat] - <RunningFolder>/site/"));
  Control<QAction>(f, "tbNewFile")->trigger();
  EXPECT_EQ(wb.dialogs.questions.last(), QStringLiteral("変更を保存しますか？"));
  EXPECT_TRUE(Control<QAction>(f, "tbSaveData")->isEnabled());
  EXPECT_EQ(f.SaveName(), page);
  const std::string saved = ReadFile(page);
  wb.dialogs.save_answers = {TSaveAnswer::kDiscard};
  Control<QAction>(f, "tbNewFile")->trigger();
  EXPECT_EQ(ReadFile(page), saved);
  EXPECT_EQ(SourcePane(f)->Text(), "");
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Kirabo - Zorvik 3号"));
  EXPECT_EQ(wb.session->State().DataFolder, "");
  EXPECT_TRUE(f.SaveName().isEmpty());
  EXPECT_EQ(f.LastOpenedName(), page);

  // Without changes New asks its own question; No keeps the document.
  SourcePane(f)->ReplaceSelection("kept");
  SourcePane(f)->setModified(false);
  wb.dialogs.answers = {false};
  Control<QAction>(f, "tbNewFile")->trigger();
  EXPECT_EQ(wb.dialogs.questions.last(), QStringLiteral("新規作成しますか？"));
  EXPECT_EQ(SourcePane(f)->Text(), "kept");
  SourcePane(f)->clear();

  // Save after New asks for a name and does not touch the file opened before.
  const std::string before = ReadFile(page);
  SourcePane(f)->ReplaceSelection("new text");
  const QString other = root_ + "/site/other.dat";
  wb.dialogs.files = {other};
  Control<QAction>(f, "tbSaveData")->trigger();
  EXPECT_EQ(ReadFile(other), "new text\r\n");
  EXPECT_EQ(ReadFile(page), before);
  EXPECT_EQ(f.SaveName(), other);
  // Save as on an unmodified document still writes.
  const QString third = root_ + "/site/third.dat";
  wb.dialogs.files = {third};
  Control<QAction>(f, "tbSaveAs")->trigger();
  EXPECT_EQ(ReadFile(third), "new text\r\n");
}

TEST_F(MainWindowTest, UnsavedChangesAreLostOnlyAfterTheQuestionSaysSo) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  const QString page = root_ + "/site/page.dat";
  const std::string before = ReadFile(page);
  WriteFile(root_ + "/other.dat", "other");
  ASSERT_TRUE(f.OpenDocument(page));
  SourcePane(f)->ReplaceSelection("edited ");
  const std::string text = SourcePane(f)->Text();
  const QString title = f.windowTitle();
  // キャンセル, the default, keeps everything: quit, open, new.
  f.show();
  EXPECT_FALSE(f.close());
  wb.dialogs.files = {root_ + "/other.dat"};
  Control<QAction>(f, "tbOpenFile")->trigger();
  Control<QAction>(f, "tbNewFile")->trigger();
  EXPECT_EQ(wb.dialogs.questions, QStringList(3, QStringLiteral("変更を保存しますか？")));
  EXPECT_EQ(SourcePane(f)->Text(), text);
  EXPECT_EQ(f.windowTitle(), title);
  EXPECT_EQ(wb.session->State().DataFolder, (root_ + "/site/").toStdString());
  EXPECT_EQ(ReadFile(page), before);
  // 保存しない opens the other file and writes none.
  wb.dialogs.save_answers = {TSaveAnswer::kDiscard};
  wb.dialogs.files = {root_ + "/other.dat"};
  Control<QAction>(f, "tbOpenFile")->trigger();
  EXPECT_EQ(SourcePane(f)->Text(), "other");
  EXPECT_EQ(ReadFile(page), before);
  // An unreadable file changes nothing and says nothing.
  SourcePane(f)->ReplaceSelection("more ");
  wb.dialogs.save_answers = {TSaveAnswer::kDiscard};
  EXPECT_FALSE(f.OpenDocument(root_ + "/missing.dat"));
  EXPECT_EQ(SourcePane(f)->Text(), "more other");
  // 保存 saves first, then the program ends.
  wb.dialogs.save_answers = {TSaveAnswer::kSave};
  EXPECT_TRUE(f.close());
  EXPECT_EQ(ReadFile(root_ + "/other.dat"), "more other\r\n");
}

TEST_F(MainWindowTest, AFileChangedOrCutElsewhereIsNotSavedOverUnasked) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  // Cut at a NUL byte: shown, not edited.
  WriteFile(root_ + "/nul.dat", std::string("ab\0cd", 5));
  ASSERT_TRUE(f.OpenDocument(root_ + "/nul.dat"));
  EXPECT_TRUE(SourcePane(f)->isReadOnly());
  EXPECT_NE(wb.dialogs.errors.last().indexOf(QStringLiteral("編集できないようにしてあります")), -1);
  // Changed by another program: noticed when the window is activated, reloaded on Yes.
  const QString page = root_ + "/site/page.dat";
  ASSERT_TRUE(f.OpenDocument(page));
  EXPECT_FALSE(SourcePane(f)->isReadOnly());
  const auto activate = [&] {
    QEvent activation(QEvent::ActivationChange);
    f.show();
    f.activateWindow();
    QApplication::setActiveWindow(&f);
    QApplication::sendEvent(&f, &activation);
  };
  WriteFile(page, "$Title changed on disk");
  wb.dialogs.answers = {false};  // No: the editor keeps its text, now to be saved
  activate();
  EXPECT_NE(wb.dialogs.questions.last().indexOf(QStringLiteral("読み込み直しますか")), -1);
  EXPECT_FALSE(wb.dialogs.defaults_no.last());  // no edits here: the newer file by default
  EXPECT_NE(SourcePane(f)->Text(), "$Title changed on disk");
  EXPECT_TRUE(SourcePane(f)->isModified());
  // A save over the other program's file asks first; No saves nothing.
  wb.dialogs.answers = {false};
  Control<QAction>(f, "tbSaveData")->trigger();
  EXPECT_NE(wb.dialogs.questions.last().indexOf(QStringLiteral("上書きして保存しますか")), -1);
  EXPECT_TRUE(wb.dialogs.defaults_no.last());
  EXPECT_EQ(ReadFile(page), "$Title changed on disk");
  WriteFile(page, "$Title changed again");
  wb.dialogs.answers = {true};
  activate();
  EXPECT_EQ(SourcePane(f)->Text(), "$Title changed again");
  const qsizetype asked = wb.dialogs.questions.size();
  activate();  // nothing new: no question
  EXPECT_EQ(wb.dialogs.questions.size(), asked);
  // Removed: said, and the text stays to be saved.
  QFile::remove(page);
  activate();
  EXPECT_NE(wb.dialogs.errors.last().indexOf(QStringLiteral("削除されました")), -1);
  EXPECT_TRUE(SourcePane(f)->isModified());
}

TEST_F(MainWindowTest, AFailedSaveKeepsTheDocumentModified) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/site/page.dat"));
  const QString title = f.windowTitle();
  SourcePane(f)->ReplaceSelection("x");
  wb.dialogs.files = {root_ + "/no/such/folder/page.dat"};
  Control<QAction>(f, "tbSaveAs")->trigger();
  ASSERT_EQ(wb.dialogs.errors.size(), 1);
  // The file, and on a line of its own the system's reason.
  const auto reason = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
  EXPECT_TRUE(
      wb.dialogs.errors[0].endsWith(root_ + "/no/such/folder/page.dat]\r\n" + reason(ENOENT)))
      << wb.dialogs.errors[0].toStdString();
  // A page whose output cannot be written says which file and why.
  WriteFile(root_ + "/blocker", "a file where a folder should be");
  SourcePane(f)->SetText("@Template {$DataFolder}t.tmpl\r\n@WriteFile " +
                         (root_ + "/blocker/p.html").toStdString());
  Control<QAction>(f, "tbWriteoutHTMLFile")->trigger();
  ASSERT_EQ(wb.dialogs.errors.size(), 2);
  EXPECT_TRUE(wb.dialogs.errors[1].endsWith("\r\n" + root_ + "/blocker/p.html：" + reason(ENOTDIR)))
      << wb.dialogs.errors[1].toStdString();
  SourcePane(f)->SetText("x");
  EXPECT_TRUE(SourcePane(f)->isModified());
  EXPECT_TRUE(Control<QAction>(f, "tbSaveData")->isEnabled());
  EXPECT_EQ(f.windowTitle(), "* " + title);
  EXPECT_EQ(wb.session->State().DataFolder, (root_ + "/site/").toStdString());
}

TEST_F(MainWindowTest, DropsTakeOneDatOrTxtFile) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  f.FilesDropped({root_ + "/a.dat", root_ + "/b.dat"});
  EXPECT_EQ(wb.dialogs.errors.last(), QStringLiteral("ファイルは１つだけドロップしてください"));
  f.FilesDropped({root_ + "/page.html"});
  EXPECT_EQ(wb.dialogs.errors.last(),
            QStringLiteral("読み込みファイルの拡張子は、.datか.txtに限定されます"));
  EXPECT_EQ(SourcePane(f)->Text(), "");
  // The extension is compared in lower case; a long path is taken whole.
  QString deep = root_;
  for (int i = 0; i < 5; ++i) deep += "/" + QString(60, QChar('d'));  // a path beyond 255 bytes
  QDir().mkpath(deep);
  WriteFile(deep + "/NOTES.TXT", "notes");
  f.FilesDropped({deep + "/NOTES.TXT"});
  EXPECT_EQ(SourcePane(f)->Text(), "notes");
  EXPECT_EQ(wb.dialogs.errors.size(), 2);
}

TEST_F(MainWindowTest, FilesThatWouldChangeInTheEditorAreReported) {
  Workbench wb(root_);
  WriteFile(root_ + "/odd.dat", "ok\x85\x40");  // 0x85 0x40 is no character of CP932
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/odd.dat"));
  ASSERT_EQ(wb.dialogs.errors.size(), 1);
  EXPECT_TRUE(wb.dialogs.errors.first().endsWith(root_ + "/odd.dat]"));
}

TEST_F(MainWindowTest, RelativePathsFollowThePageNotTheCurrentFolder) {
  QDir(root_).mkpath("site/pages");
  WriteFile(root_ + "/site/pages/rel.dat",
            "@Template ../t.tmpl\r\n@WriteFile ../out/rel.html\r\n$Title R\r\n");
  Workbench wb(root_);
  ASSERT_TRUE(wb.form1.OpenDocument(root_ + "/site/pages/rel.dat"));
  Control<QAction>(wb.form1, "tbWriteoutHTMLFile")->trigger();
  EXPECT_EQ(ReadFile(root_ + "/site/out/rel.html"), "<h1>R</h1>\r\n");
}

TEST_F(MainWindowTest, APlaceSavedOnALargerScreenComesBackOnThisOne) {
  WriteFile(root_ + "/zorvik-workbench.ini",
            "Form1.Pos=5000\t4000\t9000\t8000\r\n\t#_ZQDivKeyValues_#\t\t#_ZQDivMultiLine_#\t\t#_"
            "ZQDivComponent_#\t");
  Workbench wb(root_);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.contains(wb.form1.geometry()));
}

TEST_F(MainWindowTest, GenerationButtons) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/site/page.dat"));
  Control<QAction>(f, "tbWriteoutHTMLFile")->trigger();
  // The page declares no charset: the check's warning is counted in the message.
  EXPECT_EQ(wb.dialogs.messages.last(),
            QStringLiteral("HTML書き出し完了しました（確認：エラー 0 件、警告 1 件）"));
  EXPECT_EQ(ReadFile(root_ + "/site/out/page.html"), "<h1>" + Sjis("表題") + "</h1>\r\n");
  EXPECT_EQ(HtmlPane(f)->Text(), "<h1>" + Sjis("表題") + "</h1>\r\n");
  EXPECT_NE(LogPane(f)->text().indexOf(QStringLiteral("HTMLファイルを保存しました：")), -1);

  // Warnings only: written, the log in front.
  QFile::remove(root_ + "/site/out/page.html");
  SourcePane(f)->SetText("@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/page.html");
  Control<QAction>(f, "tbWriteoutHTMLFile")->trigger();
  EXPECT_EQ(FrontTab(f), "tsLogs");
  EXPECT_TRUE(QFile::exists(root_ + "/site/out/page.html"));
  EXPECT_EQ(wb.dialogs.messages.size(), 1);

  // Errors: no file, the log in front; the preview empties the written HTML.
  QFile::remove(root_ + "/site/out/page.html");
  SourcePane(f)->SetText(
      "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/page.html\r\nbad");
  Control<QTabWidget>(f, "PageControl1")->setCurrentIndex(0);
  Control<QAction>(f, "tbWriteoutHTMLFile")->trigger();
  EXPECT_EQ(FrontTab(f), "tsLogs");
  EXPECT_FALSE(QFile::exists(root_ + "/site/out/page.html"));
  Control<QAction>(f, "tbSetHTML")->trigger();
  EXPECT_EQ(FrontTab(f), "tsLogs");
}

TEST_F(MainWindowTest, SettingsAreWrittenAtCloseAndRestoredAtStart) {
  {
    Workbench wb(root_);
    wb.form1.setGeometry(50, 60, 700, 500);
    wb.form4.setGeometry(11, 12, 300, 200);
    Control<QComboBox>(wb.form4, "cbUserTags")->setEditText("G");
    Control<QLineEdit>(wb.form4, "edStr0")->setText("a");
    Control<QAction>(wb.form4, "tbRegistUserGroupTags")->trigger();
    wb.dialogs.answers = {false};
    EXPECT_FALSE(wb.form1.FormCloseQuery());  // No: the program goes on, the file is written
    EXPECT_EQ(wb.dialogs.questions.last(), QStringLiteral("アプリケーションを終了しますか？"));
  }
  const std::string ini = ReadFile(root_ + "/zorvik-workbench.ini");
  for (const char* key : {"Form1.Pos=", "Form2.Pos=", "Form3.Pos=", "Form4.Pos=", "Form5.Pos="}) {
    EXPECT_NE(ini.find(key), std::string::npos) << key;
  }
  Workbench again(root_);
  EXPECT_EQ(again.form1.geometry(), QRect(50, 60, 700, 500));
  EXPECT_EQ(again.form4.geometry().topLeft(), QPoint(11, 12));
  EXPECT_EQ(Control<QComboBox>(again.form4, "cbUserTags")->currentText(), QStringLiteral("G"));
  EXPECT_EQ(Control<QLineEdit>(again.form4, "edStr0")->text(), QStringLiteral("a"));
  EXPECT_EQ(Control<QComboBox>(again.form1, "cbSystemTags")->count(), 17);
}

}  // namespace
}  // namespace zorvik
