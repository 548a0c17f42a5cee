// The publish window through its real controls, against a real sshd (and pure-ftpd, as root)
// on 127.0.0.1: opened from the batch window, a destination typed in, 公開 and キャンセル
// clicked, a host key and a password asked through the window's boxes.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QToolBar>

#include "support/publish_servers.h"
#include "workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::Workbench;

class PublishWindowTest : public testing::WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    std::filesystem::copy(std::filesystem::path(ZORVIK_SOURCE_DIR) / "examples/site", Local("site"),
                          std::filesystem::copy_options::recursive);
    QDir(root_).mkpath(QStringLiteral("home"));
    QDir(root_).mkpath(QStringLiteral("server"));
    saved_home_ = qgetenv("HOME");
    qputenv("HOME", Local("home").c_str());
    // One instant for every run: pages with date tags would otherwise change between runs.
    qputenv("SOURCE_DATE_EPOCH", "1796634330");
  }
  void TearDown() override {
    qputenv("HOME", saved_home_);
    qunsetenv("SOURCE_DATE_EPOCH");
  }

  std::string Local(const std::string& name) const { return (root_ + "/").toStdString() + name; }
  static void Click(QAction* action) {
    auto* bar = qobject_cast<QToolBar*>(action->parent());
    ASSERT_NE(bar, nullptr);
    QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
  }
  // Opens the group in the batch window, and the publish window from there, with the
  // destination typed in.
  static void OpenWithDestination(Workbench& wb, const QString& group, const QString& to) {
    wb.dialogs.files.push_back(group);
    Click(Control<QAction>(wb.form5, "tbOpenGroupFile"));
    Click(Control<QAction>(wb.form5, "tbPublish"));
    ASSERT_TRUE(wb.publish.isVisible());
    EXPECT_EQ(Control<QLineEdit>(wb.publish, "edGroupFile")->text(), group);
    Control<QLineEdit>(wb.publish, "edDestination")->clear();
    QTest::keyClicks(Control<QLineEdit>(wb.publish, "edDestination"), to);
  }
  static QString PublishAndWait(Workbench& wb) {
    QTest::mouseClick(Control<QPushButton>(wb.publish, "btPublish"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Control<QPushButton>(wb.publish, "btPublish")->isEnabled(); }, 20000));
    return Control<QPlainTextEdit>(wb.publish, "memoLog")->toPlainText();
  }

  QByteArray saved_home_;
};

TEST_F(PublishWindowTest, PublishesOverSftpAsksForTheHostKeyAndCanBeCancelled) {
  testing::TSshServer server(Local("server"), Local("home"));
  ASSERT_TRUE(server.Start());
  Workbench wb(root_);
  const QString group = root_ + "/site/site.gro";
  const QString to = QStringLiteral("sftp://%1@127.0.0.1:%2%3/www")
                         .arg(QString::fromStdString(server.User()))
                         .arg(server.Port())
                         .arg(root_);
  OpenWithDestination(wb, group, to);

  wb.dialogs.answers.push_back(false);  // the unknown host key is not taken
  QString log = PublishAndWait(wb);
  EXPECT_NE(wb.dialogs.questions.last().indexOf(QString::fromStdString(server.Fingerprint())), -1);
  EXPECT_NE(wb.dialogs.questions.last().indexOf(QStringLiteral("127.0.0.1:%1").arg(server.Port())),
            -1);
  EXPECT_NE(log.indexOf(QStringLiteral("接続できませんでした")), -1) << log.toStdString();
  EXPECT_FALSE(QDir(root_ + "/www").exists());

  // キャンセル at once: the run stops before it connects, and the next one sends every file.
  QTest::mouseClick(Control<QPushButton>(wb.publish, "btPublish"), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>(wb.publish, "btCancel"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Control<QPushButton>(wb.publish, "btPublish")->isEnabled(); }, 20000));
  log = Control<QPlainTextEdit>(wb.publish, "memoLog")->toPlainText();
  EXPECT_NE(log.indexOf(QStringLiteral("キャンセルしました：接続する前に止めました")), -1)
      << log.toStdString();

  log = PublishAndWait(wb);
  EXPECT_NE(log.indexOf(QStringLiteral("送信 index.html")), -1) << log.toStdString();
  EXPECT_NE(log.indexOf(QStringLiteral("公開しました：送信 4、削除 0、変更なし 0")), -1)
      << log.toStdString();
  EXPECT_EQ(Control<QProgressBar>(wb.publish, "progressBar")->value(),
            Control<QProgressBar>(wb.publish, "progressBar")->maximum());
  EXPECT_EQ(testing::ReadFile(root_ + "/www/index.html"),
            testing::ReadFile(root_ + "/site/public/index.html"));
  // The destination is kept beside the group for the next time, and for the command line.
  EXPECT_EQ(testing::ReadFile(group + ".publish").find("to = " + to.toStdString() + "\n") !=
                std::string::npos,
            true);
  // A group file typed into its box is taken as one chosen with 参照…: its destination shown.
  Control<QLineEdit>(wb.publish, "edDestination")->clear();
  Control<QLineEdit>(wb.publish, "edGroupFile")->clear();
  QTest::keyClicks(Control<QLineEdit>(wb.publish, "edGroupFile"), group);
  QTest::keyClick(Control<QLineEdit>(wb.publish, "edGroupFile"), Qt::Key_Tab);
  EXPECT_EQ(Control<QLineEdit>(wb.publish, "edDestination")->text(), to);

  Control<QCheckBox>(wb.publish, "cbDryRun")->setChecked(true);
  log = PublishAndWait(wb);
  EXPECT_NE(log.indexOf(QStringLiteral("送信予定 0、削除予定 0、変更なし 4")), -1)
      << log.toStdString();
}

