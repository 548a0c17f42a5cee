#include "preview/preview_document.h"

#include <filesystem>

#include "preview/preview_markup.h"
#include "site/web_root.h"
#include "text/file_names.h"

namespace zorvik {

TPreviewDocument PreviewDocumentFor(const TEngineContext& context, const std::string& page_text,
                                    std::string_view page_source, std::string_view home) {
  const GenerationState& state = context.state;
  TPreviewDocument document;
  document.html = InsertPreviewStyle(page_text, state.PreviewCss, state.PageEncoding);
  // The document stands where the written file would, so that its relative links resolve.
  std::string path =
      state.WriteFile.empty() ? std::string() : ToFileSystemPath(FileFor(context, state.WriteFile));
  if (path.empty()) path = ToFileSystemPath(state.DataFolder) + "preview.html";
  document.path =
      std::filesystem::absolute(std::filesystem::path(path)).lexically_normal().string();
  const std::string style_sheet = ToFileSystemPath(state.PreviewCss);
  if (state.WriteFile.empty()) {
    // Without an output file the document's place is only a stand-in: it opens no folder
    // but the page source's.
    document.site = PreviewSiteFor(std::string(page_source), "", style_sheet, std::string(home));
    return document;
  }
  // The page's site is the web root that the page and what it links make, as serve takes it.
  document.site = SiteOfPages({{document.path, PageAddresses(page_text)}}, document.path,
                              std::string(home), ExtractFolder(ToFileSystemPath(page_source)))
                      .site;
  document.site.style_sheet = PreviewSiteFor("", "", style_sheet, std::string(home)).style_sheet;
  return document;
}

}  // namespace zorvik
