#include "workbench/ui/guide_help.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace zorvik {

QString GuideFolder(const QString& program_folder) {
  const QDir program(program_folder);
  const QString built = program.absoluteFilePath(QStringLiteral("guide/html"));
  if (QFileInfo(built + QStringLiteral("/index.html")).isFile()) return built;
  return QDir::cleanPath(program.absoluteFilePath(QStringLiteral("../share/doc/zorvik/guide")));
}

namespace {

// xdg-open hands a browser a file address without its #section, so the guide would open at its
// top: a page of the user's own cache forwards to the address, section and all. Where it cannot
// be written, the address is opened as it is.
QUrl ForwardingPage(const QUrl& target) {
  const QString folder =
      QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/zorvik";
  const QString path = folder + QStringLiteral("/guide-section.html");
  const QString address = QString::fromLatin1(target.toEncoded()).toHtmlEscaped();
  // Replaced by a rename: a link planted at the name is replaced, never followed.
  QSaveFile page(path);
  if (!QDir().mkpath(folder) || !page.open(QIODevice::WriteOnly)) return target;
  page.write(QStringLiteral("<!DOCTYPE html>\n<meta charset=\"utf-8\">\n"
                            "<meta http-equiv=\"refresh\" content=\"0; url=%1\">\n"
                            "<title>Zorvik</title>\n<a href=\"%1\">%1</a>\n")
                 .arg(address)
                 .toUtf8());
  return page.commit() ? QUrl::fromLocalFile(path) : target;
}

}  // namespace

void OpenGuide(QWidget* parent, TDialogs& dialogs, const QString& page) {
  const QString folder = GuideFolder(QCoreApplication::applicationDirPath());
  const QString file = page.section(QLatin1Char('#'), 0, 0);
  if (!QFileInfo(folder + QLatin1Char('/') + file).isFile()) {
    dialogs.ShowError(parent, QStringLiteral("ガイドが見つかりません：%1").arg(folder));
    return;
  }
  QUrl url = QUrl::fromLocalFile(folder + QLatin1Char('/') + file);
  url.setFragment(page.section(QLatin1Char('#'), 1));
  QDesktopServices::openUrl(url.hasFragment() ? ForwardingPage(url) : url);
}

void AddGuideKey(QWidget& window, TDialogs& dialogs, const QString& page) {
  auto* action = new QAction(&window);
  action->setShortcut(QKeySequence::HelpContents);
  window.addAction(action);
  QObject::connect(action, &QAction::triggered, &window,
                   [&window, &dialogs, page] { OpenGuide(&window, dialogs, page); });
}

}  // namespace zorvik
