// A message a run shows its host: the string-table entry it comes from and
// its text with any details filled in.
#pragma once

#include <initializer_list>
#include <string>

struct RunMessage {
    int m_nStringId = 0;
    std::string m_strText;
};

// The message of string-table entry stringId, its placeholders (%1, %2, ...)
// filled with details.
RunMessage TableMessage(int stringId, std::initializer_list<std::string> details = {});
