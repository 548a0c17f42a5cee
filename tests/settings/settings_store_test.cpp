#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "support/sjis.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;

// A window for the bounds tests.
class TFakeForm : public TBoundsTarget {
 public:
  explicit TFakeForm(std::string name) : name_(std::move(name)) {}
  std::string FormName() const override { return name_; }
  TBounds NormalBounds() const override { return bounds; }
  void SetBounds(const TBounds& b) override { bounds = b; }
  TBounds bounds{10, 20, 300, 400};

 private:
  std::string name_;
};

// A control with a text property.
class TFakeBox : public TPropertyHost {
 public:
  std::string Name() const override { return "cbUserTags"; }
  std::optional<TPropValue> GetProperty(std::string_view property) const override {
    if (property != "text") return std::nullopt;
    TPropValue value;
    value.kind = TPropKind::kString;
    value.text = text;
    return value;
  }
  bool SetProperty(std::string_view property, const TPropValue& value) override {
    if (property != "text") return false;
    text = value.text;
    return true;
  }
  std::string text;
};

class ZQIniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zorvik-ini-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path() const { return (dir_ / "zorvik-workbench.ini").string(); }
  fs::path dir_;
};

TEST_F(ZQIniFileTest, SavesThreeSectionsAndLoadsThemBack) {
  TFakeBox box;
  box.text = "Group A";
  TZQIniFile ini(Path(), "/opt/zorvik");
  EXPECT_EQ(ini.RegisterComponent(box, "text", 0, ""), 0);
  EXPECT_FALSE(ini.Load());
  ini.WriteString("Form1.Pos", "1\t2\t3\t4");
  ini.WriteString("_USERTAGS_", "line one\r\nline two\r\n");
  ASSERT_TRUE(ini.Save());

  std::ifstream in(Path(), std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(file,
            "Form1.Pos=1\t2\t3\t4\t#_ZQDivKeyValues_#\t<!--_USERTAGS_\t_ZQTags_\t-->line one\r\n"
            "line two\r\n<!--/_USERTAGS_\t_ZQTags_\t-->\t#_ZQDivMultiLine_#\t"
            "<!--cbUserTags.text\t_Props_\t-->Group A<!--/cbUserTags.text\t_Props_\t-->"
            "\t#_ZQDivComponent_#\t\r\n");

  TFakeBox restored;
  TZQIniFile again(Path(), "/opt/zorvik");
  again.RegisterComponent(restored, "text", 0, "");
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.ReadString("form1.pos"), "1\t2\t3\t4");
  EXPECT_EQ(again.ReadString("_USERTAGS_"), "line one\r\nline two");
  EXPECT_EQ(restored.text, "Group A");
  EXPECT_EQ(again.ReadString("missing"), "");
}

TEST_F(ZQIniFileTest, WritingMovesAKeyToTheEnd) {
  TZQIniFile ini(Path(), "");
  ini.WriteString("a", "1");
  ini.WriteString("b", "2");
  ini.WriteString("A", "3");
  ini.WriteString("empty", "");
  EXPECT_EQ(ini.KeyValues().GetText(), "b=2\r\nA=3\r\nempty=\r\n");
  EXPECT_EQ(ini.ReadString("a"), "3");
  EXPECT_EQ(ini.ReadString("EMPTY"), "");
  // A multi-line value replaces its block; a single-line write leaves the old block in place
  // but is read first.
  ini.WriteString("m", "x\r\ny");
  ini.WriteString("m", "p\r\nq");
  EXPECT_EQ(ini.MultiLineSection(), "<!--m\t_ZQTags_\t-->p\r\nq<!--/m\t_ZQTags_\t-->");
  ini.WriteString("m", "single");
  EXPECT_EQ(ini.ReadString("m"), "single");
  EXPECT_NE(ini.MultiLineSection().find("p\r\nq"), std::string::npos);
}

