#include "workbench/ui/finding_log.h"

#include "qt_text/cp932_text.h"

namespace zorvik {

std::array<int, 3> LogFindings(TGenerationLog& log, const std::vector<TSourceFinding>& findings) {
  std::array<int, 3> counts{};
  for (const TSourceFinding& at : findings) {
    const std::string line = FindingLine(at, [](const std::string& path) { return path; });
    log.AddLog(ToCp932(QStringLiteral("(確認) ") + QString::fromStdString(line)),
               PlaceOfFinding(at));
    ++counts[static_cast<std::size_t>(at.finding.kind)];
  }
  return counts;
}

}  // namespace zorvik
