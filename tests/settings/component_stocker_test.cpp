#include "settings/component_stocker.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

namespace zorvik {
namespace {

namespace fs = std::filesystem;

// A control with properties of each kind.
class TFakeControl : public TPropertyHost {
 public:
  explicit TFakeControl(std::string name) : name_(std::move(name)) {
    values["text"] = {TPropKind::kString, 0, 0, "", {}};
    values["count"] = {TPropKind::kInteger, 0, 0, "", {}};
    values["ratio"] = {TPropKind::kFloat, 0, 0, "", {}};
    values["align"] = {TPropKind::kEnumeration, 0, 0, "alLeft", {}};
    values["lines"] = {TPropKind::kStrings, 0, 0, "", {}};
    values["font"] = {TPropKind::kOther, 0, 0, "", {}};
  }
  std::string Name() const override { return name_; }
  std::optional<TPropValue> GetProperty(std::string_view property) const override {
    auto it = values.find(std::string(property));
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  bool SetProperty(std::string_view property, const TPropValue& value) override {
    values[std::string(property)] = value;
    return true;
  }
  std::map<std::string, TPropValue> values;

 private:
  std::string name_;
};

TEST(PropertyTextTest, EachKindHasItsTextForm) {
  TFakeControl c("c");
  c.values["count"].integer = -42;
  c.values["ratio"].real = 1.5;
  c.values["lines"].lines = {"a", "b"};
  EXPECT_EQ(GetPropText(c, "count"), "-42");
  EXPECT_EQ(GetPropText(c, "ratio"), "1.5");
  EXPECT_EQ(GetPropText(c, "align"), "alLeft");
  EXPECT_EQ(GetPropText(c, "lines"), "a\r\nb\r\n");
  EXPECT_EQ(GetPropText(c, "font"), "");
  EXPECT_EQ(GetPropText(c, "missing"), "");
  SetPropText(c, "count", "12x");
  EXPECT_EQ(c.values["count"].integer, 0);
  SetPropText(c, "count", "12");
  EXPECT_EQ(c.values["count"].integer, 12);
  SetPropText(c, "ratio", "2.25");
  EXPECT_EQ(c.values["ratio"].real, 2.25);
  SetPropText(c, "lines", "x\r\ny\r\n");
  EXPECT_EQ(c.values["lines"].lines, (std::vector<std::string>{"x", "y"}));
  SetPropText(c, "missing", "v");
  EXPECT_FALSE(c.values.count("missing"));
  // Text that is not a number in the property's range gives 0.
  for (const char* text :
       {"2147483648", "-2147483649", "99999999999999999999", " 5", "0x10", "+"}) {
    c.values["count"].integer = 7;
    SetPropText(c, "count", text);
    EXPECT_EQ(c.values["count"].integer, 0) << text;
  }
  SetPropText(c, "count", "-2147483648");
  EXPECT_EQ(c.values["count"].integer, -2147483648LL);
  for (const char* text : {"inf", "-INF", "nan", "0x1p3", "1e999", ".5"}) {
    c.values["ratio"].real = 7;
    SetPropText(c, "ratio", text);
    EXPECT_EQ(c.values["ratio"].real, 0) << text;
  }
  SetPropText(c, "ratio", "-1.5e2");
  EXPECT_EQ(c.values["ratio"].real, -150);
}

TEST(ComponentStockerTest, DefaultKeysAndKinds) {
  const fs::path dir = fs::temp_directory_path() / ("zorvik-stock-" + std::to_string(::getpid()));
  TZQComponentStocker stocker("/opt/zorvik", dir.string() + "/");
  EXPECT_TRUE(fs::is_directory(dir));
  TFakeControl c("edPath");
  EXPECT_EQ(stocker.Register(c, "text", "", skPlain, ""), 0);
  EXPECT_EQ(stocker.Register(c, "text", "", skScrambled, "secret"), 1);
  EXPECT_EQ(stocker.Register(c, "text", "", skFolderRelative, "folder"), 2);
  EXPECT_EQ(stocker.Register(c, "lines", "", skOwnFile, ""), 3);
  EXPECT_EQ(stocker.Register(c, "text", "item", skPlain, ""), 4);
  EXPECT_EQ(stocker.Entries()[0]->StoreKey, "edPath.text");
  EXPECT_EQ(stocker.Entries()[3]->StoreKey, "edPath-lines.prop");
  EXPECT_EQ(stocker.Entries()[4]->StoreKey, "edPath.text[item]");
  EXPECT_EQ(stocker.Entries()[1]->ScrambleKey, "pmxdrwfoltcaubv#");

  c.values["text"].text = "/opt/zorvik/pages/a.dat";
  c.values["lines"].lines = {"one", "two"};
  EXPECT_EQ(stocker.GetStoredValue(2), "\t{$RunningFolder}\t/pages/a.dat");
  const std::string scrambled = stocker.GetStoredValue(1);
  EXPECT_EQ(scrambled.size(), 1 + 4 * c.values["text"].text.size());
  const std::string text = stocker.SaveToText();
  EXPECT_NE(
      text.find(
          "<!--edPath.text\t_Props_\t-->/opt/zorvik/pages/a.dat<!--/edPath.text\t_Props_\t-->\r\n"),
      std::string::npos);
  EXPECT_EQ(text.find("edPath-lines.prop"), std::string::npos);  // kept in its own file
  EXPECT_TRUE(fs::exists(dir / "edPath-lines.prop"));

  TFakeControl d("edPath");
  TZQComponentStocker reader("/srv/zorvik", dir.string() + "/");
  reader.Register(d, "text", "", skScrambled, "secret");
  reader.Register(d, "lines", "", skOwnFile, "");
  reader.LoadFromText(text);
  EXPECT_EQ(d.values["text"].text, "/opt/zorvik/pages/a.dat");
  EXPECT_EQ(d.values["lines"].lines, (std::vector<std::string>{"one", "two"}));

  TFakeControl e("edPath");
  TZQComponentStocker moved("/srv/zorvik", dir.string() + "/");
  moved.Register(e, "text", "", skFolderRelative, "folder");
  moved.LoadFromText(text);
  EXPECT_EQ(e.values["text"].text, "/srv/zorvik/pages/a.dat");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zorvik
