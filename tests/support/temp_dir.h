// A folder of its own for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The full path of name inside the folder, as a string.
    std::string File(const std::string& name) const;

private:
    std::filesystem::path m_path;
};

// The names in folder, sorted (hidden ones too).
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

std::vector<unsigned char> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes);
