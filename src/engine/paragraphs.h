// The two line-break modes of a run.
//
// ConvertBodyLines turns each "<!--BodyLines-->" ... "<!--/BodyLines-->" block into paragraphs:
// a blank line separates paragraphs, each is wrapped in <p> ... </p>, other line ends become
// "<br />" and the line end. "<!--_NoCRLF-->" ... "<!--/_NoCRLF-->" regions pass through and
// "<_p>" cancels the paragraph tag beside it. CollapseBlankLines turns every run of CR LF pairs
// into one.
#pragma once

#include <string>

#include "pattern/pattern_component.h"
#include "text/utf8.h"

namespace zorvik {

std::string ConvertBodyLines(std::string text, TEncoding encoding);

// Uses the given pattern component (line separator CR LF), as the run does, for a page in
// encoding.
std::string CollapseBlankLines(std::string text, TSecondAWKStr& pattern, TEncoding encoding);

}  // namespace zorvik
