// The workbench driven through its real controls: toolbar actions triggered, buttons clicked,
// keys typed into boxes, windows closed, as a user does it (offscreen).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <cstring>

#include "editor/ruler.h"
#include "editor/teditor.h"
#include "preview/wait_for.h"
#include "settings/settings_store.h"
#include "support/sjis.h"
#include "support/unprivileged.h"
#include "workbench/ui/single_instance.h"
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

// Bytes that do not survive CP932 -> Unicode -> CP932: an NEC duplicate, an NEC-selected IBM
// extension and an undefined code.
const std::string kRaw = "\x87\x9A\xED\x40\x85\x40";
// A template line in UTF-8, which is not Shift-JIS at all.
const std::string kUtf8Line = "<p>\xC3\xBC\xE6\x97\xA5</p>";

// Stands for the system's handler of web addresses.
class TUrlCatcher : public QObject {
  Q_OBJECT
 public slots:
  void Open(const QUrl& url) { urls << url; }

 public:
  QList<QUrl> urls;
};

class RealControlsTest : public testing::WorkbenchTest {
 protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    WriteFile(root_ + "/raw.tmpl", "<html>" + kRaw + "{$Body}\r\n" + kUtf8Line + "\r\n</html>");
    WriteFile(root_ + "/raw.dat",
              "@Template {$DataFolder}raw.tmpl\r\n@WriteFile {$DataFolder}out/raw.html\r\n"
              "$Body " +
                  kRaw + "\r\n");
    WriteFile(root_ + "/clean.dat",
              "@Template {$DataFolder}raw.tmpl\r\n@WriteFile {$DataFolder}out/clean.html\r\n"
              "$Body " +
                  Sjis("本文") + "\r\n");
  }
  // The socket of the workbench this test plays, in a runtime folder of its own.
  QString WorkbenchSocket() {
    const QString runtime = root_ + "/runtime";
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return TSingleInstance::SocketPath(SettingsFilePath(ZORVIK_WORKBENCH_BINARY), runtime);
  }
  // The real program started again, as a second start that finds that socket.
  void PrepareSecondStart(QProcess& start) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", root_ + "/runtime");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");  // as for this process (see gui_test_main.cpp)
    start.setProcessEnvironment(env);
    start.setWorkingDirectory(root_);
  }
};

TEST_F(RealControlsTest, WrittenFilesAreTheRunsOwnBytes) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  ASSERT_TRUE(f.OpenDocument(root_ + "/raw.dat"));
  ASSERT_EQ(wb.dialogs.errors.size(), 1);  // opening it says that saving would change bytes
  Control<QAction>(f, "tbWriteoutHTMLFile")->trigger();
  EXPECT_EQ(ReadFile(root_ + "/out/raw.html"),
            "<html>" + kRaw + kRaw + "\r\n" + kUtf8Line + "\r\n</html>\r\n");
  EXPECT_TRUE(wb.dialogs.messages.last().startsWith(QStringLiteral("HTML書き出し完了しました")));

  // A clean page source with such a template: no question, the template's bytes kept.
  ASSERT_TRUE(f.OpenDocument(root_ + "/clean.dat"));
  Control<QAction>(f, "tbWriteoutHTMLFile")->trigger();
  EXPECT_EQ(ReadFile(root_ + "/out/clean.html"),
            "<html>" + kRaw + Sjis("本文") + "\r\n" + kUtf8Line + "\r\n</html>\r\n");
  EXPECT_EQ(wb.dialogs.errors.size(), 1);

  // Saved unchanged, the page source keeps its bytes too.
  const std::string source = ReadFile(root_ + "/raw.dat");
  ASSERT_TRUE(f.OpenDocument(root_ + "/raw.dat"));
  Control<QAction>(f, "tbSaveAs")->setEnabled(true);
  wb.dialogs.files = {root_ + "/copy.dat"};
  Control<QAction>(f, "tbSaveAs")->trigger();
  EXPECT_EQ(ReadFile(root_ + "/copy.dat"), source.substr(0, source.size() - 2) + "\r\n");
}

