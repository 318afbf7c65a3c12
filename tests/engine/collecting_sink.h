// A sink that keeps every frame it is handed, and how the run ended it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/io/frame_sink.h"

class CollectingSink : public FrameSink {
public:
    std::optional<RunMessage> Create(const std::string&) override { return std::nullopt; }
    void Write(const StereoFrame* frames, std::size_t count) override
    {
        m_frames.insert(m_frames.end(), frames, frames + count);
    }
    void Finish(bool cancelled) override
    {
        m_bFinished = true;
        m_bCancelled = cancelled;
    }
    void Discard() override {}
    std::uint64_t GetBytesWritten() const override { return m_frames.size() * sizeof(StereoFrame); }

    std::vector<StereoFrame> m_frames;
    bool m_bFinished = false;
    bool m_bCancelled = false;
};
