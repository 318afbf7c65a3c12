// An input read by libsndfile (WAV in every PCM and float layout, W64, RF64,
// AIFF, FLAC, Ogg Vorbis, Opus, MP3 and the rest of what it reads), folded to
// stereo and converted to the run's 44100 Hz by libsoxr on the way into the
// SourceBuffer, a block at a time. Its length is the sound the file really
// holds, found before anything is read into memory (see decoded_length.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/io/sound_source.h"
#include "formats/cancel_check.h"
#include "formats/stereo_fold.h"

struct sf_private_tag;
class StereoResampler;

// What libsndfile reads the file as.
struct SndfileFacts {
    int m_nFormat = 0;  // libsndfile's SF_FORMAT_* value
    int m_nRate = 0;
    int m_nChannels = 0;
    std::int64_t m_nFrames = 0;  // at the file's rate: what the file really holds
};

class SndfileSource;

// What opening an input with libsndfile came to.
struct SndfileOpening {
    std::unique_ptr<SndfileSource> m_pSource;
    std::string m_strReason;    // why there is no source
    bool m_bCancelled = false;  // the check stopped the count of its frames
};

class SndfileSource : public SoundSource {
public:
    // The sample rates and channel counts accepted.
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 384000;
    static constexpr int kMaxChannels = 8;

    // Opens path with libsndfile, checks rate and channels, and finds the
    // input's real length: decoding it to its end unless its size vouches for
    // its header (the check is asked after every block). An input longer than
    // the run can hold is refused as soon as that is certain. The reasons
    // for no source: "not a sound file libsndfile can read", "unsupported: 12
    // channels", "rate 500 Hz is below 8000 Hz", "a 62500 s input is longer
    // than ...". displayName names the file in errors raised while reading.
    static SndfileOpening Open(const std::string& path, const std::string& displayName,
                               const CancelCheck& cancelled = {});
    ~SndfileSource() override;

    std::uint64_t GetFrameCount() const override { return m_nFrameCount; }
    int GetFileRate() const override { return m_facts.m_nRate; }
    void Read(StereoFrame* frames, std::size_t count) override;
    void Close() override;

    const SndfileFacts& GetFacts() const { return m_facts; }
    // "FLAC, 24-bit PCM, 96000 Hz, 6 channels folded to stereo"
    std::string Describe() const;

private:
    struct FileCloser {
        void operator()(sf_private_tag* file) const;
    };
    using FileHandle = std::unique_ptr<sf_private_tag, FileCloser>;

    SndfileSource(FileHandle file, const SndfileFacts& facts, const StereoFold& fold, std::string displayName);
    static FileHandle OpenFile(const std::string& path, SndfileFacts& facts, std::string& reason);
    bool Refill();
    std::size_t ReadFileBlock();

    FileHandle m_file;
    SndfileFacts m_facts;
    StereoFold m_fold;
    std::string m_strDisplayName;
    std::uint64_t m_nFrameCount;
    std::unique_ptr<StereoResampler> m_pResampler;  // none at 44100 Hz
    std::vector<float> m_fileSamples;               // one block as the file holds it
    std::vector<StereoFrame> m_folded;              // the same block folded to stereo
    std::vector<StereoFrame> m_ready;               // frames at 44100 Hz not handed out yet
    std::size_t m_nReadyOffset = 0;
    bool m_bFileDone = false;
};

// The channel layout libsndfile reports for the file, else its container's usual one.
StereoFold ChooseStereoFold(sf_private_tag* file, const SndfileFacts& facts);
