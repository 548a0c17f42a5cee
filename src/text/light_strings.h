// A growable list of lines with name/value access, the separator given at creation ("=" in the
// settings file).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

class TLightStrings {
 public:
  explicit TLightStrings(std::string separator);
  virtual ~TLightStrings() = default;

  int Add(std::string line);
  // Get, Put and Delete throw std::out_of_range for an index outside 0..Count()-1.
  const std::string& Get(int index) const;
  void Put(int index, std::string line);
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  const std::string& Separator() const { return separator_; }

  // Index of the first line whose name (the part before the first separator) equals name,
  // ASCII letters compared without case; -1 when there is none.
  int IndexOfName(std::string_view name) const;
  std::string ValueOf(std::string_view name) const;
  // Sets name's value (CR LF pairs removed), replacing its line or adding one at the end.
  void SetValue(std::string_view name, std::string_view value);

  // Every line followed by CR LF.
  virtual std::string GetText() const;
  // Replaces the list by the lines of text; an empty text gives one empty line.
  virtual void SetText(std::string_view text);

 protected:
  [[noreturn]] virtual void RaiseIndexError() const;

 private:
  void CheckIndex(int index) const;

  std::vector<std::string> items_;
  int capacity_ = 0;
  std::string separator_;
};

}  // namespace zorvik
