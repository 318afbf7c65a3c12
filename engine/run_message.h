// A message a run shows its host: the string-table entry it comes from and
// its text with any details filled in.
#pragma once

#include <string>

struct RunMessage {
    int m_nStringId = 0;
    std::string m_strText;
};
