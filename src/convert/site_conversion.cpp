#include "convert/site_conversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "engine/tracked_file_system.h"
#include "text/charset_declarations.h"
#include "text/encoding.h"
#include "text/on_every_core.h"
#include "text/sha256.h"
#include "text/sjis.h"
#include "text/system_reason.h"
#include "text/utf8.h"

namespace zorvik {
namespace {

int LineAt(std::string_view text, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == '\n';
  return line;
}

// "U+2160"
std::string CodeText(char32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
  return text;
}

// "0xFA4A"
std::string HexBytes(std::string_view bytes) {
  std::string text = "0x";
  for (const char c : bytes) {
    char two[3];
    std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(c));
    text += two;
  }
  return text;
}

bool DeclaresItself(const std::string& path) {
  return !(path.ends_with(".dat") || path.ends_with(".txt") || path.ends_with(".gro") ||
           path.ends_with(".DAT") || path.ends_with(".TXT") || path.ends_with(".GRO"));
}

// Renames every declaration of a page encoding in text to `to`'s name; how many.
std::size_t RenameDeclarations(std::string& text, TEncoding to) {
  const std::string_view name = to == TEncoding::kUtf8 ? "UTF-8" : "Shift_JIS";
  std::size_t renamed = 0;
  const std::vector<TCharsetName> names = CharsetNames(text);
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    const std::string_view declared = std::string_view(text).substr(it->offset, it->length);
    if (!EncodingOfName(declared) || declared == name) continue;
    text.replace(it->offset, it->length, name);
    ++renamed;
  }
  return renamed;
}

// Numeric character references ("&#xA9;", "&#169;") as the characters they stand for, as a
// browser reads them: --ncr writes them where Shift-JIS has no character.
std::string WithReferencesRead(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    // What lies before the next "&" is taken as it is.
    const std::size_t amp = std::min(text.find('&', i), text.size());
    out.append(text.data() + i, amp - i);
    i = amp;
    if (i == text.size()) break;
    if (text.compare(i, 2, "&#") == 0) {
      const bool hex = i + 2 < text.size() && (text[i + 2] == 'x' || text[i + 2] == 'X');
      std::size_t k = i + (hex ? 3 : 2);
      char32_t code = 0;
      const std::size_t digits_from = k;
      for (; k < text.size() && k - digits_from < 8; ++k) {
        const char c = text[k];
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        if (digit < 0) break;
        code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
      }
      if (k > digits_from && k < text.size() && text[k] == ';' && code > 0 && code <= 0x10FFFF &&
          (code < 0xD800 || code > 0xDFFF)) {
        AppendUtf8(out, code);
        i = k + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

// A page as text for comparing: UTF-8, references read, its charset names left out.
std::string PageText(const std::string& bytes) {
  std::string text =
      WithReferencesRead(ConvertText(bytes, DetectEncoding(bytes), TEncoding::kUtf8));
  if (text.starts_with(kUtf8Bom)) text.erase(0, kUtf8Bom.size());
  const std::vector<TCharsetName> names = CharsetNames(text);
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (EncodingOfName(std::string_view(text).substr(it->offset, it->length)))
      text.replace(it->offset, it->length, "*");
  }
  return text;
}

}  // namespace

const char* const kChangedSinceRead = "changed since it was read; left as it was saved, run again";

std::optional<std::string> ReadFileBytes(const std::string& path, TFileIdentity& identity) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> bytes;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    identity = IdentityOf(st);
    bytes.emplace();
    char buffer[65536];
    for (ssize_t got = 0; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
      if (got < 0) {
        bytes.reset();
        break;
      }
      bytes->append(buffer, static_cast<std::size_t>(got));
    }
  } else {
    errno = EINVAL;
  }
  const int error = errno;
  ::close(fd);
  errno = error;
  return bytes;
}

std::string ConvertedFileBytes(std::string_view bytes, std::string_view name, TEncoding to,
                               std::vector<TUnmappable>* unmappable, std::size_t* declarations) {
  const TEncoding from = DetectEncoding(bytes);
  std::string converted =
      from == to ? std::string(bytes)
                 : ConvertText(bytes.substr(bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0),
                               from, to, unmappable);
  const std::size_t renamed =
      DeclaresItself(std::string(name)) ? RenameDeclarations(converted, to) : 0;
  if (declarations != nullptr) *declarations = renamed;
  return converted;
}

std::vector<TTwoFormCharacter> TwoFormCharacters(std::string_view cp932) {
  std::vector<TTwoFormCharacter> found;
  int line = 1;
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t size = CharBytesAt(cp932, i);
    if (size == 2) {
      const std::string_view bytes = cp932.substr(i, 2);
      std::string utf8 = ConvertText(bytes, TEncoding::kCp932, TEncoding::kUtf8);
      std::string back = ConvertText(utf8, TEncoding::kUtf8, TEncoding::kCp932);
      if (back != bytes) {
        const char32_t code = Utf8CodeAt(utf8, 0, Utf8CharBytesAt(utf8, 0));
        found.push_back({i, line, std::string(bytes), std::move(back), std::move(utf8), code});
      }
    } else {
      line += cp932[i] == '\n';
    }
    i += size;
  }
  return found;
}

