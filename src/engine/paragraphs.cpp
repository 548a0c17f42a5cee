#include "engine/paragraphs.h"

#include <string_view>
#include <vector>

#include "engine/paragraph_breaks.h"
#include "text/byte_scan.h"
#include "text/char_functions.h"
#include "text/cut_trim.h"
#include "text/replace_text.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

constexpr std::string_view kBodyStart = "<!--BodyLines-->";
constexpr std::string_view kBodyEnd = "<!--/BodyLines-->";
constexpr std::string_view kBodyPlaceholder = "{#<!--BodyLines-->#}";
constexpr std::string_view kExemptStart = "<!--_NoCRLF-->";
constexpr std::string_view kExemptEnd = "<!--/_NoCRLF-->";
constexpr std::string_view kExemptPlaceholder = "{$_NoCRLF}";

// First exact occurrence of marker at or after from that starts a character.
std::size_t FindMarker(const std::string& text, std::string_view marker, std::size_t from,
                       TEncoding encoding) {
  for (std::size_t at = FindBytes(text, from, marker); at != std::string::npos;
       at = FindBytes(text, at + 1, marker)) {
    if (IsCharStartFrom(text, 0, at, encoding)) return at;
  }
  return std::string::npos;
}

// Whether a comment in text begins one of the markers, the letters in any case.
bool HoldsMarkerComment(std::string_view text) {
  for (std::size_t at = FindBytes(text, 0, "<!--"); at != std::string_view::npos;
       at = FindBytes(text, at + 1, "<!--")) {
    for (const std::string_view marker : {kBodyEnd, kExemptStart, kExemptEnd}) {
      if (SameTextIgnoringCase(text.substr(at, marker.size()), marker)) return true;
    }
  }
  return false;
}

// Offset from which the next search must start after text changed at offset at: a marker may
// now begin up to its own length before the change.
std::size_t SearchFromBefore(std::size_t at, std::string_view marker) {
  return at > marker.size() ? at - marker.size() : 0;
}

// Finds the next complete block of start ... end markers in text, first dropping the stray
// markers that stand in the way: a start marker with no end marker anywhere, an end marker before
// the first start marker. `from` is an offset before which no marker stands.
bool NextBlock(std::string& text, std::string_view start, std::string_view end, std::size_t& from,
               std::size_t& a, std::size_t& b, TEncoding encoding) {
  for (;;) {
    a = FindMarker(text, start, from, encoding);
    if (a == std::string::npos) return false;
    b = FindMarker(text, end, from, encoding);
    if (b == std::string::npos) {
      text.erase(a, start.size());
    } else if (b < a) {
      text.erase(b, end.size());
    } else {
      return true;
    }
    from = 0;  // the removal may have joined a new marker anywhere before it
  }
}

// Cuts the block at [a, b] out of text, leaving placeholder; returns its inner text with blank
// lines trimmed at both ends.
std::string CutBlock(std::string& text, std::size_t a, std::size_t b, std::string_view start,
                     std::string_view end, std::string_view placeholder, TEncoding encoding) {
  const std::size_t inner = a + start.size();
  std::string body = TrimBlankLines(std::string_view(text).substr(inner, b - inner), encoding);
  text.replace(a, b + end.size() - a, placeholder);
  return body;
}

std::string ConvertBlockBody(std::string body, TEncoding encoding) {
  const auto replace = [&body, encoding](std::string_view from, std::string_view to) {
    return ReplaceEvery(body, from, to, std::string::npos, encoding);
  };
  // Exempt regions wait outside while the body is turned into paragraphs.
  std::vector<std::string> saved_no_crlf_blocks;
  std::size_t from = 0;
  std::size_t p, q;
  while (NextBlock(body, kExemptStart, kExemptEnd, from, p, q, encoding)) {
    saved_no_crlf_blocks.push_back(
        CutBlock(body, p, q, kExemptStart, kExemptEnd, kExemptPlaceholder, encoding));
    from = p;
  }

  body = BreakIntoParagraphs(std::move(body), encoding);

  from = 0;
  for (const std::string& entry : saved_no_crlf_blocks) {
    const std::size_t at = FindMarker(body, kExemptPlaceholder, from, encoding);
    if (at == std::string::npos) break;
    body.replace(at, kExemptPlaceholder.size(), entry);
    from = SearchFromBefore(at, kExemptPlaceholder);
  }

  // Each of these holds "<_p>": without one, none of them is there. ("<_", which has no letter,
  // is looked for first: the paragraphs' own "</p>" would stop a search for "<_p>" at each.)
  if (FindBytes(body, 0, "<_") != std::string::npos &&
      FindIgnoringCase(body, "<_p>", 0, encoding) != std::string::npos) {
    replace("<p><_p>", "");
    replace("<_p></p>", "");
    replace("<_p>", "");
  }
  return body;
}

}  // namespace

std::string ConvertBodyLines(std::string text, TEncoding encoding) {
  const auto replace = [&text, encoding](std::string_view from, std::string_view to) {
    return ReplaceEvery(text, from, to, std::string::npos, encoding);
  };
  std::size_t from = 0;
  std::size_t a, b;
  while (NextBlock(text, kBodyStart, kBodyEnd, from, a, b, encoding)) {
    const std::string body = ConvertBlockBody(
        CutBlock(text, a, b, kBodyStart, kBodyEnd, kBodyPlaceholder, encoding), encoding);
    // Every placeholder in the text takes the body; normally there is just the one at a, and
    // nothing before a can hold a marker, except one that the body now completes.
    const int replaced = replace(kBodyPlaceholder, body);
    from = replaced == 1 ? SearchFromBefore(a, kBodyEnd) : 0;
  }
  // Stray markers go. Each begins with "<!--", which cannot stand inside a character: when
  // none of the comments the text holds is one, nothing is removed and the text is as it was.
  if (HoldsMarkerComment(text)) {
    replace(kBodyEnd, "");
    replace(kExemptStart, "");
    replace(kExemptEnd, "");
  }
  return text;
}

std::string CollapseBlankLines(std::string text, TSecondAWKStr& pattern, TEncoding encoding) {
  if (encoding == TEncoding::kUtf8) {
    // The pattern engine walks Shift-JIS characters; the same replacement by bytes.
    while (ReplaceEvery(text, "\r\n\r\n", "\r\n", std::string::npos, encoding) > 0) {
    }
    return text;
  }
  pattern.SetRegExp("\r\n\r\n");
  while (pattern.ReplaceAll("\r\n", text) > 0) {
  }
  return text;
}

}  // namespace zorvik
