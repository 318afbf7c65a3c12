// Unsaved edits kept on disk while the studio runs, so that none is lost
// when the program is killed or the computer stops: the next start finds
// them and offers them back.
//
// Each running studio owns one entry in the recovery folder: NAME.recovery
// with the score's text and what it belongs to, and NAME.lock, which the
// process holds locked (flock) for as long as it lives. An entry whose lock
// can be taken belongs to a studio that is gone: its edits are recoverable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace studio {

struct RecoveryRecord {
    std::string m_strDocumentPath;  // the score file it belongs to; empty for an unsaved one
    std::string m_strFolder;        // the folder its sources are named from
    std::string m_strOpenedFile;    // what the document was opened from (a sound, a rendered file)
    std::uint32_t m_nPreviewSeed = 0;
    std::int64_t m_nSavedAt = 0;    // seconds since 1970
    std::string m_strScoreText;
    std::string m_strEntry;         // the entry's name in the folder (set when found)
};

class RecoveryStore {
public:
    // folder is made when needed.
    explicit RecoveryStore(std::string folder);
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // $XDG_STATE_HOME/sonnelith-studio/recovery, or ~/.local/state/... .
    static std::string DefaultFolder();

    // Keeps record as this process's entry, replacing the last one
    // atomically. Answers why it could not, or nothing.
    std::optional<std::string> Keep(const RecoveryRecord& record);
    // Removes this process's entry: nothing unsaved remains.
    void Clear();

    // The entries of studios that are no longer running, newest first.
    std::vector<RecoveryRecord> FindLeftBehind() const;
    // Removes an entry FindLeftBehind found (recovered or declined).
    void Remove(const RecoveryRecord& record) const;

    const std::string& GetFolder() const { return m_strFolder; }

private:
    bool TakeEntry();

    std::string m_strFolder;
    std::string m_strEntry;  // this process's entry name, once taken
    int m_nLockFd = -1;
};

// The record as the entry's text, and back (nothing for a damaged entry).
std::string RecoveryText(const RecoveryRecord& record);
std::optional<RecoveryRecord> ParseRecoveryText(const std::string& text);

}  // namespace studio
