// One publish at a time to a destination: a folder made new on the server (the one step that
// SFTP and FTP both take whole or not at all), holding a note of the run that made it. Two
// runs at once would each write the manifest from their own plan and remove what the other
// just wrote.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "publish/remote.h"

namespace zorvik {

inline constexpr std::string_view kLockName = ".zorvik-publish.lock";

// A lock older than this is taken as left by a run that was killed.
inline constexpr std::int64_t kStaleLockSeconds = 60 * 60;

// Takes the destination's lock for this run. A lock another run holds refuses the run, with
// *err saying since when, from where, and how to free it; a lock left by a run of this machine
// whose process is gone, one older than kStaleLockSeconds, or one still without its note a
// moment after it was found, is taken over.
bool TakePublishLock(TRemote& remote, std::string* err);

// Gives the lock back; a failure leaves it for the next run to take over.
void ReleasePublishLock(TRemote& remote);

// What the lock's note says (for tests and the message): its text for this process now.
std::string LockNote(std::string_view host, long pid, std::int64_t since);

}  // namespace zorvik
