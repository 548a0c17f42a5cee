// Generating a page or a group once, then again whenever a file it read changes: exactly the
// pages a change touched. `watch` runs it alone; `serve` listens to it and has it follow the
// files that browsers were given too, so that a changed style sheet or image reloads the pages
// that use it.
#pragma once

#include <sys/stat.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cli_engine.h"
#include "cli/folder_watch.h"

namespace zorvik::cli {

class TWatchListener {
 public:
  virtual ~TWatchListener() = default;
  // After each generation: the output files whose bytes it changed, and whether it had errors.
  virtual void Generated(const std::vector<std::string>& written, bool errors) = 0;
  // Files followed for the listener that changed (none of them a page's own file).
  virtual void OtherFilesChanged(const std::set<std::string>& files) = 0;
  // A descriptor that becomes readable when the listener has more files to follow; -1 for none.
  virtual int FollowFd() const = 0;
  // The files to follow from now on (absolute, normalised); drains the descriptor.
  virtual std::set<std::string> TakeFilesToFollow() = 0;
  // Called once, between two pages, when a signal ends the program; the process ends right
  // after, without waiting for any thread.
  virtual void Stopping() = 0;
};

// Ends the program when SIGINT, SIGTERM or SIGHUP (the terminal closed) is pending: the pages
// written so far are put on disk first, and the log is flushed.
class TStopSignal {
 public:
  TStopSignal();
  int Fd() const { return fd_; }
  void ExitIfPending(TFileSystem& files, TWatchListener* listener) const;

 private:
  int fd_ = -1;
};

class TSiteWatcher {
 public:
  // target is a group file (group) or a page source, absolute; listener may be null.
  TSiteWatcher(TCommandLineEngine& engine, std::string target, bool group,
               TWatchListener* listener = nullptr)
      : engine_(engine), target_(std::move(target)), group_(group), listener_(listener) {}

  // Generates everything once; false (said on stderr) when the system refuses to watch files
  // or the target cannot be read.
  bool Start();
  // Each page's output file, as its last generation named it (absolute, normalised).
  const std::map<std::string, std::string>& Outputs() const { return outputs_; }
  // The pages, in order.
  std::vector<std::string> Pages() const;
  // Every file the generations read: the group file, page sources, templates and imports.
  std::set<std::string> Inputs() const;
  // Waits for changes and generates again, until a signal ends the program with status 0.
  [[noreturn]] void Run();

 private:
  class TRecordingHost;
  // A file as this program last wrote it: a later event about it is the program's own write,
  // whatever path it was seen under.
  using TIdentity = std::tuple<dev_t, ino_t, long long>;
  static std::optional<TIdentity> IdentityOf(const std::string& path);

  void TakeOwnWrites();
  void DropOwnWrites(std::set<std::string>& changed) const;
  std::set<std::string> WaitForChanges();
  void Regenerate(const std::set<std::string>& changed);
  std::set<std::string> TakeDeps();
  void NoteOutput(const std::string& page);
  bool RegeneratePage();
  void RegenerateGroup(const std::vector<std::string>& entries);
  void Tell(bool errors);

  TCommandLineEngine& engine_;
  const std::string target_;
  const bool group_;
  TWatchListener* listener_;
  TStopSignal stop_;
  TFolderWatch watch_;
  std::vector<std::string> entries_;
  std::set<std::string> group_deps_;
  std::map<std::string, std::set<std::string>> page_deps_;
  std::map<std::string, std::string> outputs_;
  std::set<std::string> others_;  // followed for the listener
  std::set<TIdentity> own_;
};

}  // namespace zorvik::cli