TEST_F(RealControlsTest, OpeningAFileCutByANulByteSaysWhere) {
  WriteFile(root_ + "/nul.dat", std::string("$Body a\r\n\0$Body b", 17));
  Workbench wb(root_);
  wb.dialogs.files = {root_ + "/nul.dat"};
  Control<QAction>(wb.form1, "tbOpenFile")->trigger();
  ASSERT_EQ(wb.dialogs.errors.size(), 1);
  EXPECT_NE(wb.dialogs.errors.first().indexOf(QStringLiteral("オフセット 9 に NUL バイト")), -1);
  EXPECT_EQ(SourcePane(wb.form1)->Text(), "$Body a");
}

TEST_F(RealControlsTest, BatchGeneratesThePagesOwnBytesWithoutAskingAndCountsMissingEntries) {
  Workbench wb(root_);
  wb.form5.SetEntries({(root_ + "/raw.dat").toStdString(), (root_ + "/gone.dat").toStdString(),
                       (root_ + "/clean.dat").toStdString()});
  QString progress_at_end;
  wb.dialogs.on_message = [&] { progress_at_end = Control<QLabel>(wb.form5, "progress")->text(); };
  Control<QAction>(wb.form5, "tbWriteOutHTMLFiles")->trigger();
  EXPECT_TRUE(wb.dialogs.errors.isEmpty());  // nothing is saved in a batch: no warning
  EXPECT_EQ(ReadFile(root_ + "/out/raw.html"),
            "<html>" + kRaw + kRaw + "\r\n" + kUtf8Line + "\r\n</html>\r\n");
  EXPECT_EQ(ReadFile(root_ + "/out/clean.html"),
            "<html>" + kRaw + Sjis("本文") + "\r\n" + kUtf8Line + "\r\n</html>\r\n");
  EXPECT_EQ(progress_at_end, QStringLiteral("3 / 3"));
}

// A long batch keeps the window answering: its progress is drawn while it runs, and 中止 stops
// it between two pages, keeping the pages written before and saying where it stopped.
TEST_F(RealControlsTest, TheStopButtonEndsARunningBatchBetweenTwoPages) {
  constexpr int kPages = 300;  // each some milliseconds long
  WriteFile(root_ + "/loop.tmpl", "<p>{$Title}</p>{#row}<li>{$Title}{$Count}</li>{/#row}\r\n");
  std::vector<std::string> entries;
  for (int i = 0; i < kPages; ++i) {
    const std::string name = std::to_string(i);
    WriteFile(root_ + "/" + QString::fromStdString(name) + ".dat",
              "@Template {$DataFolder}loop.tmpl\r\n@WriteFile {$DataFolder}out/" + name +
                  ".html\r\n@LoopTag row 20000\r\n$Title " + name + "\r\n");
    entries.push_back((root_ + "/").toStdString() + name + ".dat");
  }
  Workbench wb(root_);
  wb.form5.SetEntries(entries);
  wb.form5.show();
  auto* stop = Control<QPushButton>(wb.form5, "btStop");
  auto* progress = Control<QLabel>(wb.form5, "progress");
  QString drawn;  // the progress as the window drew it during the run
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!drawn.isEmpty() || progress->text().isEmpty()) return;
    drawn = progress->text();
    QTest::mouseClick(stop, Qt::LeftButton);
  });
  watch.start(5);
  Control<QAction>(wb.form5, "tbWriteOutHTMLFiles")->trigger();
  watch.stop();
  ASSERT_TRUE(drawn.endsWith(QStringLiteral(" / 300"))) << drawn.toStdString();
  const int written = static_cast<int>(QDir(root_ + "/out").entryList(QDir::Files).size());
  EXPECT_GT(written, 0);
  EXPECT_LT(written, kPages);
  EXPECT_TRUE(QFile::exists(root_ + QStringLiteral("/out/%1.html").arg(written - 1)));
  EXPECT_EQ(
      wb.dialogs.messages.last(),
      QStringLiteral("連続書き込みを中止しました：%1 / 300 ページを書き換えました").arg(written));
  EXPECT_NE(
      LogPane(wb.form1)->text().indexOf(
          QStringLiteral("ここから先は書き換えていません(%1/%2.dat)").arg(root_).arg(written)),
      -1);
  EXPECT_TRUE(stop->isHidden());
}

