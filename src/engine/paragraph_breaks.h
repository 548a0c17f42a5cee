// The paragraph rules of a body block: a blank line separates paragraphs, each is wrapped in
// <p> ... </p>, other line ends become "<br />" and the line end.
#pragma once

#include <string>

#include "text/utf8.h"

namespace zorvik {

// The body with its paragraphs marked; the block's exempt regions are already cut out. The
// rules are whole-text replacements in a fixed order (BreakIntoParagraphsStepwise); a body
// without paragraph tags of its own gets their result in one pass.
std::string BreakIntoParagraphs(std::string body, TEncoding encoding);

// The rules themselves, each replacement matching single-byte letters in any case, including
// text that an earlier one put in.
std::string BreakIntoParagraphsStepwise(std::string body, TEncoding encoding);

}  // namespace zorvik
