// The preview's rules on text: the style block that makes the colour markers visible, put in
// place of "<!--PREVIEWCSS-->", and the status line of the browser frame.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

// "<style type="text/css">" ... "</style>" with one rule per marker class, each line ended by
// CR LF, directly followed by the link element to preview_css (empty href when there is none).
std::string PreviewStyleBlock(std::string_view preview_css);

// html (in encoding) with every "<!--PREVIEWCSS-->" (any letter case) replaced by the style
// block and link.
std::string InsertPreviewStyle(std::string html, std::string_view preview_css, TEncoding encoding);

// The status line for a status text (CP932): "[*+]" flags for stopped and busy, then the text,
// or "スクリプト実行：[" path "]" for an address that ends in ".zorvik".
std::string StatusLineText(std::string_view text, bool stopped, bool busy);

}  // namespace zorvik
