// Why a score cannot be used, and where in its file: thrown by the readers of
// its parts, caught where the whole file is read and turned into one message.
#pragma once

#include <string>

struct ScoreRefusal {
    int m_nLine = 0;  // 0: the file as a whole
    std::string m_strText;
    // Not the score's fault: a file it names cannot be read.
    bool m_bFileUnreadable = false;
};
