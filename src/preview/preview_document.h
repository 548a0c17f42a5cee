// What the preview shows for a run's result: the page with the preview style, the place it
// stands at (where the written file would, so that its relative links resolve) and the files
// it may read.
#pragma once

#include <string>
#include <string_view>

#include "engine/engine_context.h"
#include "site/site_access.h"

namespace zorvik {

struct TPreviewDocument {
  std::string html;  // in the page's encoding
  std::string path;  // absolute, the file system's bytes
  TSiteAccess site;
};

// page_text: the run's result; page_source: the page source's file (empty for an unsaved
// text); home: the user's home folder.
TPreviewDocument PreviewDocumentFor(const TEngineContext& context, const std::string& page_text,
                                    std::string_view page_source, std::string_view home);

}  // namespace zorvik
