# Writes a C++ source that holds one file's bytes, for the built-in assets:
# the program carries them itself, the same way on every system.
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DNAME=<function> -P EmbedFile.cmake
# The source defines std::span<const unsigned char> mirel::assets::NAME().
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
# Sixteen bytes a line keeps the source readable in a diff or a debugger.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
if(digits EQUAL 0)
  set(bytes "0")  # an array may not be empty; the span below is
endif()
math(EXPR size "${digits} / 2")
file(WRITE "${OUTPUT}.new"
"// Made by cmake/EmbedFile.cmake from ${NAME}'s file; do not edit.
#include <cstddef>
#include <span>

namespace mirel::assets {

std::span<const unsigned char> ${NAME}();

namespace {
const unsigned char kBytes[] = {
${bytes}
};
}  // namespace

std::span<const unsigned char> ${NAME}() { return {kBytes, std::size_t(${size})}; }

}  // namespace mirel::assets
")
# Rewritten only when the bytes change, so a build that only ran this again
# compiles nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
