// A TOML text made safe for toml++ 3.3 (Debian 12's) before it reads it, or
// why it cannot be. toml++ 3.3
// - recurses once for each dotted part of a key, and a key of some thousands
//   of parts overflows the stack (3.4 limits the parts itself);
// - tests characters beyond ASCII for blanks where it looks for them, and
//   for most of them the test reaches a point marked unreachable: undefined
//   behaviour (marzer/tomlplusplus issues 190 and 295).
// So it is given pure ASCII that means the same: characters beyond ASCII in
// strings as their escapes, in comments as '?'. A score loses nothing: its
// keys have three parts, its values nest two deep, and TOML allows
// characters beyond ASCII only in strings and comments.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "score_file/score_refusal.h"

inline constexpr int kMostKeyParts = 8;          // layer.drift.pitch is 3
inline constexpr int kDeepestValueNesting = 16;  // arrays and inline tables

struct GuardedToml {
    std::string m_strText;                  // pure ASCII, on the same lines
    std::optional<ScoreRefusal> m_refusal;  // when there is no such text
};

// text for toml++: the same TOML in ASCII, a literal string holding a
// character beyond ASCII rewritten as a basic string. Refused: text that is
// not UTF-8, keys and nesting beyond the limits above, a character beyond
// ASCII outside strings and comments, or one escaped by a backslash, and a
// string left open (at the end of its line, or of the text for a multi-line
// one), said in words rather than as toml++'s complaint about the line break.
// Strings and comments are told apart as TOML does; the rest of the syntax
// is left to toml++, whose column numbers may shift on a line that held
// characters beyond ASCII.
GuardedToml GuardToml(std::string_view text);
