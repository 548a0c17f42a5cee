// The application's own title, shown on the task bar and given as the agent name of its
// internet requests; the main window's caption differs from it by a hyphen.
#pragma once

namespace zorvik {

inline constexpr const char* kApplicationTitle = "Kirabo Zorvik 3号";

}  // namespace zorvik
