// The site of a verb's pages (see site/web_root.h), with what the user must know said on
// stderr under the verb's name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "site/web_root.h"

namespace zorvik::cli {

// Nothing when the pages lie in a folder that holds more than a site.
std::optional<TSiteOfPages> SiteForVerb(const std::vector<std::string>& sources,
                                        const std::vector<std::string>& outputs,
                                        const std::string& first_output, const char* verb);

}  // namespace zorvik::cli
