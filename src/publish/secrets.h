// A password held in memory: kept out of core dumps, and wiped when it is let go.
#pragma once

#include <string>

namespace zorvik {

// From now on this process leaves no core dump and cannot be attached to by other processes of
// the user: called before a password is read, since not all its copies (libcurl keeps its
// own) can be wiped.
void KeepSecretsOutOfDumps();

// Overwrites secret's bytes, then empties it.
void ForgetSecret(std::string& secret);

}  // namespace zorvik
