// The piece being edited: its score, the file it is saved to, whether it
// differs from that file, and the seed it is heard with. The window is a
// view of it; every change goes through a ScoreEdit, so undo is one
// mechanism.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/score/score.h"
#include "studio/model/document_files.h"
#include "studio/model/score_edit.h"

namespace studio {

class ScoreDocument {
public:
    // An empty document: a score without layers, nothing to save.
    ScoreDocument();
    // previewSeed: heard (and rendered) while the score names no seed of its own.
    ScoreDocument(OpenedDocument opened, std::uint32_t previewSeed);

    const Score& GetScore() const { return m_score; }
    bool HasLayers() const { return !m_score.m_layers.empty(); }
    // Changes whenever the score does (an edit, its undo, a new document).
    std::uint64_t GetRevision() const { return m_nRevision; }

    void Apply(const ScoreEdit& edit);
    void Revert(const ScoreEdit& edit);

    // The score file it saves to; empty until one is chosen.
    const std::string& GetPath() const { return m_strPath; }
    DocumentOrigin GetOrigin() const { return m_origin; }
    const std::string& GetOpenedFile() const { return m_strOpenedFile; }
    // The folder its sources are named from: the score file's, else the
    // opened file's.
    std::string GetFolder() const;
    // "night.toml", or the opened sound's name with ".toml" for a new score.
    std::string GetTitle() const;
    // A name to offer when saving: the path, or the opened file's name in
    // its folder with ".toml".
    std::string SuggestedPath() const;

    // Whether the score differs from what was last saved (or opened, for a
    // score file): an edit undone back to it counts as no change.
    bool IsModified() const;
    // Was it ever saved or opened from a score file?
    bool HasFile() const { return !m_strPath.empty(); }

    // The seed the score is heard and rendered with: its own, else the
    // document's.
    std::uint32_t GetSeed() const;
    std::uint32_t GetPreviewSeed() const { return m_nPreviewSeed; }

    // What the studio last read from or wrote to its path, if it was its own
    // writing (for CheckOverwrite).
    const std::optional<std::string>& GetOwnText() const { return m_ownText; }

    // The text a save to path writes.
    std::string TextFor(const std::string& path) const;
    // After a successful save of text to path: the document is saved there.
    void MarkSaved(const std::string& path, const std::string& text);
    // A recovered document: the edits were not saved, so it counts as
    // modified against the file it belongs to.
    void MarkRecovered(const std::optional<Score>& savedScore);

private:
    Score m_score;
    Score m_savedScore;
    std::uint64_t m_nRevision = 1;
    std::string m_strPath;
    DocumentOrigin m_origin = DocumentOrigin::ScoreFile;
    std::string m_strOpenedFile;
    std::optional<std::string> m_ownText;
    std::uint32_t m_nPreviewSeed = 0;
    bool m_bNeverSaved = false;  // recovered edits of a score never saved count as modified
};

}  // namespace studio
