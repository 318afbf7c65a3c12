#include "formats/stereo_fold.h"

#include <array>
#include <numeric>

namespace {

constexpr float kMinus3dB = 0.70710678f;
constexpr float kMinus6dB = 0.5f;

struct SideWeights {
    float left;
    float right;
};

SideWeights WeightsOf(ChannelPlace place)
{
    switch (place) {
    case ChannelPlace::FrontLeft: return {1.0f, 0.0f};
    case ChannelPlace::FrontRight: return {0.0f, 1.0f};
    case ChannelPlace::Centre: return {kMinus3dB, kMinus3dB};
    case ChannelPlace::RearCentre: return {kMinus6dB, kMinus6dB};
    case ChannelPlace::Lfe: return {0.0f, 0.0f};
    case ChannelPlace::SurroundLeft: return {kMinus3dB, 0.0f};
    case ChannelPlace::SurroundRight: return {0.0f, kMinus3dB};
    case ChannelPlace::Unknown: return {kMinus3dB, kMinus3dB};
    }
    return {0.0f, 0.0f};
}

using P = ChannelPlace;
constexpr P L = P::FrontLeft, R = P::FrontRight, C = P::Centre, Cs = P::RearCentre, LFE = P::Lfe,
            Ls = P::SurroundLeft, Rs = P::SurroundRight;

// Layouts for 3 to 8 channels. WAV's is the order of the WAVE_FORMAT_EXTENSIBLE
// speaker bits as FLAC fixes it for these counts (4 is quadraphonic, 5 has no
// LFE); Vorbis fixes its own.
const std::array<std::vector<ChannelPlace>, 6> kWaveLayouts = {{
    {L, R, C},
    {L, R, Ls, Rs},
    {L, R, C, Ls, Rs},
    {L, R, C, LFE, Ls, Rs},
    {L, R, C, LFE, Cs, Ls, Rs},
    {L, R, C, LFE, Ls, Rs, Ls, Rs},
}};
const std::array<std::vector<ChannelPlace>, 6> kVorbisLayouts = {{
    {L, C, R},
    {L, R, Ls, Rs},
    {L, C, R, Ls, Rs},
    {L, C, R, Ls, Rs, LFE},
    {L, C, R, Ls, Rs, Cs, LFE},
    {L, C, R, Ls, Rs, Ls, Rs, LFE},
}};

// Scales weights to sum to 1. A side that no channel feeds (all of them LFE,
// say) takes every channel equally rather than staying silent.
void Normalise(std::vector<float>& weights)
{
    const float sum = std::accumulate(weights.begin(), weights.end(), 0.0f);
    for (float& weight : weights)
        weight = sum > 0.0f ? weight / sum : 1.0f / static_cast<float>(weights.size());
}

}  // namespace

StereoFold::StereoFold(int channelCount)
    : m_nChannels(channelCount)
    , m_leftWeights(static_cast<std::size_t>(channelCount), 0.0f)
    , m_rightWeights(static_cast<std::size_t>(channelCount), 0.0f)
{
}

StereoFold StereoFold::ForCount(int channelCount, ChannelOrder order)
{
    if (channelCount == 1)
        return ForPlaces({P::Centre});
    if (channelCount == 2)
        return ForPlaces({L, R});
    if (channelCount >= 3 && channelCount <= 8) {
        const auto& layouts = order == ChannelOrder::Vorbis ? kVorbisLayouts : kWaveLayouts;
        return ForPlaces(layouts[static_cast<std::size_t>(channelCount - 3)]);
    }
    return ForPlaces(std::vector<ChannelPlace>(static_cast<std::size_t>(std::max(channelCount, 0)), P::Unknown));
}

StereoFold StereoFold::ForPlaces(const std::vector<ChannelPlace>& places)
{
    StereoFold fold(static_cast<int>(places.size()));
    if (places.size() == 1) {
        fold.m_leftWeights[0] = fold.m_rightWeights[0] = 1.0f;
        return fold;
    }
    if (places.size() == 2) {
        fold.m_leftWeights[0] = fold.m_rightWeights[1] = 1.0f;
        return fold;
    }
    for (std::size_t c = 0; c < places.size(); ++c) {
        const SideWeights weights = WeightsOf(places[c]);
        fold.m_leftWeights[c] = weights.left;
        fold.m_rightWeights[c] = weights.right;
    }
    Normalise(fold.m_leftWeights);
    Normalise(fold.m_rightWeights);
    return fold;
}

void StereoFold::Fold(const float* interleaved, std::size_t frames, StereoFrame* output) const
{
    const auto channels = static_cast<std::size_t>(m_nChannels);
    if (channels == 1) {
        for (std::size_t i = 0; i < frames; ++i)
            output[i] = {interleaved[i], interleaved[i]};
        return;
    }
    if (channels == 2) {
        for (std::size_t i = 0; i < frames; ++i)
            output[i] = {interleaved[2 * i], interleaved[2 * i + 1]};
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const float* frame = interleaved + i * channels;
        float left = 0.0f;
        float right = 0.0f;
        for (std::size_t c = 0; c < channels; ++c) {
            left += m_leftWeights[c] * frame[c];
            right += m_rightWeights[c] * frame[c];
        }
        output[i] = {left, right};
    }
}

std::string DescribeChannels(int channelCount)
{
    if (channelCount == 1)
        return "mono";
    if (channelCount == 2)
        return "stereo";
    return std::to_string(channelCount) + " channels folded to stereo";
}
