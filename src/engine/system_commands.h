// The system commands of a page source ("@" lines) and the path macros of their arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_context.h"

namespace zorvik {

// Runs one command line. name is lower case; argument is the rest of the line after the first
// half-width space that follows the name; line is the 0-based line number for messages.
void ExecuteSystemCommand(TEngineContext& context, std::string_view name, std::string_view argument,
                          int line);

// Replaces {$RunningFolder}, {$WriteFolder}, {$DataFolder}, {$TemplateFolder}, {$TemplateFile}
// and {$WriteFileName} (any letter case), in this order, with their current values.
std::string ExpandPathMacros(const TEngineContext& context, std::string_view text);

// The command names (lower case) and the path macros, in the order in which they are tried.
std::vector<std::string_view> SystemCommandNames();
std::vector<std::string_view> PathMacroNames();

// An integer text: optional sign, then decimal digits, or hexadecimal digits after "$" or
// "0x"/"0X"; the value must fit a signed 32-bit integer.
std::optional<std::int32_t> ParseInteger32(std::string_view text);

}  // namespace zorvik
