#include "workbench/ui/workbench_app.h"

#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <csignal>
#include <cstdio>

#include "preview/ui/preview_scheme.h"
#include "preview/ui/preview_window.h"
#include "settings/settings_store.h"
#include "text/file_names.h"
#include "workbench/ui/batch_window.h"
#include "workbench/ui/dialogs.h"
#include "workbench/ui/main_window.h"
#include "workbench/ui/publish_window.h"
#include "workbench/ui/qt_paths.h"
#include "workbench/ui/single_instance.h"
#include "workbench/ui/system_settings_window.h"
#include "workbench/ui/user_tag_window.h"
#include "workbench/workspace.h"

namespace zorvik {

std::unique_ptr<QTranslator> ConfigureApplication(QApplication& app) {
  // No display name: Qt would append it to every caption.
  QApplication::setApplicationName(QStringLiteral("zorvik-workbench"));
  QApplication::setDesktopFileName(QStringLiteral("zorvik-workbench"));
  // The installed theme icon, else the one built into the program.
  QIcon builtin;
  builtin.addFile(QStringLiteral(":/icons/zorvik-workbench-48.png"));
  builtin.addFile(QStringLiteral(":/icons/zorvik-workbench-256.png"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zorvik-workbench"), builtin));
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  app.installTranslator(translator.get());
  return translator;
}

namespace {

// What the first start made, said once so that the user knows where the files came from.
QString FirstStartMessage(const QString& folder) {
  QString text = QStringLiteral(
                     "はじめての起動なので、フォルダ %1 を作りました。\r\n\r\n"
                     "Templates/page.tmpl：ひな形のテンプレートです（ページ原稿の「@Template "
                     "{$RunningFolder}Templates\\page.tmpl」で使えます。$Title と $Article "
                     "を埋めます）。")
                     .arg(folder);
  if (QFileInfo(folder + QStringLiteral("example/site.gro")).isFile()) {
    text += QStringLiteral(
        "\r\nexample/：試しに書き換えてよい例のサイトです（example/site.gro を連続書換フォームで"
        "開きます）。");
  }
  return text;
}

}  // namespace

int RunWorkbench(int argc, char** argv, std::function<void(TForm1&)> on_shown) {
  // The browser engine refuses its sandbox to root; a root session still gets its preview.
  if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  }
  // A save beyond the file-size limit fails as a write and is reported, instead of ending the
  // program with the user's work in it.
  std::signal(SIGXFSZ, SIG_IGN);
  SetUpPreviewEngine();
  QApplication app(argc, argv);
  const std::unique_ptr<QTranslator> translator = ConfigureApplication(app);

  TQtDialogs dialogs;
  const std::string executable =
      QFile::encodeName(QApplication::applicationFilePath()).toStdString();
  const std::string settings_file = SettingsFilePath(executable);
  if (settings_file.empty()) {
    std::fprintf(stderr, "zorvik-workbench: no home folder is known; settings are not kept\n");
  }
  // One workbench per settings file: a second start hands its page over and ends.
  const QStringList args = QApplication::arguments();
  const QString page = args.size() > 1 ? QFileInfo(args.at(1)).absoluteFilePath() : QString();
  TForm1* main_window = nullptr;  // outlives the listener that uses it
  TSingleInstance instance;
  if (instance.HandOverOrListen(
          TSingleInstance::SocketPath(settings_file, qEnvironmentVariable("XDG_RUNTIME_DIR")), page,
          [&main_window](const QString& handed) {
            if (main_window == nullptr) return;
            main_window->BringToFront();
            if (!handed.isEmpty()) main_window->OpenDocument(handed);
          })) {
    return 0;
  }
  // An installed program works in the user's own folder, made at the first start.
  std::string workspace = WorkspaceFolder();
  const TWorkspace made =
      workspace == ProgramFolder()
          ? TWorkspace::kThere
          : MakeWorkspace(workspace, ProgramFolder() + "../share/doc/zorvik/examples/site");
  if (made == TWorkspace::kFailed) {
    std::fprintf(stderr, "zorvik-workbench: cannot make the folder %s\n", workspace.c_str());
  }
  if (workspace.empty()) workspace = ProgramFolder();
  std::string clock_refusal;
  const std::unique_ptr<TEngineSession> session =
      MakeDiskSession(workspace, FixedInstantFromEnvironment(&clock_refusal));
  if (!clock_refusal.empty()) std::fprintf(stderr, "zorvik-workbench: %s\n", clock_refusal.c_str());
  TForm1 form1(dialogs, *session, settings_file);
  main_window = &form1;
  TdmBrowserModule browser_module;
  TForm2 form2;
  TForm3 form3(&form1, dialogs, PathText(workspace));
  TForm4 form4(&form1, dialogs);
  TForm5 form5(&form1, form1, form1.Session(), dialogs);
  TPublishWindow publish(&form1, form1.Session(), dialogs);
  form1.AttachWindows({&form2, &form3, &form4, &form5, &publish});
  form1.StartUp();
  form1.show();
  if (!page.isEmpty()) form1.OpenDocument(page);
  if (made == TWorkspace::kMade) {
    // Said once, at the start that made it: where the user's own files now are.
    QTimer::singleShot(0, &form1, [&form1, &dialogs, folder = PathText(workspace)] {
      dialogs.ShowMessage(&form1, FirstStartMessage(folder));
    });
  }
  if (on_shown) QTimer::singleShot(0, &form1, [&form1, on_shown] { on_shown(form1); });
  return QApplication::exec();
}

}  // namespace zorvik
