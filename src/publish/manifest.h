// The record on the server of what Zorvik uploaded there (".zorvik-publish.json" in the remote
// folder): each file's path, size and SHA-256. It decides what a publish sends, and it is the
// list of the only files a publish may delete.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// A large manifest is kept in parts, so that a small change rewrites one part: each path goes
// to a part by a hash of it, each part is named by the SHA-256 of its text and lies in
// kManifestParts, and the file at kManifestName lists the parts. A small one stays one text.
inline constexpr std::string_view kManifestParts = ".zorvik-publish/";

struct TManifestTexts {
  std::string index;  // the text at kManifestName: the whole manifest, or the list of parts
  std::vector<std::pair<std::string, std::string>> parts;  // SHA-256 and text of each part
};

TManifestTexts SplitManifest(const TManifest& manifest);

// Where a part lies, relative to the remote folder.
std::string ManifestPartPath(std::string_view sha256);

// The parts a list of parts names, or nothing when text is not one.
std::optional<std::vector<std::string>> ParseManifestIndex(std::string_view text);

}  // namespace zorvik
