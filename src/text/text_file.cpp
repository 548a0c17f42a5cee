#include "text/text_file.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <filesystem>

#include "text/atomic_file.h"
#include "text/file_names.h"

namespace zorvik {

std::string NormalizeLineEnds(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 32 + 2);
  // The next CR and the next LF are each looked for with memchr, and again only once passed,
  // so the text is scanned once (find_first_of would test every byte against both).
  std::size_t cr = bytes.find('\r');
  std::size_t lf = bytes.find('\n');
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (cr < i) cr = bytes.find('\r', i);
    if (lf < i) lf = bytes.find('\n', i);
    const std::size_t end = std::min(cr, lf);
    if (end == std::string_view::npos) {
      text.append(bytes.substr(i)).append("\r\n");
      break;
    }
    text.append(bytes.substr(i, end - i)).append("\r\n");
    i = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
  }
  return text;
}

std::string LoadTextFile(std::string_view file_name, std::size_t* nul_offset) {
  if (nul_offset != nullptr) *nul_offset = std::string::npos;
  const std::string path = ToFileSystemPath(file_name);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::string(kFileLoadError);
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxTextFileBytes) return std::string(kFileLoadError);
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string(kFileLoadError);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  // A file that shrank while being read still yields what was there.
  if (in.bad()) return std::string(kFileLoadError);
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (nul_offset != nullptr) *nul_offset = bytes.find('\0');
  return NormalizeLineEnds(bytes);
}

std::optional<std::string> AsEditorText(std::string loaded) {
  if (loaded == kFileLoadError) return std::nullopt;
  if (loaded.size() >= 2) loaded.resize(loaded.size() - 2);  // every line ends with CR LF
  return loaded;
}

bool SaveTextFile(std::string_view file_name, std::string_view text, TLinkPolicy links,
                  TDurability durability) {
  return WriteFileAtomically(ToFileSystemPath(file_name), NormalizeLineEnds(text), links, durability);
}

}  // namespace zorvik