// The batch's last message says how it ended: done only when every page was written; else the
// pages written and the first error with its page source and line.
TEST_F(RealControlsTest, TheBatchsLastMessageSaysHowItEnded) {
  WriteFile(root_ + "/t.tmpl", "<p>{$Title}</p>\r\n");
  const auto page = [&](const std::string& name, const std::string& first_line) {
    WriteFile(root_ + "/" + QString::fromStdString(name) + ".dat",
              first_line + "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}out/" + name +
                  ".html\r\n$Title " + name + "\r\n");
    return (root_ + "/").toStdString() + name + ".dat";
  };
  const std::string ok = page("ok", ""), bogus = page("bogus", "@Bogus\r\n");
  const std::string missing = (root_ + "/missing.dat").toStdString();
  const struct {
    std::vector<std::string> entries;
    QString message;
  } cases[] = {
      {{ok, ok}, QStringLiteral("HTML書き出し完了しました")},
      {{ok, bogus, ok},
       QStringLiteral("HTML書き出しでエラーがありました：1 / 3 ページを書き出しました。"
                      "エラーのあったページから先は書き出していません。\r\n\r\n最初のエラー：") +
           QString::fromStdString(bogus) +
           QStringLiteral("\r\n(エラー)未定義のシステムコマンドです(0):bogus")},
      {{missing, ok},
       QStringLiteral("読めないページ原稿がありました：1 / 2 ページを書き出しました。"
                      "ログを見てください。")},
  };
  for (const auto& c : cases) {
    Workbench wb(root_);
    wb.form5.SetEntries(c.entries);
    wb.form5.show();
    Control<QAction>(wb.form5, "tbWriteOutHTMLFiles")->trigger();
    ASSERT_FALSE(wb.dialogs.messages.isEmpty());
    EXPECT_EQ(wb.dialogs.messages.last(), c.message);
  }
}

TEST_F(RealControlsTest, UserTagGroupBoxKeepsWhatWasTyped) {
  Workbench wb(root_);
  TForm4& f = wb.form4;
  f.show();
  QLineEdit* box = Control<QComboBox>(f, "cbUserTags")->lineEdit();
  QTest::keyClicks(box, "grp1");
  Control<QLineEdit>(f, "edStr0")->setText("one");
  Control<QAction>(f, "tbRegistUserGroupTags")->trigger();
  box->clear();
  QTest::keyClicks(box, "grp");
  EXPECT_EQ(Control<QComboBox>(f, "cbUserTags")->currentText(), QStringLiteral("grp"));
  Control<QLineEdit>(f, "edStr0")->setText("two");
  Control<QAction>(f, "tbRegistUserGroupTags")->trigger();
  EXPECT_EQ(Control<QComboBox>(f, "cbUserTags")->count(), 2);

  box->clear();
  QTest::keyClicks(box, "GRP1");
  QTest::keyClick(box, Qt::Key_Return);
  Control<QLineEdit>(f, "edStr1")->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(Control<QComboBox>(f, "cbUserTags")->currentText(), QStringLiteral("GRP1"));
  box->clear();
  QTest::keyClicks(box, "grp1");
  EXPECT_EQ(Control<QLineEdit>(f, "edStr0")->text(),
            QStringLiteral("one"));  // grp1 was not overwritten
}

TEST_F(RealControlsTest, ClosingTheMainWindowClosesEveryWindow) {
  Workbench wb(root_);
  wb.form1.show();
  wb.form2.show();
  wb.form4.show();
  wb.dialogs.answers = {false};
  EXPECT_FALSE(wb.form1.close());
  EXPECT_TRUE(wb.form2.isVisible());
  EXPECT_TRUE(wb.form1.close());
  EXPECT_FALSE(wb.form2.isVisible());
  EXPECT_FALSE(wb.form4.isVisible());
}

TEST_F(RealControlsTest, ASettingsFileThatCannotBeSavedIsSaidOnce) {
  WriteFile(root_ + "/blocker", "a file where the settings folder would be");
  Workbench wb(root_ + "/blocker");
  wb.form1.show();
  EXPECT_TRUE(wb.form1.close());
  ASSERT_EQ(wb.dialogs.errors.size(), 1);
  EXPECT_TRUE(wb.dialogs.errors[0].startsWith(QStringLiteral("設定ファイルを保存できません：") +
                                              root_ + "/blocker/"));
}

