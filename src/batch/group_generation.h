// A group generated with every file it read kept: in memory, nothing written (the check of a
// whole group, the proof of a conversion), or with the pages whose bytes changed written (the
// publish window, before it sends the site).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/engine_session.h"

namespace zorvik {

struct TGroupGeneration {
  // output (normalised path), bytes (left empty by GenerateGroupOnDisk)
  std::vector<std::pair<std::string, std::string>> pages;
  // For each page, the files it was made from (page source, imports, template); none with a
  // sink.
  std::vector<std::vector<std::string>> made_from;
  std::set<std::string> inputs;  // every file read or looked for
  int errors = 0;
};

// Takes each page as it is made: output (normalised path), bytes.
using TPageSink = std::function<void(const std::string& output, std::string_view bytes)>;

// The bytes a file (by normalised path) is read with instead of its own; nothing for its own.
using TReadInstead = std::function<std::optional<std::string>(const std::string& path)>;

// entries: the group's page sources (absolute); settings: those of the session that starts the
// run; instead: the bytes some files are read with instead of theirs. With a
// sink, each page's bytes go to it as the page is made and the result keeps none, so that a
// large group is never held in memory whole.
TGroupGeneration GenerateGroupInMemory(const std::vector<std::string>& entries,
                                       const TRunSettings& settings,
                                       const TReadInstead& instead = nullptr,
                                       const TPageSink& sink = nullptr);

// The same on disk: the pages whose bytes differ written, as `batch --changed` writes them.
TGroupGeneration GenerateGroupOnDisk(const std::vector<std::string>& entries,
                                     const TRunSettings& settings);

}  // namespace zorvik
