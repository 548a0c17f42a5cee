// Putting a converted site in place without losing a save made while the conversion ran: every
// new file is written beside its own before any is replaced, every file is checked to be the
// one that was read, and only then are they all renamed into place.
#pragma once

#include <string>
#include <vector>

#include "convert/site_conversion.h"

namespace zorvik {

struct TConversionWrite {
  std::vector<std::string> written;          // the files replaced, in order
  std::vector<TConversionProblem> problems;  // why files were not
};

// Replaces each file of changes with its new bytes. A file that cannot be written (with the
// system's reason) or that changed since it was read (it is left as it was saved) stops the
// whole write before the first file is replaced; a file changed in the last instant before its
// own rename is left alone and named, the others still replaced.
TConversionWrite WriteConvertedFiles(const std::vector<TConvertedFile>& changes);

}  // namespace zorvik