TEST_F(ZQIniFileTest, DamagedTextsLoadAsFarAsTheyCan) {
  TFakeBox box;
  TZQIniFile ini(Path(), "");
  ini.RegisterComponent(box, "text", 0, "");
  ini.LoadFromText("no markers at all\r\nkey=value");
  EXPECT_EQ(ini.KeyValues().Count(), 0);
  EXPECT_EQ(ini.MultiLineSection(), "");
  // Markers out of order: the key/value marker is found, the multi-line one is not after it.
  ini.LoadFromText(std::string("\t#_ZQDivMultiLine_#\tk=v\t#_ZQDivKeyValues_#\t") +
                   "<!--cbUserTags.text\t_Props_\t-->X<!--/cbUserTags.text\t_Props_\t-->");
  EXPECT_EQ(ini.ReadString("k"), "");
  EXPECT_EQ(box.text, "");  // no component marker: no component values
  // Component blocks are looked for in the whole text before the last marker.
  ini.LoadFromText(
      "<!--cbUserTags.text\t_Props_\t-->Y<!--/cbUserTags.text\t_Props_\t-->"
      "\t#_ZQDivKeyValues_#\t\t#_ZQDivMultiLine_#\t\t#_ZQDivComponent_#\t");
  EXPECT_EQ(box.text, "Y");
  ini.LoadFromText(std::string("a=1\0garbage\xff\x81", 14) + "\t#_ZQDivKeyValues_#\t");
  EXPECT_EQ(ini.ReadString("a"), "1");
  ini.LoadFromText("#FileLoadError#");
  EXPECT_EQ(ini.KeyValues().Count(), 0);
}

TEST_F(ZQIniFileTest, FormBounds) {
  TZQIniFile ini(Path(), "");
  TFakeForm form("Form1");
  form.bounds = {5, 6, 700, 500};
  ini.SaveFormBounds(form);
  EXPECT_EQ(ini.ReadString("Form1.Pos"), "5\t6\t700\t500");
  TFakeForm restored("Form1");
  ini.RestoreFormBounds(restored, false);
  EXPECT_EQ(restored.bounds.width, 700);
  EXPECT_EQ(restored.bounds.top, 6);
  TFakeForm kept("Form1");
  ini.RestoreFormBounds(kept, true);  // position only
  EXPECT_EQ(kept.bounds.left, 5);
  EXPECT_EQ(kept.bounds.width, 300);
  ini.WriteString("Form2.Pos", "40\t50");
  TFakeForm partial("Form2");
  ini.RestoreFormBounds(partial, false);
  EXPECT_EQ(partial.bounds.left, 40);
  EXPECT_EQ(partial.bounds.height, 400);
  ini.WriteString("Form3.Pos", "x\t\t-7\t9");
  TFakeForm bad("Form3");
  ini.RestoreFormBounds(bad, false);
  EXPECT_EQ(bad.bounds.left, 10);
  EXPECT_EQ(bad.bounds.top, 20);
  EXPECT_EQ(bad.bounds.width, -7);
  TFakeForm none("Form9");
  ini.RestoreFormBounds(none, false);
  EXPECT_EQ(none.bounds.width, 300);
}

TEST_F(ZQIniFileTest, SettingsFileBesideTheProgramOrInTheConfigFolder) {
  EXPECT_EQ(SettingsFilePath((dir_ / "zorvik-workbench").string()),
            (dir_ / "zorvik-workbench").string() + ".ini");
  EXPECT_EQ(SettingsFilePathFor("/usr/bin/zorvik-workbench", false, "/x/config", "/home/u"),
            "/x/config/zorvik/zorvik-workbench.ini");
  EXPECT_EQ(SettingsFilePathFor("/usr/bin/zorvik-workbench", false, nullptr, "/home/u"),
            "/home/u/.config/zorvik/zorvik-workbench.ini");
  EXPECT_EQ(SettingsFilePathFor("/usr/bin/zorvik-workbench", false, "relative", "/home/u"),
            "/home/u/.config/zorvik/zorvik-workbench.ini");
  // Saving creates the configuration folder.
  TZQIniFile ini((dir_ / "config/zorvik/w.ini").string(), "");
  ini.WriteString("k", "v");
  EXPECT_TRUE(ini.Save());
  EXPECT_TRUE(fs::exists(dir_ / "config/zorvik/w.ini"));
}

