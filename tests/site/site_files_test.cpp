// The listing of a site's files, which decides what a publish removes from the server: whole, or
// a failure that names where and why; never a list with a part missing.
#include "site/site_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/deep_folder.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace zorvik {
namespace {

namespace fs = std::filesystem;

TEST(SiteFilesTest, AWalkThatFailsAnywhereListsNothing) {
  const struct {
    const char* name;
    void (*make)(const fs::path& site);
    bool as_ordinary_user;
    const char* reason;  // in the error; nullptr: the listing succeeds
  } cases[] = {
      {"a whole site", [](const fs::path&) {}, false, nullptr},
      {"a folder too deep to name",
       [](const fs::path& site) { testing::MakeTooDeepFolder(site / "deep"); }, false,
       "File name too long"},
      {"a folder that may not be read",
       [](const fs::path& site) {
         fs::create_directories(site / "locked");
         fs::permissions(site / "locked", fs::perms::none);
       },
       true, "Permission denied"},
  };
  for (const auto& c : cases) {
    testing::TTempFolder temp("zorvik-site-files-");
    const fs::path site = temp.Path() / "site";
    fs::create_directories(site / "img");
    for (const char* file : {"index.html", "img/a.png", ".env", "index.dat", "z.html"})
      std::ofstream(site / file) << "x";
    fs::create_symlink(temp.Path(), site / "up");
    c.make(site);
    testing::GiveToCheckUser(temp.Path().string());
    const std::string root = site.string() + "/";
    const bool as_expected = testing::AsOrdinaryUser([&] {
      std::string err;
      const std::optional<TSiteFiles> listed = ListSiteFiles(root, root, {}, {}, &err);
      if (c.reason != nullptr) return !listed && err.find(c.reason) != std::string::npos;
      if (!listed || listed->skipped != std::vector<std::string>{root + "up"}) return false;
      std::vector<std::string> relative;
      for (const TSiteFile& file : listed->files) relative.push_back(file.relative);
      return relative == std::vector<std::string>{"img/a.png", "index.html", "z.html"};
    });
    EXPECT_TRUE(as_expected) << c.name;
    if (c.as_ordinary_user) fs::permissions(site / "locked", fs::perms::owner_all);
    testing::RemoveDeepFolder(site);
  }
}

// Walked from the pages' folder: above it, only the files the pages link, by the same rules
// (no dot part, no source by its name).
TEST(SiteFilesTest, AboveThePagesFolderOnlyLinkedFilesAreTaken) {
  testing::TTempFolder temp("zorvik-site-files-");
  const std::string root = temp.Path().string() + "/";
  std::filesystem::create_directories(temp.Path() / "public");
  std::filesystem::create_directories(temp.Path() / "style/.old");
  for (const char* file : {"public/index.html", "style/site.css", "style/unlinked.css",
                           "style/.old/site.css", "page.dat"})
    std::ofstream(temp.Path() / file) << "x";
  std::string err;
  const std::optional<TSiteFiles> listed =
      ListSiteFiles(root, root + "public/", {},
                    {root + "style/site.css", root + "style/.old/site.css", root + "page.dat",
                     root + "style/gone.css"},
                    &err);
  ASSERT_TRUE(listed) << err;
  std::vector<std::string> relative;
  for (const TSiteFile& file : listed->files) relative.push_back(file.relative);
  EXPECT_EQ(relative, (std::vector<std::string>{"public/index.html", "style/site.css"}));
}

}  // namespace
}  // namespace zorvik
