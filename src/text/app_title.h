// The application's own title, shown on the task bar and given as the agent name of its
// internet requests, and the main window's caption, which differs from it by a hyphen.
#pragma once

namespace zorvik {

inline constexpr const char* kApplicationTitle = "Kirabo Zorvik 3号";
inline constexpr const char* kMainWindowCaption = "Kirabo - Zorvik 3号";

}  // namespace zorvik