namespace {

// The plan for one file, as PlanConversion's for a list of one.
TConversionPlan PlanFile(const std::string& path, TEncoding to, bool references, bool fold) {
  TConversionPlan plan;
  const char* target = to == TEncoding::kUtf8 ? "UTF-8" : "Shift-JIS";
  TFileIdentity identity;
  errno = 0;
  std::optional<std::string> bytes = ReadFileBytes(path, identity);
  if (!bytes) {
    plan.problems.push_back({path, 0,
                             std::string("cannot be read: ") +
                                 (errno == EINVAL ? "not a regular file" : SystemReason(errno))});
    return plan;
  }
  TConvertedFile file{path, DetectEncoding(*bytes), to, 0, identity, {}};
  const std::string_view body =
      std::string_view(*bytes).substr(bytes->starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
  std::vector<TUnmappable> unmappable;
  const std::string converted =
      ConvertedFileBytes(*bytes, path, to, &unmappable, &file.declarations);
  for (const TUnmappable& place : unmappable) {
    if (references && place.code != 0xFFFD) continue;
    char message[96];
    std::snprintf(message, sizeof message,
                  place.code == 0xFFFD ? "bytes that are no character cannot be converted"
                                       : "U+%04X cannot be written in %s (--ncr writes a "
                                         "reference instead)",
                  static_cast<unsigned>(place.code), target);
    plan.problems.push_back({path, LineAt(body, place.offset), message});
  }
  // Converted back, the file must be what it was: otherwise a character would change.
  if (unmappable.empty() && file.from != to) {
    const std::string back = ConvertText(ConvertText(body, file.from, to), to, file.from);
    if (back != body && file.from == TEncoding::kCp932) {
      // Each character in the way, named; with fold, taken in the form that comes back.
      for (const TTwoFormCharacter& character : TwoFormCharacters(body)) {
        const std::string message = character.utf8 + " (" + CodeText(character.code) +
                                    ") written as " + HexBytes(character.bytes) +
                                    " would come back as " + HexBytes(character.back);
        (fold ? plan.folded : plan.problems).push_back({path, character.line, message});
        plan.foldable = plan.foldable || !fold;
      }
    } else if (back != body) {
      std::size_t at = 0;
      while (at < body.size() && at < back.size() && body[at] == back[at]) ++at;
      plan.problems.push_back(
          {path, LineAt(body, at), "a character would not convert back to the same bytes"});
    }
  }
  if (converted != *bytes) {
    file.original_digest = Sha256Hex(*bytes);
    plan.changes.push_back(std::move(file));
  }
  return plan;
}

}  // namespace

TConversionPlan PlanConversion(const std::vector<std::string>& files, TEncoding to, bool references,
                               bool fold) {
  // Each file is planned on its own: the cores share them, and the plans join in order.
  std::vector<TConversionPlan> plans(files.size());
  OnEveryCore(files.size(), 1,
              [&](std::size_t i) { plans[i] = PlanFile(files[i], to, references, fold); });
  TConversionPlan plan;
  for (TConversionPlan& one : plans) {
    for (TConvertedFile& file : one.changes) plan.changes.push_back(std::move(file));
    plan.problems.insert(plan.problems.end(), one.problems.begin(), one.problems.end());
    plan.folded.insert(plan.folded.end(), one.folded.begin(), one.folded.end());
    plan.foldable = plan.foldable || one.foldable;
  }
  return plan;
}

TConvertedReads::TConvertedReads(const std::vector<TConvertedFile>& changes) {
  for (const TConvertedFile& file : changes) changes_[NormalPath(file.path)] = &file;
}

std::optional<std::string> TConvertedReads::Read(const std::string& path) {
  constexpr std::size_t kKept = 16;
  for (auto it = recent_.begin(); it != recent_.end(); ++it) {
    if (it->first != path) continue;
    std::rotate(it, it + 1, recent_.end());
    return recent_.back().second;
  }
  const auto it = changes_.find(path);
  TFileIdentity read;
  std::optional<std::string> bytes;
  if (it == changes_.end() || !(bytes = ReadFileBytes(it->second->path, read))) return bytes;
  bytes = ConvertedFileBytes(*bytes, it->second->path, it->second->to);
  if (recent_.size() == kKept) recent_.erase(recent_.begin());
  recent_.emplace_back(path, *bytes);
  return bytes;
}

std::optional<std::string> ConvertAgain(const TConvertedFile& file, std::string* err) {
  TFileIdentity identity;
  const std::optional<std::string> bytes = ReadFileBytes(file.path, identity);
  if (!bytes && errno != ENOENT) {
    *err = "cannot be read: " + (errno == EINVAL ? "not a regular file" : SystemReason(errno));
    return std::nullopt;
  }
  if (!bytes || identity.device != file.read.device || identity.inode != file.read.inode ||
      Sha256Hex(*bytes) != file.original_digest) {
    *err = kChangedSinceRead;
    return std::nullopt;
  }
  return ConvertedFileBytes(*bytes, file.path, file.to);
}

std::optional<TConversionProblem> ComparePages(const TPages& before, const TPages& after) {
  const std::map<std::string, std::string> made(after.begin(), after.end());
  for (const auto& [path, bytes] : before) {
    const auto it = made.find(path);
    if (it == made.end()) return TConversionProblem{path, 0, "the page would not be made"};
    const std::string was = PageText(bytes);
    const std::string is = PageText(it->second);
    if (was == is) continue;
    std::size_t at = 0;
    while (at < was.size() && at < is.size() && was[at] == is[at]) ++at;
    return TConversionProblem{path, LineAt(was, at), "the page's text would change"};
  }
  return std::nullopt;
}

void TPageDigests::Add(const std::string& path, std::string_view bytes) {
  auto [it, made] = digests_.try_emplace(path);
  if (made) order_.push_back(&it->first);
  it->second = Sha256(PageText(std::string(bytes)));
}

std::optional<std::string> FirstChangedPage(const TPageDigests& before, const TPageDigests& after) {
  for (const std::string* path : before.order_) {
    const auto it = after.digests_.find(*path);
    if (it == after.digests_.end() || it->second != before.digests_.at(*path)) return *path;
  }
  return std::nullopt;
}

}  // namespace zorvik
