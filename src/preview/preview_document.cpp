#include "preview/preview_document.h"

#include <filesystem>

#include "preview/preview_markup.h"
#include "text/file_names.h"

namespace zorvik {

TPreviewDocument PreviewDocumentFor(const TEngineContext& context, const std::string& page_text,
                                    std::string_view page_source, std::string_view home) {
  const GenerationState& state = context.state;
  TPreviewDocument document;
  document.html = InsertPreviewStyle(page_text, state.PreviewCss);
  // The document stands where the written file would, so that its relative links resolve.
  std::string path =
      state.WriteFile.empty() ? std::string() : ToFileSystemPath(FileFor(context, state.WriteFile));
  if (path.empty()) path = ToFileSystemPath(state.DataFolder) + "preview.html";
  document.path =
      std::filesystem::absolute(std::filesystem::path(path)).lexically_normal().string();
  // Without an output file the document's place is only a stand-in: it opens no folder.
  const std::string output = state.WriteFile.empty() ? std::string() : document.path;
  document.site = PreviewSiteFor(std::string(page_source), output,
                                 ToFileSystemPath(state.PreviewCss), std::string(home));
  return document;
}

}  // namespace zorvik
