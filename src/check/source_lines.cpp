#include "check/source_lines.h"

#include <algorithm>
#include <tuple>

#include "text/control_chars.h"
#include "text/encoding.h"

namespace zorvik {
namespace {

// A byte an address may go on with: the match must not be a piece of a longer one.
bool InAddress(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-._~%/#?+").find(c) != std::string_view::npos;
}

}  // namespace

TSourceLines::TSourceLines(std::function<bool(const std::string&, std::string&)> read)
    : read_(std::move(read)) {}

void TSourceLines::AddPage(const std::string& page, std::vector<std::string> sources) {
  pages_[page] = std::move(sources);
}

const TSourceLines::TFile& TSourceLines::Read(const std::string& path) {
  TFile& file = files_[path];
  if (!file.read) {
    file.read = true;
    if (!read_(path, file.bytes)) file.bytes.clear();
    file.encoding = DetectEncoding(file.bytes);
  }
  return file;
}

std::optional<TSourceLine> TSourceLines::Find(const std::string& page, std::string_view text) {
  const auto sources = pages_.find(page);
  if (sources == pages_.end() || text.empty()) return std::nullopt;
  for (std::size_t index = 0; index < sources->second.size(); ++index) {
    const std::string& path = sources->second[index];
    const TFile& file = Read(path);
    const std::string_view bytes = file.bytes;
    const std::string wanted = ConvertText(text, TEncoding::kUtf8, file.encoding);
    for (std::size_t at = bytes.find(wanted); at != std::string_view::npos;
         at = bytes.find(wanted, at + 1)) {
      // An address must not be a piece of a longer one; a tag's braces end it themselves.
      const std::size_t end = at + wanted.size();
      if ((InAddress(wanted.front()) && at > 0 && InAddress(bytes[at - 1])) ||
          (InAddress(wanted.back()) && end < bytes.size() && InAddress(bytes[end]))) {
        continue;
      }
      const auto line =
          std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at), '\n');
      return TSourceLine{path, static_cast<int>(line) + 1, index > 0};
    }
  }
  return std::nullopt;
}

std::string FindingLine(const TSourceFinding& at,
                        const std::function<std::string(const std::string&)>& shown) {
  static constexpr const char* kKinds[] = {"error", "warning", "note"};
  const TFinding& finding = at.finding;
  const std::string page = shown(finding.file) + ':' + std::to_string(finding.line);
  std::string line =
      at.source ? shown(at.source->file) + ':' + std::to_string(at.source->line) : page;
  line.append(": ").append(kKinds[static_cast<int>(finding.kind)]).append(": ");
  line.append(ControlsEscaped(finding.message));  // it may hold a server's words
  if (at.source) {
    line.append(" (").append(page);
    if (at.pages > 1) {
      line.append(" and ").append(std::to_string(at.pages - 1));
      line.append(at.pages == 2 ? " other page" : " other pages");
    }
    line.append(")");
  } else if (at.unlocated) {
    line.append(" (no page source, import or template holds it as written)");
  }
  return line;
}

TLogPlace PlaceOfFinding(const TSourceFinding& at) {
  const bool warning = at.finding.kind != TFindingKind::kError;
  if (at.source) return {at.source->file, at.source->line - 1, at.source->shared, warning};
  return {at.finding.file, at.finding.line - 1, true, warning};
}

std::vector<TSourceFinding> FindingsAtSource(std::vector<TFinding> findings,
                                             TSourceLines& sources) {
  std::vector<TSourceFinding> result;
  std::map<std::tuple<std::string, int, std::string>, std::size_t> shared;
  for (TFinding& finding : findings) {
    std::optional<TSourceLine> source = sources.Find(finding.file, finding.text);
    if (source && source->shared) {
      const auto [it, fresh] = shared.emplace(
          std::make_tuple(source->file, source->line, finding.message), result.size());
      if (!fresh) {
        ++result[it->second].pages;
        continue;
      }
    }
    const bool unlocated = !source && !finding.text.empty() && sources.Knows(finding.file);
    result.push_back({std::move(finding), std::move(source), 1, unlocated});
  }
  return result;
}

}  // namespace zorvik
