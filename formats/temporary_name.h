// The hidden names under which outputs are written before they take their
// own: ".<output name>.sonnelith-<host>-<pid>-<6 random characters>", for
// example ".rain.wav.sonnelith-studio-4711-x3Fq9a". The host and the process
// say whose file it is, so that a later run on the same computer can tell the
// leftovers of a run that was killed (its process is gone) from the file of a
// run still going. The output's name is shortened where needed, so that the
// hidden name never exceeds the longest name a folder takes (NAME_MAX).
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

struct TemporaryOwner {
    std::string m_strHost;  // as written in the name
    pid_t m_nPid = 0;
};

// The hidden name for outputName, written by process pid on host. random
// must be 6 letters or digits.
std::string MakeTemporaryName(const std::string& outputName, const std::string& host, pid_t pid,
                              const std::string& random);

// Whose temporary file name is, or nothing when it is not one of ours.
std::optional<TemporaryOwner> ReadTemporaryName(const std::string& name);

// This computer's name as the temporary names carry it: letters and digits,
// anything else as '_', at most 32 characters.
std::string TemporaryHostName();

// Six random letters and digits from the system's random source.
std::string RandomLettersAndDigits();
