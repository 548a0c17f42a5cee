#include "workbench/ui/guide_help.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace zorvik {

QString GuideFolder(const QString& program_folder) {
  const QDir program(program_folder);
  const QString built = program.absoluteFilePath(QStringLiteral("guide/html"));
  if (QFileInfo(built + QStringLiteral("/index.html")).isFile()) return built;
  return QDir::cleanPath(program.absoluteFilePath(QStringLiteral("../share/doc/zorvik/guide")));
}

void OpenGuide(QWidget* parent, TDialogs& dialogs, const QString& page) {
  const QString folder = GuideFolder(QCoreApplication::applicationDirPath());
  const QString file = page.section(QLatin1Char('#'), 0, 0);
  if (!QFileInfo(folder + QLatin1Char('/') + file).isFile()) {
    dialogs.ShowError(parent, QStringLiteral("ガイドが見つかりません：%1").arg(folder));
    return;
  }
  QUrl url = QUrl::fromLocalFile(folder + QLatin1Char('/') + file);
  url.setFragment(page.section(QLatin1Char('#'), 1));
  QDesktopServices::openUrl(url);
}

void AddGuideKey(QWidget& window, TDialogs& dialogs, const QString& page) {
  auto* action = new QAction(&window);
  action->setShortcut(QKeySequence::HelpContents);
  window.addAction(action);
  QObject::connect(action, &QAction::triggered, &window,
                   [&window, &dialogs, page] { OpenGuide(&window, dialogs, page); });
}

}  // namespace zorvik