// This test is the running workbench; the real program, started again, is the second start.
// While the save question is up (a modal box runs the event loop), the second start ends and
// its socket goes; whatever the answer, the workbench goes on, with the page it was handed.
TEST_F(RealControlsTest, ASecondStartHandsItsPageOverWhateverTheAnswerToTheSaveQuestion) {
  const QString socket = WorkbenchSocket();
  ASSERT_TRUE(socket.startsWith(root_ + "/runtime/"));
  WriteFile(root_ + "/a.dat", "page a");
  WriteFile(root_ + "/b.dat", "page b");
  Workbench wb(root_);
  TForm1& f = wb.form1;
  TSingleInstance running;
  ASSERT_FALSE(running.HandOverOrListen(socket, {}, [&](const QString& page) {
    f.BringToFront();  // as the program does
    if (!page.isEmpty()) f.OpenDocument(page);
  }));
  QProcess second;
  PrepareSecondStart(second);
  // A modal box runs an event loop of its own until it is answered: here until the second
  // start has ended and its socket has gone.
  wb.dialogs.on_question = [&] {
    QEventLoop modal;
    QTimer::singleShot(20000, &modal, &QEventLoop::quit);
    QObject::connect(&second, &QProcess::finished, &modal,
                     [&modal] { QTimer::singleShot(300, &modal, &QEventLoop::quit); });
    if (second.state() != QProcess::NotRunning) modal.exec();
  };
  const struct {
    TSaveAnswer answer;
    const char* open;   // the page open after the answer
    const char* a_dat;  // what a.dat holds then
  } cases[] = {
      {TSaveAnswer::kSave, "page b", "edited page a"},
      {TSaveAnswer::kDiscard, "page b", "page a"},
      {TSaveAnswer::kCancel, "edited page a", "page a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.open + std::string(" / ") + c.a_dat);
    WriteFile(root_ + "/a.dat", "page a");
    wb.dialogs.save_answers = {TSaveAnswer::kDiscard};
    ASSERT_TRUE(f.OpenDocument(root_ + "/a.dat"));
    SourcePane(f)->insert(QStringLiteral("edited "));
    const qsizetype asked = wb.dialogs.questions.size();
    wb.dialogs.save_answers = {c.answer};
    second.start(QStringLiteral(ZORVIK_WORKBENCH_BINARY), {QStringLiteral("b.dat")});
    // The program's own event loop, as app.exec() runs it, until the page was taken.
    QEventLoop program;
    QTimer::singleShot(30000, &program, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &program, [&] {
      if (wb.dialogs.questions.size() > asked && second.state() == QProcess::NotRunning)
        QTimer::singleShot(300, &program, &QEventLoop::quit);
    });
    poll.start(20);
    program.exec();
    ASSERT_GT(wb.dialogs.questions.size(), asked);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(SourcePane(f)->Text(), c.open);
    std::string a_dat = ReadFile(root_ + "/a.dat");
    if (a_dat.ends_with("\r\n")) a_dat.resize(a_dat.size() - 2);
    EXPECT_EQ(a_dat, c.a_dat);
  }
}

// A second start while the running workbench is busy (its event loop held for seconds) waits
// for it and hands the page over: never a second workbench on the same settings file.
TEST_F(RealControlsTest, ASecondStartWaitsForABusyWorkbench) {
  const QString socket = WorkbenchSocket();
  WriteFile(root_ + "/b.dat", "page b");
  QString handed;
  TSingleInstance running;
  ASSERT_FALSE(running.HandOverOrListen(socket, {}, [&](const QString& page) { handed = page; }));
  QProcess second;
  PrepareSecondStart(second);
  second.start(QStringLiteral(ZORVIK_WORKBENCH_BINARY), {QStringLiteral("b.dat")});
  ASSERT_TRUE(second.waitForStarted());
  QThread::sleep(4);  // busy: nothing is answered meanwhile
  QEventLoop program;
  QTimer::singleShot(30000, &program, &QEventLoop::quit);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &program, [&] {
    if (!handed.isEmpty() && second.state() == QProcess::NotRunning) program.quit();
  });
  poll.start(20);
  program.exec();
  EXPECT_EQ(handed, root_ + "/b.dat");
  EXPECT_EQ(second.state(), QProcess::NotRunning) << "the second start became a workbench";
  EXPECT_EQ(second.exitCode(), 0);
  second.kill();
  second.waitForFinished();
}

