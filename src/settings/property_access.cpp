#include "settings/property_access.h"

#include <cstdio>
#include <cstdlib>

namespace zorvik {

std::string GetPropText(const TPropertyHost& host, std::string_view property) {
  const std::optional<TPropValue> value = host.GetProperty(property);
  if (!value) return {};
  switch (value->kind) {
    case TPropKind::kInteger: return std::to_string(value->integer);
    case TPropKind::kEnumeration:
    case TPropKind::kString: return value->text;
    case TPropKind::kFloat: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.15g", value->real);
      return buffer;
    }
    case TPropKind::kStrings: {
      std::string text;
      for (const std::string& line : value->lines) text.append(line).append("\r\n");
      return text;
    }
    case TPropKind::kOther: break;
  }
  return {};
}

void SetPropText(TPropertyHost& host, std::string_view property, std::string_view text) {
  std::optional<TPropValue> value = host.GetProperty(property);
  if (!value) return;
  const std::string copy(text);
  char* end = nullptr;
  switch (value->kind) {
    case TPropKind::kInteger: {
      const long long number = std::strtoll(copy.c_str(), &end, 10);
      value->integer = (copy.empty() || *end != '\0') ? 0 : number;
      break;
    }
    case TPropKind::kFloat: {
      const double number = std::strtod(copy.c_str(), &end);
      value->real = (copy.empty() || *end != '\0') ? 0 : number;
      break;
    }
    case TPropKind::kEnumeration:
    case TPropKind::kString: value->text = copy; break;
    case TPropKind::kStrings: {
      value->lines.clear();
      std::size_t from = 0;
      while (from < copy.size()) {
        std::size_t end_of_line = copy.find_first_of("\r\n", from);
        if (end_of_line == std::string::npos) end_of_line = copy.size();
        value->lines.push_back(copy.substr(from, end_of_line - from));
        from = end_of_line;
        if (from < copy.size() && copy[from] == '\r') ++from;
        if (from < copy.size() && copy[from] == '\n') ++from;
      }
      break;
    }
    case TPropKind::kOther: return;
  }
  host.SetProperty(property, *value);
}

}  // namespace zorvik
