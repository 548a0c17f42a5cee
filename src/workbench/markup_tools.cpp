#include "workbench/markup_tools.h"

#include <cstdio>

#include "text/char_functions.h"
#include "text/cut_trim.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

constexpr char kQ = '"';

int Length(std::string_view text) { return static_cast<int>(text.size()); }

}  // namespace

std::string_view MarkerClassOfTag(int tag) {
  static constexpr std::string_view kClasses[] = {"ft_mk", "ft_bl", "ft_rd", "ft_pu", "ft_ma",
                                                  "ft_lm", "ft_ge", "ft_ye", "ft_or", "ft_gr"};
  return tag >= 0 && tag < 10 ? kClasses[tag] : kClasses[0];
}

std::string_view MarkerElementName(bool bold_down) { return bold_down ? "strong" : "span"; }

std::string RemoveEmptyClassElement(std::string text, std::string_view element,
                                    TEncoding encoding) {
  const std::string opening = "<" + std::string(element) + " class=\"\">";
  if (FindAtCharStart(text, opening, encoding) == std::string::npos) return text;
  ReplaceFirst(text, opening, "", encoding);
  ReplaceFirst(text, "</" + std::string(element) + ">", "", encoding);
  return text;
}

std::optional<TSelectionEdit> ApplyMarkerClass(std::string_view selected, int start,
                                               std::string_view marker_class,
                                               std::string_view element, TEncoding encoding) {
  if (selected.empty()) return std::nullopt;
  const std::string attribute = "class=\"";
  const std::size_t at = FindAtCharStart(selected, attribute, encoding);
  std::string result;
  if (at == std::string::npos) {
    result.append("<").append(element).append(" class=\"").append(marker_class).append("\">");
    result.append(selected).append("</").append(element).append(">");
  } else {
    const std::string head(selected.substr(0, at + attribute.size()));
    std::string rest(selected.substr(at + attribute.size()));
    std::string classes;
    if (const std::size_t quote = FindAtCharStart(rest, std::string_view(&kQ, 1), encoding);
        quote != std::string::npos) {
      classes = TrimSpaces(std::string_view(rest).substr(0, quote), encoding);
      rest.erase(0, quote);
    }
    if (!classes.empty()) {
      if (FindAtCharStart(classes, marker_class, encoding) == std::string::npos) {
        classes = TrimSpaces(std::string(marker_class) + " " + classes, encoding);
      } else {
        ReplaceFirst(classes, marker_class, "", encoding);
        classes = TrimSpaces(classes, encoding);
      }
    }
    result = head + classes + rest;
    for (std::string_view name : {"strong", "span", "b"}) {
      result = RemoveEmptyClassElement(std::move(result), name, encoding);
    }
  }
  return TSelectionEdit{result, start, Length(result)};
}

std::string_view ElementOfTag(int tag) {
  static constexpr std::string_view kElements[] = {"strong", "em", "u", "s"};
  return tag >= 0 && tag < 4 ? kElements[tag] : kElements[0];
}

TSelectionEdit WrapInElement(std::string_view selected, int start, std::string_view element,
                             TEncoding encoding) {
  // ■ stands for the element; one in the selection becomes the element too.
  const std::string_view mark = encoding == TEncoding::kUtf8 ? "\xE2\x96\xA0" : "\x81\xA1";
  std::string result;
  result.append("<").append(mark).append(">").append(selected);
  result.append("</").append(mark).append(">");
  ReplaceEvery(result, mark, element, std::string::npos, encoding);
  return {result, start, Length(result)};
}

std::optional<TSelectionEdit> MakeLink(std::string_view selected, int start, int tag) {
  if (selected.empty()) return std::nullopt;
  // Built around the selection, whatever characters it holds.
  const std::string result = tag == 0 ? "<a href=\"" + std::string(selected) + "\"></a>"
                                      : "<a href=\"\">" + std::string(selected) + "</a>";
  const int caret = tag == 0 ? start + Length(result) - 4 : start + 9;
  return TSelectionEdit{result, caret, 0};
}

TSelectionEdit DeleteTags(std::string_view selected, int start, TSecondAWKStr& pattern) {
  std::string text(selected);
  pattern.SetRegExp("<[^>]*>");
  pattern.ReplaceAll("", text);
  text = TrimBlankLines(text, pattern.Encoding());
  return {text, start, Length(text)};
}

std::string DollarMarks(std::string_view selected, int tag) {
  if (tag == 0) return "$";
  const std::string name(selected);
  return "[" + name + "]\r\n\r\n[/" + name + "]\r\n";
}

std::optional<std::string> SystemTagInsertion(std::string_view entry) {
  if (entry.empty() || entry[0] == '-') return std::nullopt;
  if (entry[0] == '*') return PageSkeleton();
  std::string text(entry);
  if (entry[0] == '@') text += ' ';
  return text;
}

std::string PageSkeleton() {
  static constexpr std::string_view kRule = "//-------------------------------------------------";
  static constexpr std::string_view kLines[] = {
      kRule,
      "// \x83V\x83X\x83"  // NOLINT(bugprone-suspicious-missing-comma): "e" would join the escape
      "e\x83\x80\x90\xDD\x92\xE8\x81i\x8A\xEE\x96{\x81j",  // // システム設定（基本）
      kRule,
      "@Template {$RunningFolder}Templates\\",
      "@WriteFile ",
      "@PreviewCSS {$WriteFolder}",
      "@ItemCRLFMode Tag",
      "@HTMLCRLFMode Yes",
      "",
      "",
      kRule,
      "// \x83V\x83X\x83"  // NOLINT(bugprone-suspicious-missing-comma): "e" would join the escape
      "e\x83\x80\x90\xDD\x92\xE8\x81i\x83\x8B\x81[\x83v\x83J\x83"
      "E\x83\x93\x83^\x81j",  // // システム設定（ループカウンタ）
      kRule,
      "",
      "",
      "",
      kRule,
      "// \x82P\x8Ds\x90\xDD\x92\xE8",  // // １行設定
      kRule,
      "",
      "",
      kRule,
      "// \x95\xA1\x90\x94\x8Ds\x90\xDD\x92\xE8",  // // 複数行設定
      kRule,
      "",
      "",
      kRule,
      "// \x83\x8B\x81[\x83v\x83u\x83\x8D\x83"
      "b\x83N\x90\xDD\x92\xE8",  // // ループブロック設定
      kRule,
  };
  std::string text;
  for (std::string_view line : kLines) text.append(line).append("\r\n");
  return text;
}

std::string ColorValueText(int red, int green, int blue) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "#%.2X%.2X%.2X", red & 0xFF, green & 0xFF, blue & 0xFF);
  return buffer;
}

}  // namespace zorvik
