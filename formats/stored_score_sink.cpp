#include "formats/stored_score_sink.h"

#include "formats/flac_score_comment.h"
#include "formats/score_chunk_writer.h"
#include "formats/sound_file_messages.h"
#include "formats/stored_score_layout.h"

StoredScoreSink::StoredScoreSink(std::unique_ptr<FrameSink> inner, OutputContainer container, std::string text)
    : m_pInner(std::move(inner))
    , m_container(container)
    , m_strText(std::move(text))
{
}

std::optional<RunMessage> StoredScoreSink::Create(const std::string& path)
{
    if (const std::optional<std::string> reason = CheckStorableScore(m_strText))
        return OutputFailure(path, *reason);
    m_strPath = path;
    return m_pInner->Create(path);
}

void StoredScoreSink::Write(const StereoFrame* frames, std::size_t count)
{
    m_pInner->Write(frames, count);
}

void StoredScoreSink::Finish(bool cancelled)
{
    m_pInner->Finish(cancelled);
    if (cancelled)
        return;
    switch (m_container) {
    case OutputContainer::Flac: PutScoreInFlacComments(m_strPath, m_strText); break;
    case OutputContainer::W64: FillW64ScoreRoom(m_strPath, m_strText); break;
    case OutputContainer::Wav:
    case OutputContainer::Rf64: AppendScoreChunk(m_strPath, m_strText); break;
    }
}

void StoredScoreSink::Discard()
{
    m_pInner->Discard();
}
