#include "publish/manifest.h"

#include <charconv>

#include "text/sha256.h"

namespace zorvik {
namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string EscapedPath(std::string_view path) {
  std::string out;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E || c == '%' || c == '"' || c == '\\') {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the JSON that ManifestText writes, whitespace anywhere between tokens.
class TReader {
 public:
  explicit TReader(std::string_view text) : text_(text) {}

  bool Token(char c) {
    SkipSpace();
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  bool Peek(char c) {
    SkipSpace();
    return pos_ < text_.size() && text_[pos_] == c;
  }
  // A string without escapes; %XX decoded when decode.
  std::optional<std::string> String(bool decode) {
    if (!Token('"')) return std::nullopt;
    std::string out;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      const char c = text_[pos_++];
      if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (decode && c == '%') {
        if (pos_ + 2 > text_.size()) return std::nullopt;
        const int high = HexValue(text_[pos_]);
        const int low = HexValue(text_[pos_ + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        pos_ += 2;
      } else {
        out += c;
      }
    }
    if (pos_ >= text_.size()) return std::nullopt;
    ++pos_;
    return out;
  }
  std::optional<std::uint64_t> Number() {
    SkipSpace();
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(text_.data() + pos_, text_.data() + text_.size(), value);
    if (error != std::errc()) return std::nullopt;
    pos_ = static_cast<std::size_t>(end - text_.data());
    return value;
  }
  bool AtEnd() {
    SkipSpace();
    return pos_ == text_.size();
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t'))
      ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// A path that stays inside the remote folder: parts neither empty, "." nor "..", no NUL, and
// no backslash (a folder separator on some servers).
bool IsInsidePath(std::string_view path) {
  if (path.find('\0') != std::string_view::npos || path.find('\\') != std::string_view::npos)
    return false;
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find('/', start);
    const std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool IsHash(std::string_view hash) {
  if (hash.empty()) return true;
  if (hash.size() != 64) return false;
  for (const char c : hash) {
    if (HexValue(c) < 0 || (c >= 'A' && c <= 'F')) return false;
  }
  return true;
}

std::optional<std::pair<std::string, TManifestEntry>> ReadEntry(TReader& reader) {
  if (!reader.Token('{')) return std::nullopt;
  std::optional<std::string> path;
  std::optional<std::uint64_t> size;
  std::optional<std::string> hash;
  do {
    const std::optional<std::string> key = reader.String(false);
    if (!key || !reader.Token(':')) return std::nullopt;
    if (*key == "path" && !path) {
      path = reader.String(true);
      if (!path || !IsInsidePath(*path)) return std::nullopt;
    } else if (*key == "size" && !size) {
      size = reader.Number();
      if (!size) return std::nullopt;
    } else if (*key == "sha256" && !hash) {
      hash = reader.String(false);
      if (!hash || !IsHash(*hash)) return std::nullopt;
    } else {
      return std::nullopt;
    }
  } while (reader.Token(','));
  if (!reader.Token('}') || !path || !size || !hash) return std::nullopt;
  return std::make_pair(std::move(*path), TManifestEntry{*size, std::move(*hash)});
}

// Paths a part holds on average, at most; the count of parts is a power of two, so that it
// changes (and every part is written again) only when the site doubles.
constexpr std::size_t kPartEntries = 256;

// FNV-1a: which part a path goes to, the same from run to run.
std::uint64_t PathHash(std::string_view path) {
  std::uint64_t hash = 14695981039346656037u;
  for (const char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211u;
  }
  return hash ^ (hash >> 32);
}

}  // namespace

TManifestTexts SplitManifest(const TManifest& manifest) {
  TManifestTexts texts;
  if (manifest.size() <= 2 * kPartEntries) {
    texts.index = ManifestText(manifest);
    return texts;
  }
  std::size_t count = 2;
  while (count * kPartEntries < manifest.size()) count *= 2;
  std::vector<TManifest> parts(count);
  for (const auto& [path, entry] : manifest)
    parts[PathHash(path) & (count - 1)].emplace(path, entry);
  texts.index = "{\"version\": 2, \"parts\": [";
  for (const TManifest& part : parts) {
    if (part.empty()) continue;
    std::string text = ManifestText(part);
    std::string hash = Sha256Hex(text);
    texts.index += texts.parts.empty() ? "\n\"" : ",\n\"";
    texts.index += hash + "\"";
    texts.parts.emplace_back(std::move(hash), std::move(text));
  }
  texts.index += "\n]}\n";
  return texts;
}

std::string ManifestPartPath(std::string_view sha256) {
  return std::string(kManifestParts).append(sha256).append(".json");
}

std::optional<std::vector<std::string>> ParseManifestIndex(std::string_view text) {
  TReader reader(text);
  if (!reader.Token('{')) return std::nullopt;
  std::optional<std::string> key = reader.String(false);
  if (key != "version" || !reader.Token(':') || reader.Number() != 2u || !reader.Token(','))
    return std::nullopt;
  key = reader.String(false);
  if (key != "parts" || !reader.Token(':') || !reader.Token('[')) return std::nullopt;
  std::vector<std::string> parts;
  if (!reader.Peek(']')) {
    do {
      std::optional<std::string> hash = reader.String(false);
      if (!hash || hash->empty() || !IsHash(*hash)) return std::nullopt;
      parts.push_back(std::move(*hash));
    } while (reader.Token(','));
  }
  if (!reader.Token(']') || !reader.Token('}') || !reader.AtEnd()) return std::nullopt;
  return parts;
}

std::string ManifestText(const TManifest& manifest) {
  std::string text = "{\"version\": 1, \"files\": [";
  bool first = true;
  for (const auto& [path, entry] : manifest) {
    text += first ? "\n" : ",\n";
    first = false;
    text += "{\"path\": \"" + EscapedPath(path) + "\", \"size\": " + std::to_string(entry.size) +
            ", \"sha256\": \"" + entry.sha256 + "\"}";
  }
  text += "\n]}\n";
  return text;
}

std::optional<TManifest> ParseManifest(std::string_view text) {
  TReader reader(text);
  if (!reader.Token('{')) return std::nullopt;
  std::optional<std::string> key = reader.String(false);
  if (key != "version" || !reader.Token(':') || reader.Number() != 1u || !reader.Token(','))
    return std::nullopt;
  key = reader.String(false);
  if (key != "files" || !reader.Token(':') || !reader.Token('[')) return std::nullopt;
  TManifest manifest;
  if (!reader.Peek(']')) {
    do {
      auto entry = ReadEntry(reader);
      if (!entry || !manifest.insert(std::move(*entry)).second) return std::nullopt;
    } while (reader.Token(','));
  }
  if (!reader.Token(']') || !reader.Token('}') || !reader.AtEnd()) return std::nullopt;
  return manifest;
}

}  // namespace zorvik