// Pages handed over while the page before is still being taken (its save question up) wait
// their turn: one question at a time, each about its own page.
TEST_F(RealControlsTest, PagesHandedOverDuringAQuestionWaitTheirTurn) {
  const QString socket = WorkbenchSocket();
  QProcess starts[3];
  const auto start = [&](int i, const QString& page) {
    PrepareSecondStart(starts[i]);
    starts[i].start(QStringLiteral(ZORVIK_WORKBENCH_BINARY), {page});
  };
  QStringList taken;
  int depth = 0, deepest = 0;
  TSingleInstance running;
  ASSERT_FALSE(running.HandOverOrListen(socket, {}, [&](const QString& page) {
    taken << QFileInfo(page).fileName();
    deepest = std::max(deepest, ++depth);
    if (taken.size() == 1) {
      // The first page's question: a modal loop, while two more starts hand their pages over.
      start(1, "b.dat");
      start(2, "c.dat");
      QEventLoop modal;
      QTimer::singleShot(20000, &modal, &QEventLoop::quit);
      QTimer poll;
      QObject::connect(&poll, &QTimer::timeout, &modal, [&] {
        if (starts[1].state() == QProcess::NotRunning && starts[2].state() == QProcess::NotRunning)
          modal.quit();
      });
      poll.start(20);
      modal.exec();
    }
    --depth;
  }));
  start(0, "a.dat");
  QEventLoop program;
  QTimer::singleShot(30000, &program, &QEventLoop::quit);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &program, [&] {
    if (taken.size() == 3 && depth == 0) program.quit();
  });
  poll.start(20);
  program.exec();
  EXPECT_EQ(deepest, 1);
  ASSERT_EQ(taken.size(), 3);
  EXPECT_EQ(taken[0], "a.dat");
  EXPECT_TRUE((taken[1] == "b.dat" && taken[2] == "c.dat") ||
              (taken[1] == "c.dat" && taken[2] == "b.dat"))
      << taken.join(",").toStdString();
  for (QProcess& one : starts) one.waitForFinished();
}

// Someone else's socket at the workbench's place learns nothing and cannot end the start; a
// runtime folder that others may enter is not used.
TEST_F(RealControlsTest, ASocketOrFolderOfAnotherUserIsNotTrusted) {
  const QString shared = root_ + "/shared";
  QDir().mkpath(shared);
  QFile::setPermissions(shared, QFileDevice::Permissions(0x7777));
  EXPECT_FALSE(TSingleInstance::SocketPath("/x/zorvik-workbench.ini", shared).startsWith(shared));
  if (::geteuid() != 0) GTEST_SKIP() << "another user's socket needs root to make";
  ::chmod(QFile::encodeName(root_).constData(), 0755);
  ::chmod(QFile::encodeName(shared).constData(), 01777);
  const QString socket = shared + "/zorvik-workbench-planted";
  // Named before the fork: the child of a process with threads only makes system calls.
  const QByteArray socket_name = QFile::encodeName(socket);
  const QByteArray making_name = QFile::encodeName(socket + ".new");
  const QByteArray lock_name = QFile::encodeName(socket + ".lock");
  const pid_t planter = ::fork();
  if (planter == 0) {
    if (::setgid(testing::kNobody) != 0 || ::setuid(testing::kNobody) != 0) ::_exit(3);
    // A lock that anyone may open, held for as long as this process lives.
    const int lock = ::open(lock_name.constData(), O_RDWR | O_CREAT, 0666);
    ::fchmod(lock, 0666);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) ::_exit(3);
    // The socket appears under its name only once it listens.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, making_name.constData(), sizeof address.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 || ::rename(making_name.constData(), socket_name.constData()) != 0) {
      ::_exit(3);
    }
    // Answers "ok" as a workbench would; exits 1 when it was told a page.
    pollfd wait{fd, POLLIN, 0};
    if (::poll(&wait, 1, 5000) != 1) ::_exit(0);
    const int client = ::accept(fd, nullptr, nullptr);
    (void)::send(client, "ok\n", 3, MSG_NOSIGNAL);  // the start may have gone already
    char buffer[256];
    pollfd read_wait{client, POLLIN, 0};
    ::_exit(::poll(&read_wait, 1, 1000) == 1 && ::read(client, buffer, sizeof buffer) > 0 ? 1 : 0);
  }
  ASSERT_TRUE(testing::WaitFor([&] { return QFileInfo::exists(socket); }, 5000));
  TSingleInstance start;
  QElapsedTimer took;
  took.start();
  EXPECT_FALSE(start.HandOverOrListen(socket, root_ + "/secret.dat", [](const QString&) {}));
  EXPECT_LT(took.elapsed(), 1000) << "the planted lock held the start";
  int status = 0;
  ::waitpid(planter, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the planted socket was told, or could not be made: " << status;
}

