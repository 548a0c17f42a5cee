// Whole-file text input and output. Bytes are never converted; line ends become CR LF.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/atomic_file.h"

namespace zorvik {

// The content that LoadTextFile gives for a file it cannot read.
inline constexpr std::string_view kFileLoadError = "#FileLoadError#";

// Files above this size are not read: no page, template or settings file comes near it, and
// reading one whole would only exhaust memory.
inline constexpr std::uintmax_t kMaxTextFileBytes = std::uintmax_t{512} * 1024 * 1024;

// Splits bytes into lines (a line ends at CR LF, a lone CR or a lone LF; a NUL byte ends the
// whole text) and joins them again, each line followed by CR LF.
std::string NormalizeLineEnds(std::string_view bytes);

// Which file a path named when it was read, and which version of it: a file rewritten in place
// keeps its device and inode, but not its size and times.
struct TFileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modified_ns = 0;
  std::int64_t changed_ns = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// The identity of the file that st describes.
TFileIdentity IdentityOf(const struct stat& st);

// The file's text with CR LF line ends, or kFileLoadError when it cannot be read. A NUL byte
// ends the text; nul_offset, when given, receives the file offset of the first one (npos when
// there is none), so that callers can say what was left out; identity, when given, receives
// the file read.
// folder, when given, is open on the file's folder, and file_name is the file's name in it.
std::string LoadTextFile(std::string_view file_name, std::size_t* nul_offset = nullptr,
                         TFileIdentity* identity = nullptr, int folder = AT_FDCWD);

// Whether path is a regular file holding exactly bytes. Anything else (a FIFO, a device, a
// folder, nothing) never does, and is not read.
// identity, when given, receives the file compared.
bool FileHolds(std::string_view file_name, std::string_view bytes,
               TFileIdentity* identity = nullptr);

// A loaded text as an editor pane holds it: without the line end after its last line; nothing
// for kFileLoadError.
std::optional<std::string> AsEditorText(std::string loaded);

// Writes text with its lines normalised as NormalizeLineEnds does. The old file is replaced
// only once the new content is complete on disk; false when anything failed.
bool SaveTextFile(std::string_view file_name, std::string_view text,
                  TLinkPolicy links = TLinkPolicy::kFollow);

}  // namespace zorvik
