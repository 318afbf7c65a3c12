#include "measurement/near_silence_survey.h"

#include <algorithm>
#include <cmath>

#include "formats/sample_conversion.h"

namespace {

const float kQuietPeak = static_cast<float>(std::pow(10.0, -70.0 / 20.0));
constexpr float kSixteenBitStep = static_cast<float>(1.0 / kPcm16FullScale);

}  // namespace

double NearSilenceSurvey::Seconds(std::uint64_t frames)
{
    return static_cast<double>(frames) / kRunSampleRate;
}

// A sample that is not a number counts as loud: it is no silence.
void NearSilenceSurvey::Take(const StereoFrame* frames, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const float peak = std::max(std::fabs(frames[i].left), std::fabs(frames[i].right));
        m_fBlockPeak = peak == peak ? std::max(m_fBlockPeak, peak) : INFINITY;
        ++m_nFrame;
        if (++m_nBlockFrames == kBlockFrames)
            EndBlock();
    }
}

void NearSilenceSurvey::EndBlock()
{
    if (m_nBlockFrames == 0)
        return;
    if (m_fBlockPeak < kQuietPeak) {
        m_nQuietFrames += m_nBlockFrames;
        if (m_nRunFrames == 0)
            m_nRunStart = m_nFrame - m_nBlockFrames;
        m_nRunFrames += m_nBlockFrames;
        if (m_nRunFrames > m_nLongestFrames) {
            m_nLongestFrames = m_nRunFrames;
            m_nLongestStart = m_nRunStart;
        }
    } else {
        m_nRunFrames = 0;
    }
    if (m_fBlockPeak < kSixteenBitStep)
        m_nBelowStepFrames += m_nBlockFrames;
    m_nBlockFrames = 0;
    m_fBlockPeak = 0.0f;
}

NearSilenceWatchSink::NearSilenceWatchSink(std::unique_ptr<FrameSink> sink, NearSilenceSurvey& survey)
    : m_pSink(std::move(sink)), m_survey(survey)
{
}

void NearSilenceWatchSink::Write(const StereoFrame* frames, std::size_t count)
{
    m_pSink->Write(frames, count);
    m_survey.Take(frames, count);
}

void NearSilenceWatchSink::Finish(bool cancelled)
{
    m_pSink->Finish(cancelled);
    m_survey.End();
}
