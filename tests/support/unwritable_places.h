// Places where writing a file fails, for the tests of what a program leaves
// behind there: a folder an ordinary user may not write to, and a small disk.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

// A folder "locked" inside parent (opened to everyone) that holds one file
// anyone may write to, while the folder itself takes no new files (mode
// 0555). Unlocked again when it goes, so that the parent can be removed.
class LockedFolder {
public:
    LockedFolder(const TempDir& parent, const std::string& fileName, const std::vector<unsigned char>& content);
    ~LockedFolder();
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The file it holds.
    const std::string& File() const { return m_strFile; }

private:
    std::filesystem::path m_path;
    std::string m_strFile;
};

// Turns the calling process into the user "nobody" when it runs as root, so
// that permissions apply to it; false when that fails.
bool BecomeNobody();

// A 1 MiB tmpfs mounted on a folder of its own for the object's life. Only
// root can mount; elsewhere IsMounted() says no and the test should skip.
class SmallTmpfs {
public:
    SmallTmpfs();
    ~SmallTmpfs();
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool IsMounted() const { return m_bMounted; }
    // Mounted again read-only, with what it holds; false when that fails.
    bool MakeReadOnly();
    const std::filesystem::path& Path() const { return m_dir.Path(); }
    std::string File(const std::string& name) const { return m_dir.File(name); }

private:
    TempDir m_dir;
    bool m_bMounted = false;
};
