#include <gtest/gtest.h>

#include <csignal>

#include "support/run_process.h"
#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::RunProcess;
using testing::Sjis;

testing::ProcessResult Zorvik(std::vector<std::string> args, const std::string& input = {}) {
  args.insert(args.begin(), ZORVIK_BINARY);
  return RunProcess(args, input);
}

TEST(MatchVerbTest, PrintsPositionAndLengthOfTheFirstMatch) {
  auto r = Zorvik({"match", "{\\$[^}]*}"}, "a{$Title}b");
  EXPECT_EQ(r.out, "2 8\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");

  r = Zorvik({"match", Sjis("ア")}, Sjis("ャA"));
  EXPECT_EQ(r.out, "0 0\n");
  EXPECT_EQ(r.status, 1);

  r = Zorvik({"match", Sjis("表")}, Sjis("x表"));
  EXPECT_EQ(r.out, "2 2\n");

  // A NUL byte ends the subject.
  r = Zorvik({"match", "b"}, std::string("a\0b", 3));
  EXPECT_EQ(r.out, "0 0\n");
  EXPECT_EQ(r.status, 1);

  r = Zorvik({"match", "$"}, "");
  EXPECT_EQ(r.out, "1 0\n");
  EXPECT_EQ(r.status, 0);
}

TEST(MatchVerbTest, MalformedPatternPrintsTheMessageInUtf8) {
  auto r = Zorvik({"match", "a**"}, "aaa");
  EXPECT_EQ(r.err, "error at 4: 普通の文字、または左括弧\"(\"が必要です\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 2);
  r = Zorvik({"replace", "[z-a]", "x"}, "abc");
  EXPECT_EQ(r.err, "error at 5: 不正なキャラクタ範囲です\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 2);
}

TEST(ReplaceVerbTest, WritesTheSubjectAndTheCount) {
  auto r = Zorvik({"replace", "<[^>]*>", ""}, Sjis("<b>表</b> y\r\n"));
  EXPECT_EQ(r.out, Sjis("表 y\r\n"));
  EXPECT_EQ(r.err, "2\n");
  EXPECT_EQ(r.status, 0);

  r = Zorvik({"replace", "\r\n\r\n", "\r\n"}, "a\r\n\r\n\r\nb");
  EXPECT_EQ(r.out, "a\r\n\r\nb");
  EXPECT_EQ(r.err, "1\n");

  r = Zorvik({"replace", "x", "y"}, "abc");
  EXPECT_EQ(r.out, "abc");
  EXPECT_EQ(r.err, "0\n");
  EXPECT_EQ(r.status, 0);

  // Bytes after a NUL come through unchanged.
  r = Zorvik({"replace", "a", "&&"}, std::string("a\0a", 3));
  EXPECT_EQ(r.out, std::string("aa\0a", 4));
}

TEST(CommandTest, HelpVersionAndUsageErrors) {
  auto r = Zorvik({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("match PATTERN"), std::string::npos);
  EXPECT_NE(r.out.find("replace PATTERN REPLACEMENT"), std::string::npos);
  r = Zorvik({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("zorvik ", 0), 0u);
  EXPECT_EQ(Zorvik({}).status, 2);
  EXPECT_EQ(Zorvik({"frobnicate"}).status, 2);
  EXPECT_EQ(Zorvik({"match"}).status, 2);
  EXPECT_EQ(Zorvik({"replace", "a"}).status, 2);
  EXPECT_EQ(Zorvik({"match", "a", "b"}).status, 2);
}

}  // namespace
}  // namespace zorvik

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
