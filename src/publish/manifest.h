// The record on the server of what Zorvik uploaded there (".zorvik-publish.json" in the remote
// folder): each file's path, size and SHA-256. It decides what a publish sends, and it is the
// list of the only files a publish may delete.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zorvik {

inline constexpr std::string_view kManifestName = ".zorvik-publish.json";

struct TManifestEntry {
  std::uint64_t size = 0;
  std::string sha256;  // lowercase hex; empty while an upload of the file may be under way
  bool operator==(const TManifestEntry&) const = default;
};

// Paths relative to the remote folder, "/" between folders, as the site's files are named.
using TManifest = std::map<std::string, TManifestEntry>;

// JSON, one file a line, in path order. A path's bytes outside printable ASCII, and "%", "\""
// and "\", are written %XX, so that the text is ASCII whatever the names' encoding.
std::string ManifestText(const TManifest& manifest);

// The manifest in text, or nothing when text is not one that ManifestText writes.
std::optional<TManifest> ParseManifest(std::string_view text);

}  // namespace zorvik
