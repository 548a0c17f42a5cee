// The verbs of the zorvik command. Each takes the arguments after the verb and returns the
// process exit status.
#pragma once

#include <string>
#include <vector>

namespace zorvik::cli {

using TArgs = std::vector<std::string>;

// Exit status of a call that was not made as the usage says.
inline constexpr int kUsageError = 2;

int RunBuild(const TArgs& args);
int RunShow(const TArgs& args);
int RunBatchVerb(const TArgs& args);
int RunMatch(const TArgs& args);
int RunReplace(const TArgs& args);

// Prints a usage error on stderr and returns kUsageError.
int UsageError(const std::string& message);

}  // namespace zorvik::cli