// A server that takes the connection and never says a word: キャンセル is heard at once, not
// after the 20 seconds a connection waits for an answer.
TEST_F(PublishWindowTest, CancelIsHeardWhileTheServerHasNotAnswered) {
  const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(::listen(silent, 8), 0);  // the system takes connections; nobody answers them
  ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size);
  Workbench wb(root_);
  for (const char* scheme : {"sftp", "ftps"}) {
    OpenWithDestination(
        wb, root_ + "/site/site.gro",
        QStringLiteral("%1://me@127.0.0.1:%2/www").arg(scheme).arg(ntohs(address.sin_port)));
    wb.dialogs.passwords.push_back(QStringLiteral("secret"));
    auto* log = Control<QPlainTextEdit>(wb.publish, "memoLog");
    QTest::mouseClick(Control<QPushButton>(wb.publish, "btPublish"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return log->toPlainText().contains(QStringLiteral("接続しています")); }, 20000));
    QTest::qWait(300);  // well into the wait for the server's first words
    QElapsedTimer heard;
    heard.start();
    QTest::mouseClick(Control<QPushButton>(wb.publish, "btCancel"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Control<QPushButton>(wb.publish, "btPublish")->isEnabled(); }, 20000));
    EXPECT_LT(heard.elapsed(), 5000) << scheme;
    EXPECT_NE(log->toPlainText().indexOf(QStringLiteral("キャンセルしました")), -1)
        << scheme << ": " << log->toPlainText().toStdString();
    EXPECT_TRUE(wb.dialogs.errors.isEmpty()) << scheme;
  }
  ::close(silent);
}

TEST_F(PublishWindowTest, AnFtpsPasswordIsAskedOnceAndKeptInMemoryOnly) {
  if (::geteuid() != 0) GTEST_SKIP() << "pure-ftpd's virtual users need root";
  testing::TFtpsServer server(Local("server"));
  ASSERT_TRUE(server.Start());
  Workbench wb(root_);
  const QString group = root_ + "/site/site.gro";
  OpenWithDestination(wb, group, QStringLiteral("ftps://site@127.0.0.1:%1/www").arg(server.Port()));
  testing::WriteFile(group + ".publish",
                     "to = ftps://site@127.0.0.1:" + std::to_string(server.Port()) +
                         "/www\nca-file = " + server.Certificate() + "\n");
  wb.dialogs.passwords.push_back(QString::fromLatin1(testing::TFtpsServer::kPassword));
  QString log = PublishAndWait(wb);
  EXPECT_NE(log.indexOf(QStringLiteral("公開しました：送信 4")), -1) << log.toStdString();
  EXPECT_EQ(wb.dialogs.questions.count(QStringLiteral("site@127.0.0.1 のパスワード")), 1);
  Click(Control<QAction>(wb.form1, "tbPublish"));  // from the main tool bar, the same window
  log = PublishAndWait(wb);
  EXPECT_NE(log.indexOf(QStringLiteral("変更なし 4")), -1) << log.toStdString();
  EXPECT_EQ(wb.dialogs.questions.count(QStringLiteral("site@127.0.0.1 のパスワード")), 1);
  wb.form1.FormCloseQuery();  // the settings stored, as at the end of a session
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_.toStdString())) {
    if (entry.is_regular_file()) {
      EXPECT_EQ(testing::Slurp(entry.path().string()).find(testing::TFtpsServer::kPassword),
                std::string::npos)
          << entry.path();
    }
  }
}

}  // namespace
}  // namespace zorvik