TEST_F(RealControlsTest, TheLogShowsTheStartOfTheNewestRun) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  f.resize(700, 400);
  f.show();
  SourcePane(f)->SetText("$x 1");  // no template, no write file: errors every run
  for (int i = 0; i < 12; ++i) Control<QAction>(f, "tbSetHTML")->trigger();
  ASSERT_EQ(FrontTab(f), "tsLogs");
  const int start = LogPane(f)->TopRow();
  EXPECT_GT(start, 50);
  EXPECT_NE(LogPane(f)->text(start).indexOf(QStringLiteral("▼▼▼書換を開始します▽▽▽")), -1);
  EXPECT_EQ(LogPane(f)->text().count(QStringLiteral("▼▼▼")), 12);
  qsizetype starts_below = 0;
  for (int line = start; line < LogPane(f)->lines(); ++line)
    starts_below += LogPane(f)->text(line).count(QStringLiteral("▼▼▼"));
  EXPECT_EQ(starts_below, 1);

  // The log pane has its ruler, which follows horizontal scrolling.
  ASSERT_TRUE(Control<TRuler>(f, "rulerLogs")->isVisible());
  const int column_at_text =
      Control<TRuler>(f, "rulerLogs")->ColumnAt(LogPane(f)->viewport()->x() + 10);
  LogPane(f)->SendScintilla(QsciScintilla::SCI_SETXOFFSET, 200UL);
  EXPECT_GT(Control<TRuler>(f, "rulerLogs")->ColumnAt(LogPane(f)->viewport()->x() + 10),
            column_at_text);
}

TEST_F(RealControlsTest, WindowsStartOnScreenAndUnshownWindowsKeepTheirDesignedBounds) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  {
    Workbench wb(root_);
    for (QWidget* w : std::initializer_list<QWidget*>{&wb.form1, &wb.form3, &wb.form4, &wb.form5}) {
      SCOPED_TRACE(w->objectName().toStdString());
      EXPECT_TRUE(screen.contains(w->pos() + QPoint(10, 10)));
      EXPECT_GT(w->width(), 100);
      EXPECT_LE(std::abs(w->pos().x() + w->width() / 2 - screen.center().x()), 1)
          << w->pos().x() << " " << w->width() << " " << screen.center().x();
    }
    wb.form1.show();
    wb.form1.close();
  }
  const std::string settings = ReadFile(root_ + "/zorvik-workbench.ini");
  EXPECT_EQ(settings.find("\t100\t30"), std::string::npos) << settings;
  EXPECT_EQ(settings.find("\t0\t0\t"), std::string::npos) << settings;

  // Bounds that a former version left off the screen put the window back on it.
  std::string moved = settings;
  const auto at = moved.find("Form5.Pos=");
  ASSERT_NE(at, std::string::npos);
  moved.replace(at, moved.find('\r', at) - at, "Form5.Pos=-3000\t-40\t100\t30");
  WriteFile(root_ + "/zorvik-workbench.ini", moved);
  Workbench again(root_);
  EXPECT_TRUE(screen.contains(again.form5.pos() + QPoint(10, 10)));
}

TEST_F(RealControlsTest, SourceDateEpochFixesTheWorkbenchClock) {
  ::setenv("SOURCE_DATE_EPOCH", "1796634330", 1);
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  Workbench wb(root_);
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_TRUE(wb.clock_refusal.empty());
  SourcePane(wb.form1)->SetText("$x {$Year4}");
  Control<QAction>(wb.form1, "tbSetHTML")->trigger();
  EXPECT_TRUE(LogPane(wb.form1)->text().startsWith(QStringLiteral("[2026/12/07 09:05:30] : ")));

  ::setenv("SOURCE_DATE_EPOCH", "99999999999999999999", 1);
  Workbench refused(root_);
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_FALSE(refused.clock_refusal.empty());
}

TEST_F(RealControlsTest, StandardDialogsSpeakJapanese) {
  QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
  EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
  EXPECT_EQ(QApplication::applicationDisplayName(),
            QApplication::applicationName());  // nothing appended
}

