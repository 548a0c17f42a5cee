#include "text/light_strings.h"

#include <stdexcept>

#include "text/char_functions.h"

namespace zorvik {

TLightStrings::TLightStrings(std::string separator) : separator_(std::move(separator)) {}

int TLightStrings::Add(std::string line) {
  // The capacity shown grows 32 lines at a time; the storage beneath it grows by doubling,
  // so that a long list loads in linear time.
  if (Count() == capacity_) capacity_ += 32;
  items_.push_back(std::move(line));
  return Count() - 1;
}

const std::string& TLightStrings::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)];
}

void TLightStrings::Put(int index, std::string line) {
  CheckIndex(index);
  items_[static_cast<std::size_t>(index)] = std::move(line);
}

void TLightStrings::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

void TLightStrings::Clear() {
  items_.clear();
  capacity_ = 0;
}

int TLightStrings::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& line = items_[static_cast<std::size_t>(i)];
    // The settings file's lines are CP932, the system's own encoding.
    const std::size_t at = FindAtCharStart(line, separator_, TEncoding::kCp932);
    if (at != std::string::npos &&
        SameTextIgnoringCase(std::string_view(line).substr(0, at), name)) {
      return i;
    }
  }
  return -1;
}

std::string TLightStrings::ValueOf(std::string_view name) const {
  const int index = IndexOfName(name);
  if (index < 0) return {};
  const std::string& line = items_[static_cast<std::size_t>(index)];
  const std::size_t from = name.size() + separator_.size();
  return from < line.size() ? line.substr(from) : std::string();
}

void TLightStrings::SetValue(std::string_view name, std::string_view value) {
  std::string line(name);
  line += separator_;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
      ++i;
    } else {
      line += value[i];
    }
  }
  const int index = IndexOfName(name);
  if (index >= 0) {
    Put(index, std::move(line));
  } else {
    Add(std::move(line));
  }
}

std::string TLightStrings::GetText() const {
  std::string text;
  for (const std::string& line : items_) text.append(line).append("\r\n");
  return text;
}

void TLightStrings::SetText(std::string_view text) {
  Clear();
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t i = 0;
  do {
    const std::size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      Add(std::string(text.substr(i)));
      break;
    }
    Add(std::string(text.substr(i, end - i)));
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  } while (i < text.size());
}

void TLightStrings::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseIndexError();
}

void TLightStrings::RaiseIndexError() const {
  // インデックスがリストの範囲を超えています
  throw std::out_of_range(
      "\x83"
      "C\x83\x93\x83"
      "f\x83"
      "b\x83N\x83X\x82\xAA\x83\x8A\x83X\x83g\x82\xCC\x94\xCD\x88\xCD\x82\xF0\x92\xB4\x82\xA6\x82"
      "\xC4\x82\xA2\x82\xDC\x82\xB7");
}

}  // namespace zorvik
