// Feeds random patterns, subjects and replacements to the pattern component.
//
// Input: one flag byte (bit 0: LF lines, bit 1: UTF-8 patterns and text), one byte with the
// pattern's length, the pattern, then the subject. Besides crashes and sanitizer reports it checks
// what must hold for any input: error positions inside the pattern (or just after it), matches
// inside the subject and starting on a character, and replacing every match by itself ("&") giving
// the subject back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pattern/pattern_component.h"
#include "text/sjis.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorvik;
  if (size < 2) return 0;
  const bool lf = data[0] & 1;
  const TEncoding encoding = (data[0] & 2) != 0 ? TEncoding::kUtf8 : TEncoding::kCp932;
  const std::size_t pattern_length = std::min<std::size_t>(data[1], size - 2);
  const std::string pattern(reinterpret_cast<const char*>(data + 2), pattern_length);
  const std::string subject(reinterpret_cast<const char*>(data + 2 + pattern_length),
                            size - 2 - pattern_length);

  // One component per line separator and encoding, kept across inputs as the program keeps
  // its own, so that the pattern cache is exercised too.
  static TSecondAWKStr components[4];
  static const bool ready = [] {
    components[1].SetLineSeparator(mcls_LF);
    components[3].SetLineSeparator(mcls_LF);
    components[2].SetEncoding(TEncoding::kUtf8);
    components[3].SetEncoding(TEncoding::kUtf8);
    return true;
  }();
  (void)ready;
  TSecondAWKStr& component = components[(lf ? 1 : 0) + (encoding == TEncoding::kUtf8 ? 2 : 0)];
  try {
    component.SetRegExp(pattern);
  } catch (const ERegExpParser& e) {
    // 1-based, just after the byte where the error was found: at most one past the end.
    Check(e.ErrorPos >= 1 && e.ErrorPos <= pattern.size() + 1);
    Check(component.RegExp().empty());
  }

  const std::string_view searchable = std::string_view(subject).substr(0, subject.find('\0'));
  const TSecondAWKStr::TMatchResult match = component.Match(subject);
  if (match.position > 0) {
    const std::size_t start = static_cast<std::size_t>(match.position - 1);
    Check(start + static_cast<std::size_t>(match.length) <= searchable.size());
    // The end counts as a start too, also after a lead byte that is the last byte.
    Check(start == searchable.size() || IsCharStartFrom(searchable, 0, start, encoding));
  } else {
    Check(match.length == 0);
  }

  std::string same = subject;
  component.ReplaceAll("&", same);
  Check(same == subject);

  std::string replaced = subject;
  component.ReplaceAll("<\\&&>", replaced);
  return 0;
}
