// Saves a picture of each window of the workbench, with the example page open and a generation
// run done: window_screenshots PAGE OUTPUT_FOLDER (on a display, or QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWebEngineView>

#include "editor/teditor.h"
#include "preview/ui/preview_scheme.h"
#include "preview/ui/preview_window.h"
#include "scripted_dialogs.h"
#include "window_parts.h"
#include "workbench/ui/batch_window.h"
#include "workbench/ui/find_bar.h"
#include "workbench/ui/main_window.h"
#include "workbench/ui/publish_window.h"
#include "workbench/ui/system_settings_window.h"
#include "workbench/ui/user_tag_window.h"
#include "workbench/ui/workbench_app.h"

int main(int argc, char** argv) {
  qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
  zorvik::SetUpPreviewEngine();
  QApplication app(argc, argv);
  const auto translator = zorvik::ConfigureApplication(app);
  if (argc < 3) return 2;
  using namespace zorvik;
  testing::TScriptedDialogs dialogs;
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);
  const auto session = MakeDiskSession("/opt/zorvik/");
  TForm1 form1(dialogs, *session, (out + "/screenshots.ini").toStdString());
  TForm2 form2;
  TForm3 form3(&form1, dialogs, QStringLiteral("/opt/zorvik/"));
  TForm4 form4(&form1, dialogs);
  TForm5 form5(&form1, form1, form1.Session(), dialogs);
  TPublishWindow publish(&form1, form1.Session(), dialogs);
  form1.AttachWindows({&form2, &form3, &form4, &form5, &publish});
  form1.StartUp();
  form1.show();
  // Where the main window opens on a first start, seen on the whole screen.
  for (int i = 0; i < 10; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
  QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/first-start-screen.png");
  form1.resize(1000, 700);
  form1.OpenDocument(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
  auto save = [&](QWidget& w, const char* name) {
    w.show();
    QApplication::processEvents();
    w.grab().save(out + "/" + name + ".png");
  };
  save(form1, "main-page-source");
  testing::Part<QAction>(form1, "tbSetHTML")->trigger();
  testing::ShowTab(form1, "tsHTML");
  save(form1, "main-written-html");
  testing::ShowTab(form1, "tsLogs");
  save(form1, "main-log");
  form4.findChild<QComboBox*>(QStringLiteral("cbUserTags"))->setEditText(QStringLiteral("見出し"));
  form4.findChild<QLineEdit*>(QStringLiteral("edStr0"))
      ->setText(QStringLiteral("<h2>_Seltext_</h2>"));
  save(form4, "user-tags");
  form3.findChild<QLineEdit*>(QStringLiteral("edTempFile"))
      ->setText(QStringLiteral("{$RunningFolder}Templates/page.tmpl"));
  save(form3, "system-settings");
  form5.SetEntries({"/site/pages/index.dat", "/site/pages/about.dat"});
  save(form5, "batch");
  save(publish, "publish");
  // Qt's standard dialogs in Japanese.
  QMessageBox question(QMessageBox::Question, QString(),
                       QStringLiteral("アプリケーションを終了しますか？"),
                       QMessageBox::Yes | QMessageBox::No, &form1);
  save(question, "dialog-question");
  question.hide();
  QFileDialog open_dialog(&form1, QString(),
                          QFileInfo(QString::fromLocal8Bit(argv[1])).absolutePath(),
                          QStringLiteral("サイトデータファイル(*.dat);;テキストファイル(*.txt)"));
  open_dialog.setOption(QFileDialog::DontUseNativeDialog);
  save(open_dialog, "dialog-open-file");
  open_dialog.hide();
  // The preview of the page, once the browser has rendered it.
  bool loaded = false;
  testing::Part<QAction>(form1, "tbPreview")->trigger();
  QObject::connect(
      form2.findChild<zorvik::TfrBrowserBase*>(QStringLiteral("frBrowserBase1"))->Browser(),
      &QWebEngineView::loadFinished, [&](bool) { loaded = true; });
  QElapsedTimer timer;
  timer.start();
  while (!loaded && timer.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  form2.resize(760, 900);
  for (int i = 0; i < 40; ++i) QApplication::processEvents(QEventLoop::AllEvents, 50);
  save(form2, "preview");

  // The find bar over the page source, a search done.
  testing::ShowTab(form1, "tsPageEditor");
  testing::Part<QAction>(form1, "actReplace")->trigger();
  testing::Part<QLineEdit>(form1, "edFind")->setText(QStringLiteral("{$"));
  testing::Part<QLineEdit>(form1, "edReplace")->setText(QStringLiteral("{$"));
  testing::Part<QPushButton>(form1, "btFindNext")->click();
  testing::Part<QPushButton>(form1, "btFindNext")->click();
  save(form1, "main-find-bar");
  testing::Part<QToolButton>(form1, "btClose")->click();

  // The live preview beside the editor, after typing into the page source.
  form3.hide();
  form4.hide();
  form5.hide();
  form1.setGeometry(0, 0, 960, 760);
  form2.setGeometry(970, 0, 900, 760);
  form2.show();
  form1.activateWindow();
  testing::SourcePane(form1)->setFocus();
  int row = 0;
  while (row < testing::SourcePane(form1)->lines() &&
         !testing::SourcePane(form1)->text(row).startsWith(QStringLiteral("$Description")))
    ++row;
  testing::SourcePane(form1)->setCursorPosition(
      row, static_cast<int>(testing::SourcePane(form1)->text(row).trimmed().size()));
  testing::SourcePane(form1)->insert(
      QStringLiteral("書き足すと、プレビューがすぐに追いつきます。"));
  // The refresh comes a little after the typing; then the page is rendered.
  timer.restart();
  while (timer.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  QGuiApplication::primaryScreen()
      ->grabWindow(0, 0, 0, 1870, 800)
      .save(out + "/live-preview-beside-editor.png");
  return 0;
}
