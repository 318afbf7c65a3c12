// A run never writes over a file it reads, nor two of its files to one
// place: the output and --save-score's score are compared, before anything
// is written, with the input or every source of a score, the score itself,
// and each other. Files are compared by what they are on disk (device and
// inode: a link or another name of the same file is found too) and, for a
// file not there yet, by the place it would be made (its folder's device
// and inode and its name, after following links as outputs follow them).
#pragma once

#include <optional>
#include <string>
#include <vector>

// A file the run reads, and how a message names it: "the input file",
// "the score", "the source of layer 2 of night.toml".
struct ReadFile {
    std::string m_strPath;
    std::string m_strRole;
};

// A file the run writes, by the option that names it: "-o", "--save-score".
struct WrittenFile {
    std::string m_strPath;
    std::string m_strOption;
};

// The refusal of the first written file that is a file read or one written
// before it in the list, naming both: "--save-score in.wav is also the input
// file (in.wav), which the run would destroy; give --save-score another
// file". Nothing when they are all apart. "-" (standard input or output) is
// no file.
std::optional<std::string> FindOverwrite(const std::vector<WrittenFile>& written, const std::vector<ReadFile>& read);
