// Text from files and command lines as messages show it on a terminal.
#pragma once

#include <string>

// A name or any other text from outside (a file name, a key or value of a
// score, an argument) as messages show it on a terminal: its line breaks,
// escape sequences and other controls written as `ls -b` writes them (\n,
// \t, \033 ...), so that it can neither break a message nor drive the
// terminal. The C1 controls (U+0080 to U+009F) and every byte that is not
// part of a UTF-8 character are written byte by byte in octal too; letters
// beyond ASCII stay as they are. Text already shown this way is left as it
// is, so a message can be passed through again.
std::string PrintableName(const std::string& name);
