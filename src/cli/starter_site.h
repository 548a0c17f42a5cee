// The starter site of `zorvik new`: page sources, templates, style sheets and a group file, held
// in the program byte for byte (Shift-JIS, CR LF), as data/starter/ has them.
#pragma once

#include <string>
#include <vector>

namespace zorvik::cli {

struct TStarterFile {
  std::string path;  // below the new site's folder, with "/"
  std::string bytes;
};

const std::vector<TStarterFile>& StarterFiles();

}  // namespace zorvik::cli
