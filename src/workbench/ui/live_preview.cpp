#include "workbench/ui/live_preview.h"

#include <memory>

#include "engine/engine_session.h"
#include "engine/generation_run.h"
#include "preview/preview_document.h"
#include "preview/ui/preview_window.h"
#include "workbench/ui/page_source.h"
#include "workbench/ui/qt_paths.h"

namespace zorvik {

TLivePreview::TLivePreview(TPageSource& page, TEngineSession& session, TForm2& preview)
    : page_(page), session_(session), preview_(preview) {
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, &TLivePreview::Refresh);
}

void TLivePreview::SourceChanged() {
  // A batch loads page after page into the editor; that is no editing.
  if (session_.State().BatchMode || !preview_.FollowsTyping()) return;
  timer_.start();
}

TLivePreview::~TLivePreview() {
  if (worker_.joinable()) worker_.join();
}

void TLivePreview::Refresh() {
  if (!preview_.FollowsTyping()) return;
  if (running_) {
    pending_ = true;
    return;
  }
  if (worker_.joinable()) worker_.join();  // ended already: its result has been shown
  running_ = true;
  pending_ = false;
  // What the run needs is taken here; the run is a session of its own over the shared clock,
  // which nothing changes. The workbench's state, log and panes stay as the last real run left
  // them.
  worker_ = std::thread([this, page = page_.PageText(), settings = session_.RunSettings(),
                         data_folder = session_.State().DataFolder,
                         source = PathBytes(page_.SaveName())] {
    TEngineSession run(settings, std::make_unique<TDiskFileSystem>());
    run.State().DataFolder = data_folder;
    run.Context().source_file = source;
    RunGeneration(run.Context(), page);
    auto state = std::make_shared<GenerationState>(std::move(run.State()));
    QMetaObject::invokeMethod(
        this,
        [this, state] {
          running_ = false;
          Show(*state);
          if (pending_) Refresh();
        },
        Qt::QueuedConnection);
  });
}

void TLivePreview::Show(const GenerationState& state) {
  if (!preview_.FollowsTyping()) return;
  if (state.ErrorCount > 0) {
    preview_.ShowLiveFailure(state.ErrorCount);
    return;
  }
  // Only the paths are read from the context: the files of the shown page are the run's.
  GenerationState shown = state;
  const TEngineContext& shared = session_.Context();
  TGenerationLog log(shared.clock);
  const TEngineContext context{shown,        log,          shared.pattern,
                               shared.files, shared.clock, shared.running_folder};
  TPreviewDocument document =
      PreviewDocumentFor(context, shown.WorkingText, PathBytes(page_.SaveName()), UserHome());
  preview_.RefreshPreview(document.html, PathText(document.path), std::move(document.site));
}

}  // namespace zorvik
