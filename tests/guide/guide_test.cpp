// The guide against the program: its examples make exactly the pages it shows, it has an entry
// for every name a user meets, and it builds without a warning.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "batch/batch_messages.h"
#include "engine/date_tags.h"
#include "engine/messages.h"
#include "engine/system_commands.h"
#include "support/run_process.h"
#include "text/encoding.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;
const fs::path kGuide = fs::path(ZORVIK_SOURCE_DIR) / "docs/guide";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

// Every page source of the guide, CP932, one after the other.
std::string GuideText() {
  std::string text;
  for (const auto& entry : fs::directory_iterator(kGuide / "pages")) text += ReadFile(entry.path());
  return text;
}

testing::ProcessResult Zorvik(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {ZORVIK_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return testing::RunProcess(argv, "");
}

// Each example is a real page source: what zorvik makes of it (and logs, where the guide shows
// the log) is what the guide shows.
TEST(GuideTest, EveryExampleMakesWhatTheGuideShows) {
  ::setenv("SOURCE_DATE_EPOCH", "1796634330", 1);  // 2026-12-07 09:05:30 UTC, as the guide says
  ::setenv("TZ", "UTC", 1);
  ::setenv("LC_ALL", "C", 1);
  int examples = 0;
  for (const auto& entry : fs::directory_iterator(kGuide / "examples")) {
    const fs::path dir = entry.path();
    SCOPED_TRACE(dir.filename().string());
    const auto run = Zorvik({"show", (dir / "page.dat").string()});
    EXPECT_EQ(run.out, ReadFile(dir / "expected.html"));
    if (fs::exists(dir / "expected.log")) {
      EXPECT_EQ(run.err, WithoutCr(Cp932ToUtf8(ReadFile(dir / "expected.log"))));
    } else {
      EXPECT_EQ(run.status, 0) << run.err;
    }
    ++examples;
  }
  EXPECT_GE(examples, 10);
}

// The number of texts a messages header declares, so that a new one cannot miss the list below.
int DeclaredTexts(const char* header) {
  const std::string text = ReadFile(fs::path(ZORVIK_SOURCE_DIR) / "src" / header);
  int count = 0;
  for (std::size_t at = 0;
       (at = text.find("inline constexpr std::string_view", at)) != std::string::npos; ++at) {
    ++count;
  }
  return count;
}

bool Has(const std::string& guide, std::string_view term) {
  return guide.find(term) != std::string::npos;
}

// A log message, an "@" command, a date tag, a path macro, a verb or an option that the guide
// does not explain fails here.
TEST(GuideTest, EveryNameAUserMeetsHasAnEntry) {
  namespace msg = engine_message;
  const std::string guide = GuideText();
  const std::string_view engine_messages[] = {msg::kErrorPrefix,
                                              msg::kWarningPrefix,
                                              msg::kSyntaxError,
                                              msg::kBlockNotClosed,
                                              msg::kImportMissing,
                                              msg::kTemplateMissing,
                                              msg::kTemplateUnreadable,
                                              msg::kImportUnreadable,
                                              msg::kTemplateOverwrite,
                                              msg::kLoopCountInvalid,
                                              msg::kLoopTagMissing,
                                              msg::kLoopTooLarge,
                                              msg::kValueTooLarge,
                                              msg::kCsvCounterInvalid,
                                              msg::kItemModeInvalid,
                                              msg::kHtmlModeInvalid,
                                              msg::kPreviewCssMissing,
                                              msg::kUndefinedCommand,
                                              msg::kUnfilledTags,
                                              msg::kRunStart,
                                              msg::kWarningCountLabel,
                                              msg::kErrorCountLabel,
                                              msg::kRunEnd,
                                              msg::kNoWriteFolder,
                                              msg::kNoWriteFile,
                                              msg::kHtmlSaved,
                                              msg::kHtmlSaveFailed,
                                              msg::kHtmlWriteDone,
                                              msg::kCharacterReference,
                                              msg::kNotACharacter,
                                              msg::kReadAsUtf8,
                                              msg::kReadAsShiftJis,
                                              msg::kUtf8Characters,
                                              msg::kStrayBytes,
                                              msg::kCountEnd,
                                              msg::kStrayUtf8,
                                              msg::kNotTheDeclaredCharset};
  const std::string_view batch_messages[] = {
      batch_message::kFileMissing, batch_message::kFileUnreadable, batch_message::kStopped};
  EXPECT_EQ(std::size(engine_messages), DeclaredTexts("engine/messages.h"));
  EXPECT_EQ(std::size(batch_messages), DeclaredTexts("batch/batch_messages.h"));
  for (std::string_view message : engine_messages) {
    if (message.ends_with('(')) message.remove_suffix(1);
    EXPECT_TRUE(Has(guide, message)) << Cp932ToUtf8(message);
  }
  for (std::string_view message : batch_messages) {
    EXPECT_TRUE(Has(guide, message)) << Cp932ToUtf8(message);
  }

  // Commands as the user writes them: "@Template"; the guide spells them so, any case.
  std::string lower_guide = guide;
  for (char& c : lower_guide) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view command : SystemCommandNames()) {
    EXPECT_TRUE(Has(lower_guide, "@" + std::string(command))) << command;
  }
  // Tags and macros are escaped in the guide's text, so that its own run leaves them alone.
  std::vector<std::string_view> tags = DateTagNames();
  for (std::string_view macro : PathMacroNames()) tags.push_back(macro);
  for (std::string_view tag : tags) {
    EXPECT_TRUE(Has(guide, "&#123;" + std::string(tag.substr(1)))) << tag;
  }

  // Every verb that `zorvik --help` lists, and every option of its own help; the verb in the
  // manual page's synopsis and in the shell's completion too.
  const std::string help = Zorvik({"--help"}).out;
  const std::string manual = ReadFile(fs::path(ZORVIK_SOURCE_DIR) / "data/man/zorvik.1");
  const std::string completion =
      ReadFile(fs::path(ZORVIK_SOURCE_DIR) / "data/zorvik.bash-completion");
  const std::regex verb_line(R"(\n  ([a-z]+) )");
  int verbs = 0;
  for (std::sregex_iterator it(help.begin(), help.end(), verb_line), end; it != end; ++it) {
    const std::string verb = (*it)[1];
    EXPECT_TRUE(Has(guide, "zorvik " + verb)) << verb;
    EXPECT_TRUE(Has(manual, "\n.B zorvik " + verb + "\n")) << verb << " in zorvik(1)";
    EXPECT_TRUE(std::regex_search(completion, std::regex("compgen -W \"[^\"]*\\b" + verb + "\\b")))
        << verb << " in the completion";
    const std::string verb_help = Zorvik({verb, "--help"}).out;
    const std::regex option(R"(--[a-z][a-z-]+)");
    for (std::sregex_iterator o(verb_help.begin(), verb_help.end(), option), none; o != none; ++o) {
      EXPECT_TRUE(Has(guide, o->str())) << verb << " " << o->str();
    }
    ++verbs;
  }
  EXPECT_GE(verbs, 7);
  for (const char* option : {"--help", "--version", "SOURCE_DATE_EPOCH"}) {
    EXPECT_TRUE(Has(guide, option)) << option;
  }
}

// The build made every page of the group, and the run logged no warning and no error.
TEST(GuideTest, TheGuideBuildsWithoutAWarning) {
  const fs::path built = ZORVIK_BUILT_GUIDE;
  const std::string log = ReadFile(built / "build.log");
  EXPECT_EQ(log.find("(警　告)"), std::string::npos) << log;
  EXPECT_EQ(log.find("(エラー)"), std::string::npos) << log;
  for (const auto& entry : fs::directory_iterator(kGuide / "pages")) {
    if (entry.path().filename() == "examples.dat") continue;
    fs::path page = built / "html" / entry.path().filename();
    page.replace_extension(".html");
    EXPECT_TRUE(fs::is_regular_file(page)) << page;
  }
}

}  // namespace
}  // namespace zorvik
