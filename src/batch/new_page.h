// A new page of a site, modelled on one it has: what `zorvik new --page` writes.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

// A page source with the model's "@" lines (its template, imports, preview style sheet and
// modes), its @WriteFile naming output_name in the model's output folder, and each value and
// block the model fills, empty but for $Title, which holds title. Lines end with CR LF.
std::string PageFromModel(std::string_view model, std::string_view output_name,
                          std::string_view title);

}  // namespace zorvik
