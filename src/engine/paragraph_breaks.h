// The paragraph rules of a body block: a blank line separates paragraphs, each is wrapped in
// <p> ... </p>, other line ends become "<br />" and the line end.
#pragma once

#include <string>

#include "text/utf8.h"

namespace zorvik {

// The body with its paragraphs marked, as the stepwise replacement of CR LF runs and tags
// defines them (see the .cpp); the block's exempt regions are already cut out.
std::string BreakIntoParagraphs(std::string body, TEncoding encoding);

}  // namespace zorvik
