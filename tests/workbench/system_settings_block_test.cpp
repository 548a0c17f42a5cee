#include "workbench/system_settings_block.h"

#include <gtest/gtest.h>

#include "support/sjis.h"

namespace zorvik {
namespace {

const std::string kRule = "//" + std::string(49, '-');

TEST(SystemSettingsBlockTest, EmptyFieldsGiveCommandsWithoutValues) {
  EXPECT_EQ(testing::Utf8(ComposeSystemSettingsBlock({}, "/opt/zorvik/")),
            kRule + "\r\n// システム設定\r\n" + kRule +
                "\r\n@Template \r\n@WriteFile \r\n@PreviewCSS \r\n@ItemCRLFMode None\r\n"
                "@HTMLCRLFMode No\r\n\r\n");
}

TEST(SystemSettingsBlockTest, PathsAreTrimmedAndTheProgramFolderBecomesAMacro) {
  TSystemSettingsFields fields;
  fields.template_file = testing::Sjis("　/OPT/Zorvik/Templates/a.tmpl ");
  fields.write_file = "/home/u/site/index.html";
  fields.preview_css = "/opt/zorvik/css/p.css";
  fields.item_crlf_tag = true;
  fields.html_crlf_yes = true;
  const std::string block = ComposeSystemSettingsBlock(fields, "/opt/zorvik/");
  EXPECT_NE(block.find("\r\n@Template {$RunningFolder}Templates/a.tmpl\r\n"), std::string::npos);
  EXPECT_NE(block.find("\r\n@WriteFile /home/u/site/index.html\r\n"), std::string::npos);
  EXPECT_NE(block.find("\r\n@PreviewCSS {$RunningFolder}css/p.css\r\n"), std::string::npos);
  EXPECT_NE(block.find("\r\n@ItemCRLFMode Tag\r\n@HTMLCRLFMode Yes\r\n\r\n"), std::string::npos);
}

}  // namespace
}  // namespace zorvik
