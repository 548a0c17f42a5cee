// The findings of a page or group check as lines of the generation log, each marked "(確認)"
// and placed at its source line, so that a double click or Enter opens it there.
#pragma once

#include <array>
#include <vector>

#include "check/source_lines.h"
#include "engine/generation_log.h"

namespace zorvik {

// Logs each finding; returns how many there were of each kind (errors, warnings, notes).
std::array<int, 3> LogFindings(TGenerationLog& log, const std::vector<TSourceFinding>& findings);

}  // namespace zorvik
