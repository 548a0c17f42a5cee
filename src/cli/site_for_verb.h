// The site of a verb's pages (see site/web_root.h), with what the user must know said on
// stderr under the verb's name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "site/web_root.h"

namespace zorvik::cli {

// The site of pages (with their links), or nothing when there is no page or the pages lie in a
// folder that holds more than a site.
// given: the GROUP or PAGE the verb was given, whose folder is the site's.
std::optional<TSiteOfPages> SiteForVerb(const std::vector<TPageLinks>& pages,
                                        const std::string& first_output, const std::string& given,
                                        const char* verb);

}  // namespace zorvik::cli
