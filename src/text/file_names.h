// Paths as the page sources write them. The folder part of a path runs up to and including its
// last "/" or "\" that is not the second byte of a double-byte character; such a "\" is taken as
// "/" when the path reaches the file system, so pages written with "\" keep working.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

std::string ToFileSystemPath(std::string_view path);

// Everything up to and including the last separator; empty when there is none.
std::string ExtractFolder(std::string_view path);

// Everything after the last separator.
std::string ExtractFileNamePart(std::string_view path);

// path taken against folder: as it is when it is absolute (starts with "/" or "\") or folder
// is empty, otherwise folder followed by path.
std::string PathFromFolder(std::string_view folder, std::string_view path);

// The folder of the running executable, with a trailing "/".
std::string ProgramFolder();

// A folder where packages install programs (/usr/..., /bin, /sbin, and the usr/bin of a
// package unpacked elsewhere): nothing of the user's goes there, even for root, who could
// write it.
bool IsSystemProgramFolder(std::string_view folder);

// The program's folder as page sources, group files and the workbench know it
// ({$RunningFolder}), with its trailing "/": the executable's own folder for a portable copy;
// for a program in a system program folder the user's Zorvik folder, zorvik_home
// ($ZORVIK_HOME) when given, else home + "/Zorvik/"; empty when neither is known.
std::string WorkspaceFolderFor(std::string_view executable_folder, const char* zorvik_home,
                               const char* home);
// The same for this process ($ZORVIK_HOME, and HomeFolder()).
std::string WorkspaceFolder();

// A per-user folder: given when it is an absolute path (an environment variable's value), else
// home followed by below when home is absolute; empty when neither (never a relative folder,
// which would land where others could plant files).
std::string UserFolder(const char* given, const char* home, std::string_view below);

// The user's cache folder, ending in "/": $XDG_CACHE_HOME, else ~/.cache/; "" when neither is
// known.
std::string UserCacheFolder();

// The user's home folder: $HOME, else the password database's; null when neither is known.
// Valid until the next call on the same thread.
const char* HomeFolder();

// " [" name "] - " folder, with program_folder at the front of the path written
// "<RunningFolder>/". Empty for an empty file name.
std::string FileTitleText(std::string_view file_name, std::string_view program_folder);
std::string FileTitleText(std::string_view file_name);

}  // namespace zorvik
