#include "workbench/ui/live_preview.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

#include "editor/teditor.h"
#include "engine/generation_run.h"
#include "preview/preview_markup.h"
#include "preview/ui/preview_window.h"
#include "text/file_names.h"
#include "workbench/ui/main_window.h"
#include "workbench/ui/qt_paths.h"

namespace zorvik {

TPreviewDocument PreviewDocumentFor(const TEngineContext& context, const std::string& page_text,
                                    const QString& page_source) {
  const GenerationState& state = context.state;
  TPreviewDocument document;
  document.html = InsertPreviewStyle(page_text, state.PreviewCss);
  // The document stands where the written file would, so that its relative links resolve.
  QString path = state.WriteFile.empty()
                     ? QString()
                     : PathText(ToFileSystemPath(FileFor(context, state.WriteFile)));
  if (path.isEmpty()) path = PathText(state.DataFolder) + QStringLiteral("preview.html");
  document.path = QFileInfo(path).absoluteFilePath();
  // Without an output file the document's place is only a stand-in: it opens no folder.
  const std::string output = state.WriteFile.empty() ? std::string() : PathBytes(document.path);
  document.site = PreviewSiteFor(PathBytes(page_source), output, ToFileSystemPath(state.PreviewCss),
                                 PathBytes(QDir::homePath()));
  return document;
}

TLivePreview::TLivePreview(TForm1& main, TForm2& preview) : main_(main), preview_(preview) {
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, &TLivePreview::Refresh);
  connect(main_.edEditSource, &QsciScintilla::textChanged, this, &TLivePreview::SourceChanged);
}

void TLivePreview::SourceChanged() {
  // A batch loads page after page into the editor; that is no editing.
  if (main_.State().BatchMode || !preview_.isVisible() || !preview_.cbLivePreview->isChecked())
    return;
  timer_.start();
}

TLivePreview::~TLivePreview() {
  if (worker_.joinable()) worker_.join();
}

void TLivePreview::Refresh() {
  if (!preview_.isVisible() || !preview_.cbLivePreview->isChecked()) return;
  if (running_) {
    pending_ = true;
    return;
  }
  if (worker_.joinable()) worker_.join();  // ended already: its result has been shown
  running_ = true;
  pending_ = false;
  // What the run needs is taken here; the run itself has parts of its own (pattern, files,
  // log) and shares only the clock, which nothing changes. The main window's state, log and
  // panes stay as the last real run left them.
  const TEngineContext& shared = main_.Context();
  auto state = std::make_shared<GenerationState>();
  state->DataFolder = main_.State().DataFolder;
  worker_ =
      std::thread([this, state, page = main_.edEditSource->Text(), clock = &shared.clock,
                   running_folder = shared.running_folder, source = PathBytes(main_.SaveName())] {
        TSecondAWKStr pattern;
        TDiskFileSystem files;
        TGenerationLog log(*clock);
        TEngineContext context{*state, log, pattern, files, *clock, running_folder};
        context.source_file = source;
        RunGeneration(context, page);
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
  if (!preview_.isVisible() || !preview_.cbLivePreview->isChecked()) return;
  if (state.ErrorCount > 0) {
    preview_.ShowLiveFailure(state.ErrorCount);
    return;
  }
  // Only the paths are read from the context: the files of the shown page are the run's.
  GenerationState shown = state;
  const TEngineContext& shared = main_.Context();
  TGenerationLog log(shared.clock);
  const TEngineContext context{shown,        log,          shared.pattern,
                               shared.files, shared.clock, shared.running_folder};
  TPreviewDocument document = PreviewDocumentFor(context, shown.WorkingText, main_.SaveName());
  preview_.RefreshPreview(document.html, document.path, std::move(document.site));
}

}  // namespace zorvik
