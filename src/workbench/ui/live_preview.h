// The preview as its page source is typed: a little after the last change, the page is generated
// in memory (nothing written, the main window's panes and log left alone) and the preview shows
// it where the reader had scrolled to. A run with errors leaves the last good page.
#pragma once

#include <QObject>
#include <QTimer>
#include <thread>

#include "engine/generation_state.h"

namespace zorvik {

class TEngineSession;
class TForm2;
class TPageSource;

// Follows the editor with the preview: a run of its own on a thread of its own, started
// kDelayMs after the last key, so that typing never waits for it. While a run goes on, edits
// wait for it to end and then start one more, with the newest text.
class TLivePreview : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDelayMs = 300;
  // page: the page source followed; session: the workbench's, whose clock and paths the runs
  // use (each run has parts of its own); preview: where the page shows.
  TLivePreview(TPageSource& page, TEngineSession& session, TForm2& preview);
  ~TLivePreview() override;
  // The page source changed.
  void SourceChanged();

 private:
  void Refresh();
  void Show(const GenerationState& state);

  TPageSource& page_;
  TEngineSession& session_;
  TForm2& preview_;
  QTimer timer_;
  std::thread worker_;
  bool running_ = false;
  bool pending_ = false;  // an edit came while the run went on
};

}  // namespace zorvik
