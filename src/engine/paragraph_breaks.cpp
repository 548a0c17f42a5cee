#include "engine/paragraph_breaks.h"

#include <optional>
#include <string_view>

#include "text/char_functions.h"
#include "text/replace_text.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// Whether the body holds one of the tags that the steps look for, in any case. Without one,
// every match lies in text the steps put in, and the result follows from the runs of CR LF
// alone (BreakInOnePass).
bool HoldsParagraphTag(std::string_view body) {
  for (std::size_t at = body.find('<'); at != std::string_view::npos; at = body.find('<', at + 1)) {
    for (const std::string_view tag : {"<p>", "</p>", "<br />"}) {
      if (SameTextIgnoringCase(body.substr(at, tag.size()), tag)) return true;
    }
  }
  return false;
}

// Length of the run of CR LF pairs at body[at].
std::size_t RunOfLineEnds(std::string_view body, std::size_t at) {
  std::size_t end = at;
  while (body.substr(end, kCrLf.size()) == kCrLf) end += kCrLf.size();
  return end - at;
}

// The steps' result for a body without paragraph tags, in one pass. A run of k CR LF pairs
// becomes, between text: "<br />" CR LF for k = 1, "</p>" CR LF "<p>" for more. Before all text
// it goes. After all text it closes the paragraph, and an odd k of 3 or more leaves an empty
// one after it. A body of CR LF pairs only is "<p></p>" for odd k, nothing for even k. Nothing
// when a CR is the second byte of a character, which the steps do not take for a line end.
std::optional<std::string> BreakInOnePass(std::string_view body, TEncoding encoding) {
  const std::size_t leading = RunOfLineEnds(body, 0);
  const std::size_t pairs = leading / kCrLf.size();
  if (leading == body.size()) return pairs % 2 == 1 ? "<p></p>" : "";

  std::string out;
  out.reserve(body.size() + body.size() / 8 + 16);
  out += "<p>";
  std::size_t at = leading;
  for (;;) {
    const std::size_t run = body.find(kCrLf, at);
    if (run == std::string_view::npos) {
      out.append(body.substr(at));
      out += "</p>";
      return out;
    }
    if (!IsCharStartFrom(body, at, run, encoding)) return std::nullopt;
    out.append(body.substr(at, run - at));
    const std::size_t length = RunOfLineEnds(body, run);
    const std::size_t k = length / kCrLf.size();
    at = run + length;
    if (at == body.size()) {
      out += k >= 3 && k % 2 == 1 ? "</p>\r\n<p></p>" : "</p>";
      return out;
    }
    out += k == 1 ? "<br />\r\n" : "</p>\r\n<p>";
  }
}

}  // namespace

std::string BreakIntoParagraphs(std::string body, TEncoding encoding) {
  if (!HoldsParagraphTag(body)) {
    if (std::optional<std::string> out = BreakInOnePass(body, encoding)) return std::move(*out);
  }
  return BreakIntoParagraphsStepwise(std::move(body), encoding);
}

std::string BreakIntoParagraphsStepwise(std::string body, TEncoding encoding) {
  const auto replace = [&body, encoding](std::string_view from, std::string_view to) {
    ReplaceEvery(body, from, to, std::string::npos, encoding);
  };
  replace("\r\n\r\n", "</p><p>");
  body = "<p>" + body + "</p>";
  replace("<p></p>", "");
  replace("\r\n", "<br />\r\n");
  replace("</p><p>", "</p>\r\n<p>");
  replace("<p><br />", "<p>");
  replace("<p>\r\n", "<p>");
  replace("<br />\r\n</p>", "</p>");
  return body;
}

}  // namespace zorvik
