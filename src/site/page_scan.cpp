#include "site/page_scan.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

#include "site/content_type.h"
#include "text/byte_validity.h"
#include "text/encoding.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
    text.remove_suffix(1);
  }
  return text;
}

// Whether text[i] ends a line: LF, CR LF (counted at its LF) and a lone CR, as the HTML
// parser counts them.
bool EndsLine(std::string_view text, std::size_t i) {
  return text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'));
}

// Line numbers of offsets in a text, each found in logarithmic time.
class TLineIndex {
 public:
  TLineIndex(std::string_view text, int first_line) : first_line_(first_line) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (EndsLine(text, i)) ends_.push_back(i);
    }
  }
  int LineAt(std::size_t offset) const {
    return first_line_ +
           static_cast<int>(std::lower_bound(ends_.begin(), ends_.end(), offset) - ends_.begin());
  }

 private:
  int first_line_;
  std::vector<std::size_t> ends_;
};

// What the generator leaves when a value or a loop was missing: "{$name}", "{#name}",
// "{/#name}", and the marker of a loop being expanded.
void FindLeftOvers(std::string_view text, std::vector<TPageProblem>& problems) {
  int line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (EndsLine(text, i)) ++line;
    if (text[i] != '{' || i + 1 >= text.size()) continue;
    const char next = text[i + 1];
    const bool tag = next == '$';
    const bool loop = next == '#' || (next == '/' && i + 2 < text.size() && text[i + 2] == '#') ||
                      text.substr(i).starts_with("{_#LOOPTAG#_}");
    if (!tag && !loop) continue;
    const std::size_t end = text.find_first_of("}\r\n", i + 2);
    if (end == std::string_view::npos || text[end] != '}') continue;
    const std::string found(text.substr(i, end + 1 - i));
    const bool ascii = std::all_of(found.begin(), found.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    problems.push_back(
        {line, true, (tag ? "conversion tag left unfilled: " : "loop marker left over: ") + found,
         ascii ? found : std::string()});
    i = end;
  }
}

// An attribute's line: its value's, or, for an attribute without a value, its name's.
int LineOf(const GumboAttribute& attribute) {
  const unsigned int line =
      attribute.value_start.line != 0 ? attribute.value_start.line : attribute.name_start.line;
  return std::max(1, static_cast<int>(line));
}

// An attribute as the page has it, name, "=" and quoted value, to be found where it was written.
std::string AsWritten(const GumboAttribute& attribute) {
  return std::string(attribute.original_name.data, attribute.original_name.length) + '=' +
         std::string(attribute.original_value.data, attribute.original_value.length);
}

class TScanner {
 public:
  explicit TScanner(TPageScan& scan) : scan_(scan) {}
  // The ids used a second time, each at the line of that use.
  std::vector<TPageProblem> TakeDuplicates() { return std::move(duplicates_); }

  void Walk(const GumboNode* node) {
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) return;
    const GumboElement& element = node->v.element;
    const GumboVector& attributes = element.attributes;
    for (unsigned int i = 0; i < attributes.length; ++i) {
      const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
      Attribute(element, *attribute);
    }
    if (element.tag == GUMBO_TAG_META) Meta(element);
    if (element.tag == GUMBO_TAG_STYLE && element.children.length > 0) {
      const auto* text = static_cast<const GumboNode*>(element.children.data[0]);
      if (text->type == GUMBO_NODE_TEXT) {
        for (TPageRef& ref : ScanCss(text->v.text.text,
                                     std::max(1, static_cast<int>(text->v.text.start_pos.line)))) {
          scan_.refs.push_back(std::move(ref));
        }
      }
    }
    for (unsigned int i = 0; i < element.children.length; ++i) {
      Walk(static_cast<const GumboNode*>(element.children.data[i]));
    }
  }

 private:
  void Attribute(const GumboElement& element, const GumboAttribute& attribute) {
    const std::string name = AsciiLowerCase(attribute.name);
    const int line = LineOf(attribute);
    const std::string_view value = attribute.value;
    if (name == "id" || (name == "name" && element.tag == GUMBO_TAG_A)) {
      const GumboAttribute* id = gumbo_get_attribute(&element.attributes, "id");
      const bool same_as_id = name == "name" && id != nullptr && value == id->value;
      if (value.empty() || same_as_id) return;
      scan_.ids.push_back({std::string(value), line});
      const auto [first, fresh] = id_lines_.emplace(value, line);
      if (!fresh) {
        duplicates_.push_back({line, false,
                               "duplicate id \"" + std::string(value) +
                                   "\" (first on the page's line " + std::to_string(first->second) +
                                   ")",
                               AsWritten(attribute)});
      }
      return;
    }
    if (name == "style") {
      for (TPageRef& ref : ScanCss(value, line)) scan_.refs.push_back(std::move(ref));
      return;
    }
    if (name == "srcset") {
      // Candidates "url [descriptor]" separated by commas.
      std::string_view rest = value;
      while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view candidate = Trimmed(rest.substr(0, comma));
        const std::string_view url = candidate.substr(0, candidate.find_first_of(" \t\n\r\f"));
        if (!url.empty()) scan_.refs.push_back({std::string(url), line});
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
      return;
    }
    const bool link = name == "href" || name == "src" || name == "action" || name == "poster" ||
                      (name == "data" && element.tag == GUMBO_TAG_OBJECT);
    // A <base> changes what every address means: left to the browser.
    if (link && element.tag != GUMBO_TAG_BASE) {
      scan_.refs.push_back({std::string(Trimmed(value)), line});
    }
  }

  void Meta(const GumboElement& element) {
    const GumboAttribute* charset = gumbo_get_attribute(&element.attributes, "charset");
    if (charset != nullptr) {
      Charset(std::string(Trimmed(charset->value)), *charset);
      return;
    }
    const GumboAttribute* equiv = gumbo_get_attribute(&element.attributes, "http-equiv");
    const GumboAttribute* content = gumbo_get_attribute(&element.attributes, "content");
    if (equiv == nullptr || content == nullptr || AsciiLowerCase(equiv->value) != "content-type")
      return;
    const std::string tag = "<meta charset=\"\" content=\"" + std::string(content->value) + "\">";
    if (auto declared = DeclaredCharset(tag)) Charset(std::move(*declared), *content);
  }

  void Charset(std::string name, const GumboAttribute& attribute) {
    if (!scan_.charsets.empty()) {
      scan_.problems.push_back({LineOf(attribute), false, "a second charset declaration: " + name,
                                AsWritten(attribute)});
    }
    scan_.charsets.push_back({std::move(name), LineOf(attribute)});
  }

  TPageScan& scan_;
  std::map<std::string, int, std::less<>> id_lines_;  // each id's first line
  std::vector<TPageProblem> duplicates_;
};

