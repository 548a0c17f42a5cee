// Reading and writing a named property of a control as text, the way the settings store keeps
// it. A control exposes its properties through TPropertyHost (the workbench implements it on
// Qt's property system); the text rules are the core's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

enum class TPropKind { kInteger, kEnumeration, kFloat, kString, kStrings, kOther };

struct TPropValue {
  TPropKind kind = TPropKind::kOther;
  long long integer = 0;
  double real = 0;
  std::string text;                // a string, or the identifier of an enumeration value
  std::vector<std::string> lines;  // a string list
};

class TPropertyHost {
 public:
  virtual ~TPropertyHost() = default;
  virtual std::string Name() const = 0;
  // The property's current value, nothing when there is no such property.
  virtual std::optional<TPropValue> GetProperty(std::string_view property) const = 0;
  // Sets the property; false when it could not be set (the property stays as it was).
  virtual bool SetProperty(std::string_view property, const TPropValue& value) = 0;
};

// The property as text: an integer in decimal, an enumeration by its identifier, a float in
// the default conversion, a string itself, a string list as its lines each followed by CR LF;
// empty for other kinds or a missing property.
std::string GetPropText(const TPropertyHost& host, std::string_view property);

// Sets the property from text by the same rules (0 for a number that does not convert).
void SetPropText(TPropertyHost& host, std::string_view property, std::string_view text);

}  // namespace zorvik
