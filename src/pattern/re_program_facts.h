// Facts about a compiled pattern that every match shares, found by walking its program: they
// let a search skip text where no match can start or that holds no match at all.
#pragma once

#include <cstddef>
#include <string>

#include "pattern/re_nfa.h"

namespace zorvik {

// The bytes that every match begins with, up to max_bytes: followed through the program while
// all paths consume the same single character.
std::string RequiredPrefix(const TRE_NFA& nfa, std::size_t max_bytes);

// The bytes that every match consumes as characters of their own (at most four): the match
// instruction cannot be reached without passing an instruction whose set is that one code.
// (A page without "}" holds no "{$...}" tag, and a memchr says so far faster than any
// automaton.)
std::string RequiredBytes(const TRE_NFA& nfa);

}  // namespace zorvik
