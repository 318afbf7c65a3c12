#include "tests/engine/memory_seams.h"

#include <cerrno>

#include "engine/run/generation_run.h"
#include "wav/file_exception.h"

MemorySource::MemorySource(std::vector<StereoFrame> frames, int fileRate, std::shared_ptr<SeamLog> log)
    : m_frames(std::move(frames))
    , m_nFileRate(fileRate)
    , m_pLog(std::move(log))
{
}

void MemorySource::Read(StereoFrame* frames, std::size_t count)
{
    m_pLog->m_readBlocks.push_back(count);
    for (std::size_t i = 0; i < count; ++i)
        frames[i] = m_frames.at(m_nNext++);
}

SourceOpener MemoryOpener(std::vector<StereoFrame> frames, std::shared_ptr<SeamLog> log, int fileRate)
{
    return [frames = std::move(frames), log = std::move(log), fileRate](const std::string&) {
        return SourceOpening{std::make_unique<MemorySource>(frames, fileRate, log), {}};
    };
}

MemorySink::MemorySink(std::shared_ptr<SeamLog> log)
    : m_pLog(std::move(log))
{
}

std::optional<RunMessage> MemorySink::Create(const std::string& path)
{
    if (m_refusal.m_nStringId != 0)
        return m_refusal;
    m_pLog->m_strCreatedPath = path;
    return std::nullopt;
}

void MemorySink::Write(const StereoFrame* frames, std::size_t count)
{
    if (m_nFailAfterFrames != 0 && m_pLog->m_written.size() + count > m_nFailAfterFrames)
        throw FileException(FileException::Cause::DiskFull, m_pLog->m_strCreatedPath, ENOSPC);
    m_pLog->m_writeBlocks.push_back(count);
    m_pLog->m_written.insert(m_pLog->m_written.end(), frames, frames + count);
}

void MemorySink::Finish(bool cancelled)
{
    ++m_pLog->m_nFinishes;
    m_pLog->m_bFinishedCancelled = cancelled;
}

void UseMemorySeams(GenerationRun& run, std::vector<StereoFrame> frames, const std::shared_ptr<SeamLog>& log,
                    int fileRate)
{
    run.SetSourceOpener(MemoryOpener(std::move(frames), log, fileRate));
    run.SetSink(std::make_unique<MemorySink>(log));
}
