// Fetching a site's external (http, https) addresses with libcurl: HEAD, then GET where HEAD is
// refused; redirects followed; at most 8 transfers at once and 2 per host, each within a time
// limit. Results are kept for a day in the user's cache folder
// ($XDG_CACHE_HOME/zorvik/external-links, else ~/.cache/zorvik/external-links).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "check/site_check.h"

namespace zorvik::cli {

// An error at each use of an address that answers 400 or more, or cannot be reached.
std::vector<TFinding> CheckExternalLinks(
    const std::map<std::string, std::vector<TExternalUse>>& links, long timeout_seconds);

}  // namespace zorvik::cli
