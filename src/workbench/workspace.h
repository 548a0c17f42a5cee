// The user's Zorvik folder of an installed program, made at the workbench's first start: a
// Templates/ folder with a starter template that the page skeleton's template line can name,
// and a copy of the example site to try things on.
#pragma once

#include <string>

namespace zorvik {

// The starter template: plain ASCII, so it is the same text in every encoding. Its markers are
// those of the starter site's templates ($Title, $Article), so that pages move between them.
inline constexpr const char* kStarterTemplate =
    "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n<meta charset=\"Shift_JIS\">\r\n"
    "<title>{$Title}</title>\r\n<!--PREVIEWCSS-->\r\n</head>\r\n<body>\r\n<h1>{$Title}</h1>\r\n"
    "{$Article}\r\n</body>\r\n</html>\r\n";

enum class TWorkspace {
  kThere,   // it was there already: the user's, left as it is
  kMade,    // made now, at the first start
  kFailed,  // it could not be made
};

// Makes folder (with its trailing "/") when it does not exist yet: Templates/page.tmpl and,
// when example_site names a folder, a copy of it as example/.
TWorkspace MakeWorkspace(const std::string& folder, const std::string& example_site);

}  // namespace zorvik
