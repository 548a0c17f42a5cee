// The batch window's 連続書き込み beside `zorvik batch` on the same group, in one run,
// alternating: the window as the workbench builds it (offscreen), its button pressed, timed until
// its final message; the command timed as a whole process. Also the program's resident memory
// after each window run, which must not grow from run to run.
//
//   build/bench/batch_window_bench GROUP_FILE [RUNS]        (RUNS: 5 by default)
//
// GROUP_FILE is the site workload of ../shared/perf/ (zorvik_site.py writes SITE/z/site.gro).
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/engine_session.h"
#include "workbench/ui/batch_window.h"
#include "workbench/ui/main_window.h"
#include "workbench_gui/scripted_dialogs.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// `zorvik batch GROUP`, from fork to exit.
double CommandSeconds(const std::string& zorvik, const std::string& group) {
  ::sync();  // the pages the run before left unwritten do not land in this one
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stderr);
    ::execl(zorvik.c_str(), zorvik.c_str(), "batch", group.c_str(), nullptr);
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "zorvik batch failed\n");
    std::exit(1);
  }
  return Seconds(std::chrono::steady_clock::now() - start);
}

// The resident memory of this process, in MB.
double ResidentMb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: batch_window_bench GROUP_FILE [RUNS]\n");
    return 2;
  }
  const std::string group = argv[1];
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string zorvik = QCoreApplication::applicationDirPath().toStdString() + "/../zorvik";

  // Scripted answers, so that nothing waits for a hand: the final message ends the timing.
  zorvik::testing::TScriptedDialogs dialogs;
  std::chrono::steady_clock::time_point ended;
  dialogs.on_message = [&ended] { ended = std::chrono::steady_clock::now(); };
  const auto session = zorvik::MakeDiskSession("/tmp/");
  zorvik::TForm1 main_window(dialogs, *session, "");
  zorvik::TForm5 batch_window(&main_window, main_window, *session, dialogs);
  main_window.AttachWindows({.form5 = &batch_window});
  main_window.resize(900, 680);
  main_window.show();
  batch_window.ReadGroupFile(QString::fromStdString(group));
  const std::size_t pages = batch_window.Entries().size();
  auto* write = batch_window.findChild<QAction*>(QStringLiteral("tbWriteOutHTMLFiles"));

  const auto window_run = [&] {
    batch_window.show();
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    write->trigger();
    return Seconds(ended - start);
  };
  CommandSeconds(zorvik, group);  // warm-up
  window_run();
  std::vector<double> command;
  std::vector<double> window;
  std::printf("%zu pages, %d runs each, alternating\n", pages, runs);
  std::printf("%4s %12s %12s %12s\n", "run", "command s", "window s", "window MB");
  for (int run = 0; run < runs; ++run) {
    command.push_back(CommandSeconds(zorvik, group));
    window.push_back(window_run());
    std::printf("%4d %12.3f %12.3f %12.1f\n", run + 1, command.back(), window.back(), ResidentMb());
  }
  const double ratio = Median(window) / Median(command);
  std::printf("median: command %.3f s, window %.3f s, window / command %.2fx (goal <= 1.5x)\n",
              Median(command), Median(window), ratio);
  return 0;
}
