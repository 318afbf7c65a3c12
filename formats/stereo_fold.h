// Folds the channels of an input file into the run's stereo frames.
//
// One channel is doubled (as the WAV reader does); two are taken as left and
// right. From three to eight channels each one is placed (by the file's own
// channel map, else by the usual order of its container) and weighted as the
// ITU-R BS.775 downmix does: a front channel fully to its side, the centre to
// both sides at -3 dB (0.7071), a surround, side or height channel to its side
// at -3 dB, a rear centre to both at -6 dB, the low-frequency channel not at
// all. Each side's weights are then divided by their sum, so every output
// sample is a weighted mean of input samples: it never exceeds the loudest
// input channel, whether one channel or all of them carry a full-scale signal,
// in phase or not. The run sets the peak level afterwards, so only the balance
// between channels matters, and that stays the ITU one.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "engine/base/stereo_frame.h"

// Where a channel sounds from; the positions libsndfile names, grouped by how
// they are folded.
enum class ChannelPlace {
    FrontLeft,
    FrontRight,
    Centre,
    RearCentre,
    Lfe,
    SurroundLeft,   // side, rear, left of centre and height channels on the left
    SurroundRight,  // the same on the right
    Unknown,        // no position (ambisonic components, unnamed channels): both sides, like a centre
};

// The order in which a container lays out its channels when the file carries no map.
enum class ChannelOrder {
    Wave,    // WAV, W64, RF64, FLAC, AIFF, CAF...: L R C LFE, then rear, then side
    Vorbis,  // Ogg Vorbis and Opus: L C R, then surrounds, LFE last
};

class StereoFold {
public:
    // The usual layout of channelCount channels in that order.
    static StereoFold ForCount(int channelCount, ChannelOrder order);
    // The layout named by a file's channel map.
    static StereoFold ForPlaces(const std::vector<ChannelPlace>& places);

    int GetChannelCount() const { return m_nChannels; }
    // Weight of channel c in the left and right output.
    float LeftWeight(int c) const { return m_leftWeights[static_cast<std::size_t>(c)]; }
    float RightWeight(int c) const { return m_rightWeights[static_cast<std::size_t>(c)]; }

    // Folds frames of interleaved samples (GetChannelCount per frame) into output.
    void Fold(const float* interleaved, std::size_t frames, StereoFrame* output) const;

private:
    explicit StereoFold(int channelCount);

    int m_nChannels;
    std::vector<float> m_leftWeights;
    std::vector<float> m_rightWeights;
};

// "mono", "stereo", "6 channels folded to stereo".
std::string DescribeChannels(int channelCount);
