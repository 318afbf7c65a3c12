// Watches the WAV stream on standard output for the run. A reader that keeps
// the stream waiting is waited for until a cancelling signal comes; a stream
// that breaks (its reader gone, a full disk behind a redirection) stops the
// run, and the message then says what happened to the stream: there is no
// output file to remove.
#pragma once

#include <string>

#include "formats/wav_stream_sink.h"

class TerminalHost;

class StandardOutputWatch {
public:
    explicit StandardOutputWatch(TerminalHost& host);

    // What the stream sink is given; it stays valid while this object lives.
    StreamWatch MakeStreamWatch();

    // Whether the stream broke, and the system's error when it did.
    bool HasBroken() const { return m_nError != 0; }
    // "Cannot write standard output: broken pipe (the program reading it has
    // stopped); the stream ends early".
    std::string Describe() const;

private:
    TerminalHost& m_host;
    int m_nError = 0;
};
