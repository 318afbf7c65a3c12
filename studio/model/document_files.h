// The files a document comes from and goes to: a score file (the TOML that
// sonnelith-cli renders), a rendered sound file that stores its score, or a
// sound that a new one-layer score is made from; and a score file written
// in place of an older one without losing it to a failed write.
//
// Everything here reads or writes files and may take a while (a compressed
// sound is decoded to its end to learn its length): call it off the window's
// thread.
#pragma once

#include <optional>
#include <string>

#include "engine/score/score.h"

namespace studio {

enum class DocumentOrigin {
    ScoreFile,     // a score file, saved back to the same path
    RenderedFile,  // the score stored in a rendered file; saved under a new name
    Sound,         // a new score from a sound; saved under a new name
    Recovered,     // edits recovered after the program ended without saving them
};

struct OpenedDocument {
    Score m_score;
    DocumentOrigin m_origin = DocumentOrigin::ScoreFile;
    std::string m_strPath;        // the score file it saves to; empty until one is chosen
    std::string m_strOpenedFile;  // the file that was opened, as an absolute path
    // The text of the score file as it was read, when it is exactly what the
    // studio writes for its score: overwriting it loses nothing.
    std::optional<std::string> m_ownText;
};

struct DocumentOpening {
    std::optional<OpenedDocument> m_document;  // none: refused
    std::string m_strError;                    // why, ready to show (with the score's line where it has one)
};

// path made absolute and normal ("a/../b.toml" from the current folder).
std::string AbsolutePath(const std::string& path);
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

// A score file by its name (.toml); else a file that stores a score; else a
// sound, which becomes a new score (NewFromSound).
DocumentOpening OpenDocumentFile(const std::string& path);
// The score file at path.
DocumentOpening OpenScoreFile(const std::string& path);
// A one-layer score of the sound at path at the defaults, its source named
// from the sound's folder; refused when the file is no sound the renderer
// reads.
DocumentOpening NewFromSound(const std::string& path);

// The text a score file of score holds when saved in folder: the score's
// writer, with each source named as it is found from folder (a name that
// finds the same file from there is kept as it is).
std::string ScoreFileText(const Score& score, const std::string& folder);
// The score with its sources named as ScoreFileText names them.
Score ScoreNamedFrom(const Score& score, const std::string& folder);
// Whether text is exactly what the studio writes for the score it holds
// (read from folder): nothing in it would be lost by writing it again.
bool IsOwnText(const std::string& text, const std::string& folder);

enum class OverwriteCase {
    NoFile,         // nothing there yet
    Unchanged,      // the text the studio last read or wrote there
    ChangedOnDisk,  // a score as the studio writes it, but not the one it last saw there
    ForeignScore,   // a score file the studio did not write: comments and layout would be lost
    OtherFile,      // something else (not a score the studio reads)
};

// What saving to path would overwrite. lastOwnText: what the studio last read
// from or wrote to path, if it was its own.
OverwriteCase CheckOverwrite(const std::string& path, const std::optional<std::string>& lastOwnText);

// Writes text to path through a temporary file in the same folder, renamed
// over it once complete, so a failed write leaves the old file as it was. A
// replaced file keeps its permissions; a link is followed. Answers why it
// failed, or nothing.
std::optional<std::string> WriteFileReplacing(const std::string& path, const std::string& text);
// The whole of a small file (at most maxBytes), or nothing.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes);

}  // namespace studio
