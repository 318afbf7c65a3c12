// A source and a sink in memory, for runs that need no files: they record
// what the run asked of them where a test can read it after the run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/io/frame_sink.h"
#include "engine/io/sound_source.h"

// What the run did with a MemorySource and a MemorySink. The run owns and
// destroys them; the log outlives them.
struct SeamLog {
    std::vector<std::size_t> m_readBlocks;
    bool m_bSourceClosed = false;
    std::string m_strCreatedPath;
    std::vector<std::size_t> m_writeBlocks;
    std::vector<StereoFrame> m_written;
    int m_nFinishes = 0;
    bool m_bFinishedCancelled = false;
    bool m_bDiscarded = false;
};

class MemorySource : public SoundSource {
public:
    MemorySource(std::vector<StereoFrame> frames, int fileRate, std::shared_ptr<SeamLog> log);

    std::uint64_t GetFrameCount() const override { return m_frames.size(); }
    int GetFileRate() const override { return m_nFileRate; }
    void Read(StereoFrame* frames, std::size_t count) override;
    void Close() override { m_pLog->m_bSourceClosed = true; }

private:
    std::vector<StereoFrame> m_frames;
    int m_nFileRate;
    std::shared_ptr<SeamLog> m_pLog;
    std::size_t m_nNext = 0;
};

// An opener that hands out a MemorySource of frames, whatever the path.
SourceOpener MemoryOpener(std::vector<StereoFrame> frames, std::shared_ptr<SeamLog> log, int fileRate = 44100);

class MemorySink : public FrameSink {
public:
    explicit MemorySink(std::shared_ptr<SeamLog> log);

    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    void Finish(bool cancelled) override;
    void Discard() override { m_pLog->m_bDiscarded = true; }
    // 8 bytes a frame, as the frames are held.
    std::uint64_t GetBytesWritten() const override { return m_pLog->m_written.size() * sizeof(StereoFrame); }

    // Refuses Create with this message (id 0: accepts).
    RunMessage m_refusal;
    // Raises FileException at the write that would pass this many frames (0: never).
    std::size_t m_nFailAfterFrames = 0;

private:
    std::shared_ptr<SeamLog> m_pLog;
};

class GenerationRun;

// Points run at a MemorySource of frames and a MemorySink, both logging to log.
void UseMemorySeams(GenerationRun& run, std::vector<StereoFrame> frames, const std::shared_ptr<SeamLog>& log,
                    int fileRate = 44100);
