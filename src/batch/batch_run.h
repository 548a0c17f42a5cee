// The batch run: one reset, then each page source of a list generated and written in turn,
// with the counts, import lists and modes carried from one page to the next.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/engine_context.h"

namespace zorvik {

// What the batch needs of whoever drives it: the batch window loads each page source into the
// main window's editor, the command line reads the file.
class TBatchHost {
 public:
  virtual ~TBatchHost() = default;
  // Loads the page source at path (setting DataFolder) and returns its text as the editor
  // hands it over, or nothing when it could not be loaded.
  virtual std::optional<std::string> LoadPageSource(const std::string& path) = 0;
  // Whether LoadPageSource may be handed a path where no file stands (it then gives nothing,
  // and says nothing): the batch then looks for the file only when loading failed.
  virtual bool LoadsMissingQuietly() const { return false; }
  // Shows the run's result; the file written is the result itself.
  virtual void ShowResult(const std::string& /*working_text*/) {}
  // Called as each entry starts, and once more with done == total at the end.
  virtual void Progress(std::size_t /*done*/, std::size_t /*total*/) {}
  // Asked before each entry: true ends the batch there, the log naming the entry it stopped
  // before. The pages written so far are made durable all the same.
  virtual bool StopRequested() { return false; }
};

struct TBatchOutcome {
  bool file_missing = false;              // an entry was missing or could not be read
  std::optional<std::size_t> stopped_at;  // the entry the batch stopped before, when stopped
  std::size_t written = 0;                // pages written (or, checking, compared)
  int errors = 0;                         // the errors the batch counted
  // The entry whose run counted the batch's first error; no page after it is written.
  std::optional<std::size_t> first_error_at;
};

TBatchOutcome RunBatch(TEngineContext& context, const std::vector<std::string>& entries,
                       TBatchHost& host);

class TEngineSession;

// The host of a batch run off the windows: each page source read through the session's files.
class TDiskBatchHost : public TBatchHost {
 public:
  explicit TDiskBatchHost(TEngineSession& session) : session_(session) {}
  std::optional<std::string> LoadPageSource(const std::string& path) override;
  bool LoadsMissingQuietly() const override { return true; }

 protected:
  TEngineSession& session_;
};

// The host of a batch whose pages are checked, not published: the counts run on through a
// batch, so after a page with an error no page is written; here a page whose own run counted
// no error is saved all the same, so that one faulty page hides no other page from the check.
class TCheckBatchHost : public TDiskBatchHost {
 public:
  using TDiskBatchHost::TDiskBatchHost;
  std::optional<std::string> LoadPageSource(const std::string& path) override;
  void ShowResult(const std::string& working_text) override;

 private:
  int errors_before_ = 0;  // the batch's count before this page
};

}  // namespace zorvik
