# Writes OUTPUT, a C++ header that holds the file INPUT byte for byte as
# `inline constexpr std::string_view NAME`: scripts kept in files of their own, where editors and
# linters read them, and built into the program. Run at build time:
#   cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P EmbedText.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
cmake_path(GET INPUT FILENAME name)
set(out "// Made at build time from ${name} by cmake/EmbedText.cmake.\n#pragma once\n\n")
string(APPEND out "#include <string_view>\n\nnamespace zorvik {\n\n")
string(APPEND out "inline constexpr std::string_view ${NAME}{\"${escaped}\", ${size}};\n\n")
string(APPEND out "}  // namespace zorvik\n")
file(WRITE "${OUTPUT}.new" "${out}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
