#include "formats/resampling_sink.h"

#include <algorithm>

#include "engine/run/generation_settings.h"
#include "formats/frame_counts.h"
#include "formats/stereo_resampler.h"

ResamplingSink::ResamplingSink(std::unique_ptr<FrameSink> inner, int rate, std::uint64_t frames)
    : m_pInner(std::move(inner))
    , m_pResampler(std::make_unique<StereoResampler>(kRunSampleRate, rate))
    , m_nExpected(ConvertedFrameCount(frames, kRunSampleRate, static_cast<std::uint32_t>(rate)))
{
}

ResamplingSink::~ResamplingSink() = default;

std::optional<RunMessage> ResamplingSink::Create(const std::string& path)
{
    return m_pInner->Create(path);
}

void ResamplingSink::Write(const StereoFrame* frames, std::size_t count)
{
    m_converted.clear();
    m_pResampler->Push({frames, count}, m_converted);
    Pass(m_converted);
}

void ResamplingSink::Finish(bool cancelled)
{
    if (!cancelled) {
        m_converted.clear();
        m_pResampler->Drain(m_converted);
        // The converter's count matches the promise; should it fall short by
        // rounding, silence makes up the rest.
        if (m_nPassed + m_converted.size() < m_nExpected)
            m_converted.resize(static_cast<std::size_t>(m_nExpected - m_nPassed), StereoFrame{0.0f, 0.0f});
        Pass(m_converted);
    }
    m_pInner->Finish(cancelled);
}

void ResamplingSink::Discard()
{
    m_pInner->Discard();
}

// Forwards frames, never more than promised in all.
void ResamplingSink::Pass(std::vector<StereoFrame>& frames)
{
    const std::uint64_t room = m_nExpected - m_nPassed;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(frames.size(), room));
    if (count == 0)
        return;
    m_pInner->Write(frames.data(), count);
    m_nPassed += count;
}
