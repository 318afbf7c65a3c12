#include "studio/model/score_document.h"

#include <filesystem>

namespace studio {

ScoreDocument::ScoreDocument() = default;

ScoreDocument::ScoreDocument(OpenedDocument opened, std::uint32_t previewSeed)
    : m_score(std::move(opened.m_score))
    , m_savedScore(m_score)
    , m_strPath(std::move(opened.m_strPath))
    , m_origin(opened.m_origin)
    , m_strOpenedFile(std::move(opened.m_strOpenedFile))
    , m_ownText(std::move(opened.m_ownText))
    , m_nPreviewSeed(previewSeed)
{
    // A new score (from a sound, from a rendered file) is worth keeping only
    // once it has been edited: closing it unchanged asks nothing.
}

void ScoreDocument::Apply(const ScoreEdit& edit)
{
    edit.Apply(m_score);
    ++m_nRevision;
}

void ScoreDocument::Revert(const ScoreEdit& edit)
{
    edit.Revert(m_score);
    ++m_nRevision;
}

std::string ScoreDocument::GetFolder() const
{
    if (!m_strPath.empty())
        return FolderOf(m_strPath);
    return FolderOf(m_strOpenedFile);
}

std::string ScoreDocument::GetTitle() const
{
    if (!m_strPath.empty())
        return FileNameOf(m_strPath);
    if (!m_strOpenedFile.empty())
        return std::filesystem::path(m_strOpenedFile).stem().string() + ".toml";
    return "Untitled";
}

std::string ScoreDocument::SuggestedPath() const
{
    if (!m_strPath.empty())
        return m_strPath;
    if (m_strOpenedFile.empty())
        return {};
    return (std::filesystem::path(GetFolder()) / GetTitle()).string();
}

bool ScoreDocument::IsModified() const
{
    return m_bNeverSaved || !(m_score == m_savedScore);
}

std::uint32_t ScoreDocument::GetSeed() const
{
    return m_score.m_seed.value_or(m_nPreviewSeed);
}

std::string ScoreDocument::TextFor(const std::string& path) const
{
    return ScoreFileText(m_score, FolderOf(path));
}

void ScoreDocument::MarkSaved(const std::string& path, const std::string& text)
{
    // The sources as the saved file names them, so that a later save to the
    // same place writes the same text.
    m_score = ScoreNamedFrom(m_score, FolderOf(path));
    m_savedScore = m_score;
    m_strPath = path;
    m_origin = DocumentOrigin::ScoreFile;
    m_ownText = text;
    m_bNeverSaved = false;
    ++m_nRevision;
}

void ScoreDocument::MarkRecovered(const std::optional<Score>& savedScore)
{
    m_origin = DocumentOrigin::Recovered;
    if (savedScore) {
        m_savedScore = *savedScore;
    } else {
        m_savedScore = Score();
        m_bNeverSaved = true;
    }
    ++m_nRevision;
}

}  // namespace studio