TEST_F(ZQIniFileTest, AValueWrittenIntoADamagedFileReadsBack) {
  // Marks without partners, and a lone lead byte that would take the new block's "<".
  const std::string damaged[] = {
      "\t#_ZQDivKeyValues_#\t<!--_USERTAGS_\t_ZQTags_\t-->x<!--/"
      "_USERTAGS_\t_ZQT\t#_ZQDivMultiLine_#\t",
      "\t#_ZQDivKeyValues_#\tz<!--/_USERTAGS_\t_ZQTags_\t-->\t#_ZQDivMultiLine_#\t",
      "\t#_ZQDivKeyValues_#\tab\x86\t#_ZQDivMultiLine_#\t",
      // Erasing the stray end mark joins its neighbours into a start mark.
      "\t#_ZQDivKeyValues_#\t<!--_U<!--/"
      "_USERTAGS_\t_ZQTags_\t-->SERTAGS_\t_ZQTags_\t-->x\t#_ZQDivMultiLine_#\t",
      // ... or into the section's own end, which would cut the section short.
      "\t#_ZQDivKeyValues_#\tb\t#_ZQDivMultiLine_#<!--/"
      "_USERTAGS_\t_ZQTags_\t-->\tc\t#_ZQDivMultiLine_#\t",
      // The key twice among the one-line values.
      "_USERTAGS_=x\r\n_USERTAGS_=y\t#_ZQDivKeyValues_#\t\t#_ZQDivMultiLine_#\t",
  };
  for (const std::string& text : damaged) {
    TZQIniFile ini("", "");
    ini.LoadFromText(text);
    ini.WriteString("_USERTAGS_", "a\r\nb");
    TZQIniFile again("", "");
    again.LoadFromText(ini.SaveToText());
    EXPECT_EQ(again.ReadString("_USERTAGS_"), "a\r\nb") << text;
  }
}

TEST_F(ZQIniFileTest, ASettingsFileNobodyElseCanRedirect) {
  // A program folder that others may write is not used, and a link planted in place of the
  // settings file is replaced, never followed: the file it names stays untouched.
  const fs::path shared = dir_ / "shared";
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms::all);
  EXPECT_FALSE(FolderIsPrivate(shared.string()));
  EXPECT_EQ(SettingsFilePathFor((shared / "zorvik-workbench").string(),
                                FolderIsPrivate(shared.string()), nullptr, dir_.c_str()),
            (dir_ / ".config/zorvik/zorvik-workbench.ini").string());
  EXPECT_EQ(SettingsFilePathFor("/opt/zorvik-workbench", false, nullptr, nullptr), "");
  // An installed program keeps its settings in the home folder, also when run by root.
  EXPECT_TRUE(IsSystemProgramFolder("/usr/bin/"));
  EXPECT_TRUE(IsSystemProgramFolder("/usr/local/bin/"));
  EXPECT_FALSE(IsSystemProgramFolder("/home/u/zorvik/build/"));
  EXPECT_FALSE(IsSystemProgramFolder("/usrx/"));

  std::ofstream(dir_ / "victim", std::ios::binary) << "root's own";
  fs::create_directories(dir_ / ".config/zorvik");
  fs::create_symlink(dir_ / "victim", dir_ / ".config/zorvik/zorvik-workbench.ini");
  TZQIniFile ini((dir_ / ".config/zorvik/zorvik-workbench.ini").string(), "");
  ini.WriteString("k", "v");
  EXPECT_TRUE(ini.Save());
  std::ifstream victim(dir_ / "victim", std::ios::binary);
  std::string kept((std::istreambuf_iterator<char>(victim)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "root's own");
  EXPECT_FALSE(fs::is_symlink(dir_ / ".config/zorvik/zorvik-workbench.ini"));
}

TEST(CutBeforeTest, CutsAtTheFirstMarker) {
  std::string source = "abc|def|";
  EXPECT_EQ(CutBefore(source, "|"), "abc");
  EXPECT_EQ(source, "def|");
  source = "|x";
  EXPECT_EQ(CutBefore(source, "|"), "");
  EXPECT_EQ(source, "x");
  source = "none";
  EXPECT_EQ(CutBefore(source, "|"), "");
  EXPECT_EQ(source, "none");
}

}  // namespace
}  // namespace zorvik
