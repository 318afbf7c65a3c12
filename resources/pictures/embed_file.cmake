# Turns one file into a C++ source that holds its bytes, so the program carries
# the file inside itself. Run with cmake -P and these variables:
#   INPUT     the file to embed
#   OUTPUT    the .cpp to write
#   FUNCTION  the name of the generated function that returns the bytes
file(READ "${INPUT}" hex HEX)

# 32 bytes to a line, each byte as a \xNN escape inside one long string literal.
# A literal compiles far faster than an initialiser list of the same size.
string(REPEAT "[0-9a-f][0-9a-f]" 32 row)
string(REGEX REPLACE "(${row})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
string(REPLACE "\n" "\"\n    \"" escaped "${escaped}")

get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${name}; do not edit.
#include \"resources/pictures/pictures.h\"

namespace {

// The literal ends in one extra NUL that is not part of the file.
const char kBytes[] =
    \"${escaped}\";

}  // namespace

ResourceBytes ${FUNCTION}()
{
    return {reinterpret_cast<const unsigned char*>(kBytes), sizeof kBytes - 1};
}
")
# Only touch the output when it changed, so an unchanged picture compiles once.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