TEST_F(RealControlsTest, EditorPanesDetails) {
  Workbench wb(root_);
  TForm1& f = wb.form1;
  f.resize(700, 400);
  f.show();
  // Line number 0 stays after New.
  SourcePane(f)->SetText("a\r\nb");
  Control<QAction>(f, "tbNewFile")->trigger();
  QApplication::processEvents();
  char number[8] = {};
  SourcePane(f)->SendScintilla(QsciScintilla::SCI_MARGINGETTEXT, 0UL, number);
  EXPECT_STREQ(number, "0");
  // The lines in view carry their numbers, also after a scroll and a line added above them.
  const auto margin = [&](unsigned long line) {
    char text[8] = {};
    SourcePane(f)->SendScintilla(QsciScintilla::SCI_MARGINGETTEXT, line, text);
    return std::string(text);
  };
  std::string many;
  for (int i = 0; i < 500; ++i) many += "line\r\n";
  SourcePane(f)->SetText(many);
  SourcePane(f)->setFirstVisibleLine(300);
  QApplication::processEvents();
  EXPECT_EQ(margin(301), "301");
  SourcePane(f)->setCursorPosition(0, 0);
  SourcePane(f)->insert(QStringLiteral("new\r\n"));
  SourcePane(f)->setFirstVisibleLine(300);
  QApplication::processEvents();
  EXPECT_EQ(margin(301), "301");
  SourcePane(f)->clear();

  // Every change is told: typed or committed by an input method at once, an undo from the
  // event loop. A screen reader that starts later gets an accessible that reads the text.
  int told = 0;
  QObject counter;
  QObject::connect(SourcePane(f), &QsciScintilla::textChanged, &counter, [&] { ++told; });
  QTest::keyClick(SourcePane(f), Qt::Key_A);
  EXPECT_EQ(told, 1);
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("\u3042"));
  QApplication::sendEvent(SourcePane(f), &commit);
  EXPECT_EQ(told, 2);
  SourcePane(f)->undo();
  QApplication::processEvents();
  EXPECT_EQ(told, 3);
  SourcePane(f)->SetText("xyz");
  QAccessible::setActive(true);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(SourcePane(f));
  ASSERT_NE(accessible, nullptr);
  ASSERT_NE(accessible->textInterface(), nullptr);
  EXPECT_EQ(accessible->textInterface()->text(0, 3), QStringLiteral("xyz"));
  QAccessible::setActive(false);
  SourcePane(f)->clear();

  // Double-clicking a URL opens it and leaves no word selected.
  TUrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
  SourcePane(f)->SetText("see http://example.invalid/x here");
  QApplication::processEvents();
  const QPoint at(static_cast<int>(SourcePane(f)->SendScintilla(
                      QsciScintilla::SCI_POINTXFROMPOSITION, 0UL, 12L)),
                  static_cast<int>(SourcePane(f)->SendScintilla(
                      QsciScintilla::SCI_POINTYFROMPOSITION, 0UL, 12L)) +
                      5);
  QTest::mouseClick(SourcePane(f)->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(SourcePane(f)->viewport(), Qt::LeftButton, {}, at);
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  ASSERT_EQ(catcher.urls.size(), 1);
  EXPECT_EQ(catcher.urls.first(), QUrl(QStringLiteral("http://example.invalid/x")));
  EXPECT_EQ(SourcePane(f)->SelectedTextBytes(), "");

  // Line ends are drawn light: nothing dark right behind the text of a line.
  SourcePane(f)->SetText("x\r\ny");
  QApplication::processEvents();
  const QImage image = SourcePane(f)->viewport()->grab().toImage();
  const long end = SourcePane(f)->SendScintilla(QsciScintilla::SCI_GETLINEENDPOSITION, 0UL);
  const int x = static_cast<int>(
      SourcePane(f)->SendScintilla(QsciScintilla::SCI_POINTXFROMPOSITION, 0UL, end));
  const int height =
      static_cast<int>(SourcePane(f)->SendScintilla(QsciScintilla::SCI_TEXTHEIGHT, 0UL));
  int grey = 0;
  int dark = 0;
  for (int px = x + 1; px < x + 40; ++px) {
    for (int py = 0; py < height; ++py) {
      const int v = qGray(image.pixel(px * image.width() / SourcePane(f)->viewport()->width(),
                                      py * image.height() / SourcePane(f)->viewport()->height()));
      if (v < 100)
        ++dark;
      else if (v < 230)
        ++grey;
    }
  }
  EXPECT_EQ(dark, 0);
  EXPECT_GT(grey, 0);
}

}  // namespace
}  // namespace zorvik

#include "real_controls_test.moc"
