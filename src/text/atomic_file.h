// Replacing a file so that a crash or a full disk never leaves it half-written.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

// Writes bytes to a temporary file beside path, flushes it to disk and renames it over path.
// A symbolic link is followed so that the file it names is replaced; an existing file keeps its
// permissions. On failure the old file is left whole and the temporary file removed.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace zorvik
