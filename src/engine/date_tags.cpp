#include "engine/date_tags.h"

#include <cstdio>
#include <vector>

#include "engine/tag_fill.h"
#include "text/encoding.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

// The value in decimal with at least `width` digits, zeros in front.
std::string Digits(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

enum class TField {
  kYear4,
  kMonth2,
  kDay2,
  kHour2,
  kMinute2,
  kSecond2,
  kYear2,
  kMonth,
  kDay,
  kHour,
  kMinute,
  kSecond,
  kDay3,
  kDay4,
  kMonth3,
  kMonth4
};

struct TDateTag {
  const char* tag;
  TField field;
};

// In the order in which they are replaced.
constexpr TDateTag kDateTags[] = {
    {"{$Year4}", TField::kYear4},     {"{$Month2}", TField::kMonth2},
    {"{$Day2}", TField::kDay2},       {"{$Hour2}", TField::kHour2},
    {"{$Minute2}", TField::kMinute2}, {"{$Second2}", TField::kSecond2},
    {"{$Year2}", TField::kYear2},     {"{$Month}", TField::kMonth},
    {"{$Day}", TField::kDay},         {"{$Hour}", TField::kHour},
    {"{$Minute}", TField::kMinute},   {"{$Second}", TField::kSecond},
    {"{$Day3}", TField::kDay3},       {"{$Day4}", TField::kDay4},
    {"{$Month3}", TField::kMonth3},   {"{$Month4}", TField::kMonth4},
};

std::string FieldValue(TField field, const std::tm& t, const TClock& clock) {
  switch (field) {
    case TField::kYear4:
      return Digits(t.tm_year + 1900, 4);
    case TField::kMonth2:
      return Digits(t.tm_mon + 1, 2);
    case TField::kDay2:
      return Digits(t.tm_mday, 2);
    case TField::kHour2:
      return Digits(t.tm_hour, 2);
    case TField::kMinute2:
      return Digits(t.tm_min, 2);
    case TField::kSecond2:
      return Digits(t.tm_sec, 2);
    case TField::kYear2:
      return Digits((t.tm_year + 1900) % 100, 2);
    case TField::kMonth:
      return Digits(t.tm_mon + 1, 1);
    case TField::kDay:
      return Digits(t.tm_mday, 1);
    case TField::kHour:
      return Digits(t.tm_hour, 1);
    case TField::kMinute:
      return Digits(t.tm_min, 1);
    case TField::kSecond:
      return Digits(t.tm_sec, 1);
    case TField::kDay3:
      return clock.DayName(t.tm_wday, false);
    case TField::kDay4:
      return clock.DayName(t.tm_wday, true);
    case TField::kMonth3:
      return clock.MonthName(t.tm_mon, false);
    case TField::kMonth4:
      return clock.MonthName(t.tm_mon, true);
  }
  return {};
}

}  // namespace

void ReplaceDateTags(std::string& text, const TClock& clock, TEncoding encoding) {
  // Nothing to do without a tag opener: saves sixteen scans of a page without date tags.
  if (text.find("{$") == std::string::npos) return;
  std::vector<TFillLine> lines;
  for (const TDateTag& date_tag : kDateTags) {
    const std::string_view tag = date_tag.tag;
    lines.push_back(
        {std::string(tag.substr(2, tag.size() - 3)),
         ConvertText(FieldValue(date_tag.field, clock.Now(), clock), TEncoding::kCp932, encoding),
         0,
         {}});
  }
  if (WorthOnePass(lines.size(), text.size()) &&
      FillTagsInOnePass(
          text, lines, std::string::npos, [](const TFillLine&) {}, encoding)) {
    return;
  }
  for (const TFillLine& line : lines) {
    ReplaceEvery(text, "{$" + line.name + "}", line.value, std::string::npos, encoding);
  }
}

std::vector<std::string_view> DateTagNames() {
  std::vector<std::string_view> names;
  for (const TDateTag& date_tag : kDateTags) names.push_back(date_tag.tag);
  return names;
}

}  // namespace zorvik
