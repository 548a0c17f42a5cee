// Help through the real keys and buttons: F1 opens the built guide at the window in front, and
// the guide names every button of every window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include "qt_text/cp932_text.h"
#include "workbench/ui/guide_help.h"
#include "workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Workbench;

// Stands for the user's browser: keeps the addresses it is asked to open.
class TBrowserCatcher : public QObject {
  Q_OBJECT
 public:
  TBrowserCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
  ~TBrowserCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened << url; }
};

class HelpTest : public testing::WorkbenchTest {
 protected:
  static void PressF1(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    QApplication::processEvents();
  }
};

// The browser is handed a page of the user's cache that forwards to the guide's section, since
// xdg-open would drop a file address's #section.
TEST_F(HelpTest, F1AndTheHelpButtonOpenTheGuideAtTheWindowInFront) {
  qputenv("XDG_CACHE_HOME", (root_ + "/cache").toUtf8());
  Workbench w(root_);
  TBrowserCatcher browser;
  const auto expect_opened = [&browser, this](const QString& fragment) {
    ASSERT_EQ(browser.opened.size(), 1) << fragment.toStdString();
    const QUrl forwarder = browser.opened.takeFirst();
    EXPECT_EQ(forwarder.toLocalFile(), root_ + "/cache/zorvik/guide-section.html");
    const QString page = QString::fromUtf8(testing::ReadFile(forwarder.toLocalFile()));
    const qsizetype from = page.indexOf(QStringLiteral("url=")) + 4;
    const QUrl url = QUrl::fromEncoded(page.mid(from, page.indexOf('"', from) - from).toUtf8());
    EXPECT_EQ(url.fileName(), QStringLiteral("workbench.html"));
    EXPECT_EQ(url.fragment(), fragment);
    EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile()) << url.toString().toStdString();
  };
  PressF1(w.form1);
  expect_opened(QStringLiteral("main-window"));
  auto* help = w.form1.findChild<QToolBar*>(QStringLiteral("ToolBar1"))
                   ->widgetForAction(w.form1.findChild<QAction*>(QStringLiteral("tbHelp")));
  QTest::mouseClick(help, Qt::LeftButton);
  expect_opened(QStringLiteral("main-window"));
  EXPECT_TRUE(help->toolTip().endsWith(QStringLiteral("（F1）")));
  const std::pair<QWidget*, const char*> windows[] = {{&w.form5, "batch-window"},
                                                      {&w.form4, "user-tags"},
                                                      {&w.form3, "system-commands"},
                                                      {&w.form2, "preview"}};
  for (const auto& [window, fragment] : windows) {
    PressF1(*window);
    expect_opened(QString::fromLatin1(fragment));
    window->hide();
  }
  EXPECT_TRUE(w.dialogs.errors.isEmpty());

  // The About box says where the guide is.
  w.form1.findChild<QAction*>(QStringLiteral("tbAbout"))->trigger();
  ASSERT_FALSE(w.dialogs.messages.isEmpty());
  EXPECT_TRUE(w.dialogs.messages.last().contains(QStringLiteral("/guide/html/index.html")));
  qunsetenv("XDG_CACHE_HOME");
}

// The build's copy beside the program, else the installed one beside the program's folder.
TEST_F(HelpTest, TheGuideIsFoundBesideTheProgramOrWhereItIsInstalled) {
  QDir(root_).mkpath(QStringLiteral("build/guide/html"));
  testing::WriteFile(root_ + "/build/guide/html/index.html", "x");
  EXPECT_EQ(GuideFolder(root_ + "/build"), root_ + "/build/guide/html");
  EXPECT_EQ(GuideFolder(root_ + "/usr/bin"), root_ + "/usr/share/doc/zorvik/guide");
}

// Every button a window shows, by its text or its tool-bar hint, has an entry in the guide.
TEST_F(HelpTest, TheGuideNamesEveryButton) {
  Workbench w(root_);
  std::string guide;
  for (const QFileInfo& page :
       QDir(QStringLiteral(ZORVIK_SOURCE_DIR "/docs/guide/pages")).entryInfoList(QDir::Files)) {
    guide += testing::ReadFile(page.filePath());
  }
  QStringList names;
  for (QWidget* window : w.Windows()) {
    for (const QToolBar* bar : window->findChildren<QToolBar*>()) {
      for (const QAction* action : bar->actions()) names << action->text();
    }
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      names << button->text();
    }
  }
  int checked = 0;
  for (QString name : names) {
    name.remove(QLatin1Char('&'));
    // Buttons that show a sign (×, …) are named by their tool tip's key or their row.
    if (std::none_of(name.begin(), name.end(), [](QChar c) { return c.isLetter(); })) continue;
    EXPECT_NE(guide.find(ToCp932(name)), std::string::npos) << name.toStdString();
    ++checked;
  }
  EXPECT_GT(checked, 50);
}

}  // namespace
}  // namespace zorvik

#include "help_test.moc"
