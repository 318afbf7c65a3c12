#include "engine/finishing/level_finisher.h"

#include <cmath>

LevelFinisher::LevelFinisher(double volume, std::int32_t fadeFrames, std::uint64_t totalFrames)
    : m_fVolume(static_cast<float>(volume))
    , m_nFadeFrames(fadeFrames)
    , m_nTotalFrames(totalFrames)
    , m_nFadeTotal(totalFrames)
{
}

void LevelFinisher::SetFadePlace(std::uint64_t offset, std::uint64_t wholeFrames)
{
    m_nFadeOffset = offset;
    m_nFadeTotal = wholeFrames;
}

void LevelFinisher::AddToSums(std::span<const StereoFrame> piece)
{
    for (const StereoFrame& frame : piece) {
        m_fSumLeft += frame.left;
        m_fSumRight += frame.right;
    }
}

// The sum over the frame count, divided in 64-bit floating point.
float LevelFinisher::MeanOf(float sum) const
{
    if (!m_bRemoveMeans)
        return 0.0f;
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(m_nTotalFrames));
}

void LevelFinisher::RemoveMeans(std::span<StereoFrame> piece) const
{
    if (piece.empty() || !m_bRemoveMeans)
        return;
    const float meanLeft = MeanOf(m_fSumLeft);
    const float meanRight = MeanOf(m_fSumRight);
    for (StereoFrame& frame : piece) {
        frame.left -= meanLeft;
        frame.right -= meanRight;
    }
}

void LevelFinisher::FindPeak(std::span<const StereoFrame> piece)
{
    for (const StereoFrame& frame : piece) {
        IncludeInPeak(frame.left);
        IncludeInPeak(frame.right);
    }
}

void LevelFinisher::IncludeInPeak(float value)
{
    if (std::fabs(value) > m_fPeak)
        m_fPeak = std::fabs(value);
}

// A value that is not a number fails both comparisons, so it is never an
// extreme, just as it never raises the peak.
void LevelFinisher::ChannelExtremes::Include(float value)
{
    if (!m_bAny) {
        if (value == value) {
            m_fLowest = value;
            m_fHighest = value;
            m_bAny = true;
        }
        return;
    }
    if (value < m_fLowest)
        m_fLowest = value;
    if (value > m_fHighest)
        m_fHighest = value;
}

void LevelFinisher::Survey(std::span<const StereoFrame> piece)
{
    AddToSums(piece);
    for (const StereoFrame& frame : piece) {
        m_left.Include(frame.left);
        m_right.Include(frame.right);
    }
}

// x − mean rounds to a float that never decreases as x grows (for a finite
// mean; an infinite or undefined mean is no exception: then the subtraction
// makes every value infinite or not a number alike, and the extremes show it
// as the values themselves would). So the values after RemoveMeans lie
// between the extremes after it, and the largest magnitude among them is that
// of an extreme. A channel without a number (an empty sound) adds nothing.
void LevelFinisher::FindPeakFromExtremes()
{
    if (m_nTotalFrames == 0)
        return;
    const float meanLeft = MeanOf(m_fSumLeft);
    const float meanRight = MeanOf(m_fSumRight);
    if (m_left.m_bAny) {
        IncludeInPeak(m_left.m_fLowest - meanLeft);
        IncludeInPeak(m_left.m_fHighest - meanLeft);
    }
    if (m_right.m_bAny) {
        IncludeInPeak(m_right.m_fLowest - meanRight);
        IncludeInPeak(m_right.m_fHighest - meanRight);
    }
}

void LevelFinisher::FinishPiece(std::span<StereoFrame> piece, std::uint64_t first) const
{
    RemoveMeans(piece);
    ScaleAndFade(piece, first);
}

// Both channels are scaled by the same factor, so the peak lands on the
// volume, and faded. A silent sound (peak 0) has nothing to scale: it is
// written as zeros instead of being divided by zero.
void LevelFinisher::ScaleAndFade(std::span<StereoFrame> piece, std::uint64_t first) const
{
    const auto divisor = static_cast<float>(static_cast<double>(m_fPeak) / m_fVolume);
    const bool scalable = divisor > 0.0f && std::isfinite(divisor);
    std::uint64_t j = first;
    for (StereoFrame& frame : piece) {
        if (scalable) {
            const double gain = FadeGain(j);
            frame.left = static_cast<float>(frame.left / static_cast<double>(divisor) * gain);
            frame.right = static_cast<float>(frame.right / static_cast<double>(divisor) * gain);
        } else {
            frame = StereoFrame{0.0f, 0.0f};
        }
        ++j;
    }
}

double LevelFinisher::FadeGain(std::uint64_t frame) const
{
    const std::uint64_t j = frame + m_nFadeOffset;
    // Unsigned, like the frame indices: with a fade longer than the sound,
    // total − fade wraps around and every frame stays on the rising ramp.
    const auto fade = static_cast<std::uint64_t>(static_cast<std::uint32_t>(m_nFadeFrames));
    if (j < fade)
        return static_cast<double>(j) / m_nFadeFrames;
    if (j < m_nFadeTotal - fade)
        return 1.0;
    return 1.0 - static_cast<double>(j - (m_nFadeTotal - fade)) / m_nFadeFrames;
}
