// Reading a score file: the Score it describes, or one message that names the
// file, the line and what is wrong ("night.toml:12: unknown key 'densty' in a
// layer (did you mean 'density'?)").
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/score/score.h"

struct ScoreReading {
    std::optional<Score> m_score;  // none: refused
    std::string m_strError;        // why, when refused
    // Refused because a file could not be read (the score, a source), not
    // for what the score says.
    bool m_bFileUnreadable = false;
    // The wait for the score (a FIFO's writer) was cancelled: no score, no error.
    bool m_bCancelled = false;
};

// The score in the file at path, its sources found from the file's folder.
// A FIFO's writer is waited for in steps of a tenth of a second, after each
// of which cancelled (if set) is asked.
ScoreReading ReadScoreFile(const std::string& path, const std::function<bool()>& cancelled = {});

// The score in text, named displayName in messages, its sources found from
// folder (the current folder when empty). Any text gives a reading, in
// bounded time and memory: one of more than 4 MiB is refused unread, and
// one that would take more than that when the program writes it out (see
// kLargestScoreBytes) is refused too.
ScoreReading ParseScoreText(std::string_view text, const std::string& displayName, const std::string& folder);

// "night.toml:12: text", or "night.toml: text" for line 0: a message about a
// place in a score, as the reader words its own, with the name and the text
// as PrintableName shows them (text may quote the file's names and values).
std::string ScoreMessage(const std::string& displayName, int line, const std::string& text);
