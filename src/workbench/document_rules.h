// The main window's and the batch window's rules on files, apart from the windows: the caption
// that names the page source, and which dropped files a window takes. Paths are the file
// system's bytes.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

// title, then for a page source's file "  [NAME] - FOLDER/", the folder written
// "<RunningFolder>/..." when it lies in the program's folder (running_folder, with "/"); title
// alone without a file.
std::string DocumentCaption(std::string_view title, std::string_view path,
                            std::string_view running_folder);

// A drop is taken when it is exactly one file whose suffix (after the last "." of its name, in
// any letter case) is one of suffixes.
enum class TDropCheck { kTaken, kNotOne, kWrongSuffix };
TDropCheck CheckDrop(const std::vector<std::string>& paths,
                     std::initializer_list<std::string_view> suffixes);

}  // namespace zorvik
