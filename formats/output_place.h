// Checks on where an output file is to go, made before anything is written:
// that its folder exists, that it is not a folder itself, not the input, and
// that the disk has room for it. Each failure is a reason for the user.
#pragma once

#include <cstdint>
#include <string>

struct OutputPlace {
    std::string m_strTarget;  // the file to replace at the end: the path, or the file a link points to
                              // (also when that file does not exist yet)
    std::string m_strFolder;  // the folder that holds it
    bool m_bExists = false;
};

// Where path's output goes, or, in reason, why it can't go there: "the name
// is empty", "no such folder", "is a folder", "it is the input file",
// "permission denied", "not a regular file; ...". inputPath ("-" or empty for
// none) is compared by identity (device and inode), so a link to the input is
// found too.
OutputPlace FindOutputPlace(const std::string& path, const std::string& inputPath, std::string& reason);

// Empty when folder's disk has bytes free for an ordinary user; otherwise
// "not enough room on its disk: 10 MB needed, 1 MB free". When the system
// can't tell, nothing is refused: the writing itself will find a full disk.
std::string CheckRoom(const std::string& folder, std::uint64_t bytes);

// A size in whole mebibytes, rounded up or down.
std::uint64_t MebibytesUp(std::uint64_t bytes);
std::uint64_t MebibytesDown(std::uint64_t bytes);
