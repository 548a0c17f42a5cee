// Text bound for a terminal or a log that came from elsewhere (a server's header, a page's
// address): its control characters written out, so that none can move the cursor, set a
// window's title or overwrite a line.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

// text with each C0 control character and DEL written as "\xNN" (lower-case hexadecimal), and a
// backslash before such a form doubled; other bytes as they are.
std::string ControlsEscaped(std::string_view text);

}  // namespace zorvik
