#include "workbench/workspace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace zorvik {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(WorkspaceTest, MadeOnceWithAStarterTemplateAndTheExampleSite) {
  const fs::path dir =
      fs::temp_directory_path() / ("zorvik-workspace-" + std::to_string(::getpid()));
  fs::create_directories(dir / "example-source/pages");
  std::ofstream(dir / "example-source/site.gro") << "{$GRODataFolder}pages/index.dat\r\n";
  const std::string folder = (dir / "home/Zorvik/").string();
  ASSERT_EQ(MakeWorkspace(folder, (dir / "example-source").string()), TWorkspace::kMade);
  EXPECT_EQ(Read(folder + "Templates/page.tmpl"), kStarterTemplate);
  EXPECT_TRUE(fs::is_regular_file(folder + "example/site.gro"));
  // A folder that exists is the user's: left as it is.
  std::ofstream(folder + "Templates/page.tmpl") << "mine";
  EXPECT_EQ(MakeWorkspace(folder, (dir / "example-source").string()), TWorkspace::kThere);
  EXPECT_EQ(Read(folder + "Templates/page.tmpl"), "mine");
  // Without an example site, the templates still; a folder that cannot be made is said.
  EXPECT_EQ(MakeWorkspace((dir / "other/").string(), (dir / "missing").string()),
            TWorkspace::kMade);
  EXPECT_TRUE(fs::is_regular_file(dir / "other/Templates/page.tmpl"));
  std::ofstream(dir / "file") << "x";
  EXPECT_EQ(MakeWorkspace((dir / "file/Zorvik/").string(), ""), TWorkspace::kFailed);
  EXPECT_EQ(MakeWorkspace("", ""), TWorkspace::kFailed);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zorvik
