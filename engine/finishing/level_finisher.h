// Level finishing on plain memory: the sound without DC offset, its peak at
// the volume, faded in and out. Four passes, each able to take the sound in
// consecutive pieces; or, for a sound too long to hold, one survey pass and
// one finishing pass with the same result.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/stereo_frame.h"

// The passes, in this order, each over every frame of the sound, in order,
// in pieces of any size:
//
//   AddToSums(piece)             1. channel sums, in 32-bit floats
//   RemoveMeans(piece)           2. each channel's mean taken off
//   FindPeak(piece)              3. the largest magnitude over both channels
//   ScaleAndFade(piece, first)   4. the peak brought to the volume, the fade applied
//
// The arithmetic is the same whatever the pieces: sums are accumulated frame
// by frame in order, and pass 4 reads the fade at each frame's index in the
// whole sound. A silent result (peak 0) stays silent.
//
// A sound that is never held whole takes two passes instead, with the same
// bits:
//
//   Survey(piece)                1. channel sums as AddToSums, and each
//                                   channel's lowest and highest value
//   FindPeakFromExtremes()          the peak pass 3 would find, from those
//   RemoveMeans + ScaleAndFade   2. on each piece, in order, before it goes out
//
// Taking the mean off is a float subtraction, which never changes the order of
// two values, so the lowest and highest value of a channel stay its lowest and
// highest after it: the largest magnitude after the subtraction is that of
// one of them.
class LevelFinisher {
public:
    // volume: peak level as a fraction of full scale; fadeFrames: length of
    // the fade in and of the fade out; totalFrames: frames of the whole sound.
    LevelFinisher(double volume, std::int32_t fadeFrames, std::uint64_t totalFrames);

    void AddToSums(std::span<const StereoFrame> piece);
    // AddToSums, and the extremes of each channel (values that are not a
    // number left out, as FindPeak leaves them out).
    void Survey(std::span<const StereoFrame> piece);
    // Sets the peak FindPeak would find after RemoveMeans, from the survey.
    void FindPeakFromExtremes();
    void RemoveMeans(std::span<StereoFrame> piece) const;
    void FindPeak(std::span<const StereoFrame> piece);
    // first is the index of piece[0] in the whole sound.
    void ScaleAndFade(std::span<StereoFrame> piece, std::uint64_t first) const;

    // The fade envelope at frame j of the whole sound: a linear rise from 0
    // over the first fadeFrames frames, 1 in between, a linear fall over the
    // last fadeFrames frames (down to 1/fadeFrames, not 0).
    double FadeGain(std::uint64_t j) const;
    // The sound is a stretch of a longer one (an excerpt): its frame 0 is
    // frame offset of a sound of wholeFrames frames, whose fades it keeps.
    void SetFadePlace(std::uint64_t offset, std::uint64_t wholeFrames);
    // Leaves the means on: the sound's DC offset was taken off where it arose
    // (a mix whose layers' gains move), and subtracting a mean would turn its
    // silences into a constant offset. The means count as 0 from then on.
    void KeepMeans() { m_bRemoveMeans = false; }

    // RemoveMeans, then ScaleAndFade: a piece of the surveyed sound made final.
    void FinishPiece(std::span<StereoFrame> piece, std::uint64_t first) const;

    float GetPeak() const { return m_fPeak; }
    // The means RemoveMeans takes off, from the sums so far.
    float GetMeanLeft() const { return MeanOf(m_fSumLeft); }
    float GetMeanRight() const { return MeanOf(m_fSumRight); }

private:
    // The lowest and highest value a channel has shown, if any.
    struct ChannelExtremes {
        bool m_bAny = false;
        float m_fLowest = 0.0f;
        float m_fHighest = 0.0f;

        void Include(float value);
    };

    float MeanOf(float sum) const;
    void IncludeInPeak(float value);

    float m_fVolume;
    std::int32_t m_nFadeFrames;
    std::uint64_t m_nTotalFrames;
    std::uint64_t m_nFadeOffset = 0;
    std::uint64_t m_nFadeTotal;  // the frames the fade out ends at
    bool m_bRemoveMeans = true;
    float m_fSumLeft = 0.0f;
    float m_fSumRight = 0.0f;
    float m_fPeak = 0.0f;
    ChannelExtremes m_left;
    ChannelExtremes m_right;
};
