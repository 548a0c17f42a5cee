// The verbs of the zorvik command. Each takes the arguments after the verb and returns the
// process exit status.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik::cli {

using TArgs = std::vector<std::string>;

// Exit status of a call that was not made as the usage says.
inline constexpr int kUsageError = 2;

int RunBuild(const TArgs& args);
int RunShow(const TArgs& args);
int RunBatchVerb(const TArgs& args);
int RunWatch(const TArgs& args);
int RunServe(const TArgs& args);
int RunCheck(const TArgs& args);
int RunPublish(const TArgs& args);
int RunConvert(const TArgs& args);
int RunMatch(const TArgs& args);
int RunReplace(const TArgs& args);
int RunNew(const TArgs& args);

// Prints a usage error on stderr and returns kUsageError.
int UsageError(const std::string& message);

// Writes bytes to stdout and flushes; false (with a message on stderr) when the write failed,
// as on a full disk or a closed pipe.
bool WriteStandardOutput(std::string_view bytes);

// The exit status after the last write to stdout: status, or kUsageError when stdout failed.
int FinishStandardOutput(int status);

}  // namespace zorvik::cli
