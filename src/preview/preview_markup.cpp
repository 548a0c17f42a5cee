#include "preview/preview_markup.h"

#include "text/replace_text.h"

namespace zorvik {

std::string PreviewStyleBlock(std::string_view preview_css) {
  static constexpr std::string_view kRules[][2] = {{"ft_mk", "background-color:yellow"},
                                                   {"ft_bl", "color:blue"},
                                                   {"ft_rd", "color:red"},
                                                   {"ft_pu", "color:purple"},
                                                   {"ft_ma", "color:maroon"},
                                                   {"ft_ge", "color:green"},
                                                   {"ft_ye", "color:yellow"},
                                                   {"ft_or", "color:orange"},
                                                   {"ft_gr", "color:gray"},
                                                   {"ft_lm", "color:lime"}};
  std::string block = "<style type=\"text/css\">\r\n<!--\r\n";
  for (const auto& rule : kRules) {
    block.append(".").append(rule[0]).append(" {").append(rule[1]).append(";}\r\n");
  }
  block.append("-->\r\n</style>\r\n");
  block.append("<link rel=\"stylesheet\" type=\"text/css\" href=\"")
      .append(preview_css)
      .append("\" />");
  return block;
}

std::string InsertPreviewStyle(std::string html, std::string_view preview_css, TEncoding encoding) {
  ReplaceEvery(html, "<!--PREVIEWCSS-->", PreviewStyleBlock(preview_css), std::string::npos,
               encoding);
  return html;
}

std::string StatusLineText(std::string_view text, bool stopped, bool busy) {
  std::string display(text);
  std::string_view t = text;
  if (!t.empty() && t.back() == '/') t.remove_suffix(1);
  // The extension: from the last "." that no "/", "\\" or ":" follows.
  const std::size_t dot = t.rfind('.');
  const bool script = dot != std::string_view::npos &&
                      t.find_first_of("/\\:", dot) == std::string_view::npos &&
                      t.substr(dot) == ".zorvik";
  if (script) {
    std::string_view rest = text;
    for (int cut = 0; cut < 2; ++cut) {
      const std::size_t slash = rest.find('/');
      rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    rest = rest.substr(0, rest.find('['));
    // スクリプト実行：[
    display =
        "\x83X\x83N\x83\x8A\x83v\x83g\x8E\xC0\x8Ds\x81"
        "F[";
    display.append(rest).append("]");
  }
  std::string flags;
  if (stopped) flags += '*';
  if (busy) flags += '+';
  return (flags.empty() ? std::string() : "[" + flags + "]") + display;
}

}  // namespace zorvik