bool IsUtf8Name(std::string_view charset) {
  const std::string lower = AsciiLowerCase(charset);
  return lower == "utf-8" || lower == "utf8";
}

bool IsShiftJisName(std::string_view charset) {
  const std::string lower = AsciiLowerCase(charset);
  return lower == "shift_jis" || lower == "shift-jis" || lower == "sjis" || lower == "x-sjis" ||
         lower == "windows-31j" || lower == "cp932" || lower == "ms932" || lower == "ms_kanji" ||
         lower == "csshiftjis";
}

}  // namespace

std::vector<TPageRef> ScanCss(std::string_view css, int first_line) {
  std::vector<TPageRef> refs;
  const std::string lower = AsciiLowerCase(css);
  // Comments are no part of the style sheet.
  std::string plain = lower;
  for (std::size_t start = plain.find("/*"); start != std::string::npos;
       start = plain.find("/*", start)) {
    const std::size_t end = plain.find("*/", start + 2);
    const std::size_t stop = end == std::string::npos ? plain.size() : end + 2;
    for (std::size_t i = start; i < stop; ++i) {
      if (plain[i] != '\n' && plain[i] != '\r') plain[i] = ' ';
    }
    start = stop;
  }
  const TLineIndex lines(css, first_line);
  const auto take = [&](std::size_t from, std::size_t to) {
    std::string_view url = Trimmed(css.substr(from, to - from));
    if (url.size() >= 2 && (url.front() == '"' || url.front() == '\'') &&
        url.back() == url.front()) {
      url = url.substr(1, url.size() - 2);
    }
    if (!url.empty()) refs.push_back({std::string(url), lines.LineAt(from)});
  };
  for (std::size_t at = plain.find("url("); at != std::string::npos;
       at = plain.find("url(", at + 4)) {
    const std::size_t end = plain.find(')', at + 4);
    if (end == std::string::npos) break;
    take(at + 4, end);
  }
  for (std::size_t at = plain.find("@import"); at != std::string::npos;
       at = plain.find("@import", at + 7)) {
    std::size_t i = at + 7;
    while (i < plain.size() && std::isspace(static_cast<unsigned char>(plain[i])) != 0) ++i;
    if (i >= plain.size() || (plain[i] != '"' && plain[i] != '\'')) continue;  // url() form: above
    const std::size_t end = plain.find(plain[i], i + 1);
    if (end == std::string::npos) break;
    take(i, end + 1);
  }
  return refs;
}

TPageScan ScanHtmlPage(std::string_view bytes) {
  TPageScan scan;
  // The parser reads UTF-8: a Shift_JIS page is converted, which keeps every line end.
  const std::optional<std::string> declared = DeclaredCharset(bytes);
  const bool utf8 = declared && IsUtf8Name(*declared);
  const std::string text = utf8 ? std::string(bytes) : Cp932ToUtf8(bytes);
  if (bytes.size() > kMaxParsedPageBytes) {
    // The parser's tree would take many times the page in memory.
    scan.problems.push_back({1, false,
                             "the page is larger than " +
                                 std::to_string(kMaxParsedPageBytes >> 20) +
                                 " MB: its addresses and ids are not checked"});
    FindLeftOvers(text, scan.problems);
    return scan;
  }
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, text.data(), text.size());
  TScanner scanner(scan);
  scanner.Walk(output->root);
  gumbo_destroy_output(&kGumboDefaultOptions, output);

  // Charset: declared once, and the bytes as declared.
  if (scan.charsets.empty()) {
    // Found where it belongs: the template's <head>.
    scan.problems.push_back(
        {1, false, "no charset declared (browsers will guess; add <meta charset=\"Shift_JIS\">)",
         "<head"});
  } else {
    const TPageRef& first = scan.charsets.front();
    std::optional<std::size_t> bad;
    if (IsUtf8Name(first.url)) bad = FirstInvalidUtf8(bytes);
    if (IsShiftJisName(first.url)) bad = FirstInvalidCp932(bytes);
    if (bad) {
      scan.problems.push_back({TLineIndex(bytes, 1).LineAt(*bad), true,
                               "the bytes are not " + first.url + " (declared on line " +
                                   std::to_string(first.line) + ")"});
    }
  }
  for (TPageProblem& duplicate : scanner.TakeDuplicates()) {
    scan.problems.push_back(std::move(duplicate));
  }
  FindLeftOvers(text, scan.problems);
  return scan;
}

}  // namespace zorvik
