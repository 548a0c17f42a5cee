// The system's words for an errno value, as messages give the reason for a failure.
#pragma once

#include <string>
#include <system_error>

namespace zorvik {

// "Permission denied" for EACCES; safe to call from any thread, unlike strerror.
inline std::string SystemReason(int error) { return std::generic_category().message(error); }

}  // namespace zorvik
