#include "formats/sndfile_source.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sndfile.h>
#include <sys/stat.h>

#include "engine/run/generation_settings.h"
#include "formats/decoded_length.h"
#include "formats/frame_counts.h"
#include "formats/sound_file_messages.h"
#include "formats/stereo_resampler.h"
#include "wav/file_exception.h"

namespace {

// Frames read from the file at a time.
constexpr std::size_t kBlockFrames = 4096;
// A float file may hold anything. Samples that are not numbers become silence,
// and magnitudes are held within 120 dB above full scale, so that the sums of
// thousands of overlapping grains stay finite numbers.
constexpr float kLargestSample = 1.0e6f;

float Sanitised(float sample)
{
    if (!std::isfinite(sample))
        return 0.0f;
    return std::clamp(sample, -kLargestSample, kLargestSample);
}

ChannelPlace PlaceOf(int position)
{
    switch (position) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT: return ChannelPlace::FrontLeft;
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT: return ChannelPlace::FrontRight;
    case SF_CHANNEL_MAP_MONO:
    case SF_CHANNEL_MAP_CENTER:
    case SF_CHANNEL_MAP_FRONT_CENTER:
    case SF_CHANNEL_MAP_TOP_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_CENTER: return ChannelPlace::Centre;
    case SF_CHANNEL_MAP_REAR_CENTER:
    case SF_CHANNEL_MAP_TOP_REAR_CENTER: return ChannelPlace::RearCentre;
    case SF_CHANNEL_MAP_LFE: return ChannelPlace::Lfe;
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    case SF_CHANNEL_MAP_SIDE_LEFT:
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
    case SF_CHANNEL_MAP_TOP_REAR_LEFT: return ChannelPlace::SurroundLeft;
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT: return ChannelPlace::SurroundRight;
    default: return ChannelPlace::Unknown;
    }
}

// libsndfile's own name of a format or encoding, up to its explanation in brackets.
std::string FormatName(int format, int command)
{
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, command, &info, sizeof info) != 0 || info.name == nullptr)
        return "unknown";
    std::string name = info.name;
    return name.substr(0, name.find(" ("));
}

std::uint64_t FramesAtRunRate(const SndfileFacts& facts)
{
    const auto frames = static_cast<std::uint64_t>(std::max<std::int64_t>(facts.m_nFrames, 0));
    return ConvertedFrameCount(frames, static_cast<std::uint32_t>(facts.m_nRate), kRunSampleRate);
}

std::string CheckFormat(const SndfileFacts& facts)
{
    if (facts.m_nChannels < 1 || facts.m_nChannels > SndfileSource::kMaxChannels)
        return "unsupported: " + std::to_string(facts.m_nChannels) + " channels";
    if (facts.m_nRate < SndfileSource::kMinRate)
        return "rate " + std::to_string(facts.m_nRate) + " Hz is below " + std::to_string(SndfileSource::kMinRate) +
               " Hz";
    if (facts.m_nRate > SndfileSource::kMaxRate)
        return "rate " + std::to_string(facts.m_nRate) + " Hz is above " + std::to_string(SndfileSource::kMaxRate) +
               " Hz";
    return {};
}

std::uint64_t FileBytes(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// The most frames at the file's rate that the run can hold at 44100 Hz.
std::uint64_t MostFileFrames(int rate)
{
    const auto fileRate = static_cast<std::uint32_t>(rate);
    std::uint64_t frames = kMaxSourceFrames * fileRate / kRunSampleRate;
    while (ConvertedFrameCount(frames + 1, fileRate, kRunSampleRate) <= kMaxSourceFrames)
        ++frames;
    while (frames > 0 && ConvertedFrameCount(frames, fileRate, kRunSampleRate) > kMaxSourceFrames)
        --frames;
    return frames;
}

// The reason a count of frames refuses the input, or nothing.
std::string CheckLength(const SndfileFacts& facts)
{
    if (FramesAtRunRate(facts) <= kMaxSourceFrames)
        return {};
    return TooLongInputReason(static_cast<double>(facts.m_nFrames) / facts.m_nRate);
}

std::string DescribeCountFailure(const DecodedLength& length)
{
    switch (length.m_kind) {
    case DecodedLength::Kind::TooLong: return TooLongInputReason(std::nullopt);
    case DecodedLength::Kind::Failed: return DescribeSystemError(length.m_nError);
    case DecodedLength::Kind::Cancelled: return "cancelled";
    case DecodedLength::Kind::Counted: break;
    }
    return {};
}

}  // namespace

void SndfileSource::FileCloser::operator()(sf_private_tag* file) const
{
    sf_close(file);
}

StereoFold ChooseStereoFold(sf_private_tag* file, const SndfileFacts& facts)
{
    std::vector<int> map(static_cast<std::size_t>(facts.m_nChannels));
    const bool hasMap =
        facts.m_nChannels > 2 &&
        sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), static_cast<int>(map.size() * sizeof(int))) == SF_TRUE;
    if (hasMap) {
        std::vector<ChannelPlace> places;
        for (const int position : map)
            places.push_back(PlaceOf(position));
        return StereoFold::ForPlaces(places);
    }
    const bool ogg = (facts.m_nFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG;
    return StereoFold::ForCount(facts.m_nChannels, ogg ? ChannelOrder::Vorbis : ChannelOrder::Wave);
}

SndfileSource::FileHandle SndfileSource::OpenFile(const std::string& path, SndfileFacts& facts,
                                                  std::string& reason)
{
    SF_INFO info{};
    FileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        const int error = sf_error(nullptr);
        reason = error == SF_ERR_SYSTEM ? std::string(sf_strerror(nullptr)) : "not a sound file libsndfile can read";
        return nullptr;
    }
    facts = SndfileFacts{info.format, info.samplerate, info.channels, info.frames};
    return file;
}

// A compressed input is counted by decoding it, then opened afresh for the
// run, so that the decoder it reads from starts from the file's start as
// any decoder does.
SndfileOpening SndfileSource::Open(const std::string& path, const std::string& displayName,
                                   const CancelCheck& cancelled)
{
    SndfileOpening opening;
    SndfileFacts facts;
    FileHandle file = OpenFile(path, facts, opening.m_strReason);
    if (!file)
        return opening;
    opening.m_strReason = CheckFormat(facts);
    if (!opening.m_strReason.empty())
        return opening;
    if (!IsLengthBackedByBytes(facts.m_nFormat, facts.m_nChannels, facts.m_nFrames, FileBytes(path))) {
        const DecodedLength length =
            CountDecodedFrames(file.get(), facts.m_nChannels, MostFileFrames(facts.m_nRate), cancelled);
        opening.m_strReason = DescribeCountFailure(length);
        opening.m_bCancelled = length.m_kind == DecodedLength::Kind::Cancelled;
        if (!opening.m_strReason.empty())
            return opening;
        SndfileFacts reopened;
        file = OpenFile(path, reopened, opening.m_strReason);
        if (!file)
            return opening;
        if (reopened.m_nRate != facts.m_nRate || reopened.m_nChannels != facts.m_nChannels) {
            opening.m_strReason = "the file changed while it was read";
            return opening;
        }
        facts.m_nFrames = static_cast<std::int64_t>(length.m_nFrames);
    }
    opening.m_strReason = CheckLength(facts);
    if (!opening.m_strReason.empty())
        return opening;
    const StereoFold fold = ChooseStereoFold(file.get(), facts);
    opening.m_pSource.reset(new SndfileSource(std::move(file), facts, fold, displayName));
    return opening;
}

SndfileSource::SndfileSource(FileHandle file, const SndfileFacts& facts, const StereoFold& fold,
                             std::string displayName)
    : m_file(std::move(file))
    , m_facts(facts)
    , m_fold(fold)
    , m_strDisplayName(std::move(displayName))
    , m_nFrameCount(FramesAtRunRate(facts))
{
    if (m_facts.m_nRate != kRunSampleRate)
        m_pResampler = std::make_unique<StereoResampler>(m_facts.m_nRate, kRunSampleRate);
    m_fileSamples.resize(kBlockFrames * static_cast<std::size_t>(m_facts.m_nChannels));
    m_folded.resize(kBlockFrames);
}

SndfileSource::~SndfileSource() = default;

void SndfileSource::Read(StereoFrame* frames, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        if (m_nReadyOffset == m_ready.size() && !Refill()) {
            // The decoder ended before the length the file announced: silence.
            std::fill(frames + done, frames + count, StereoFrame{0.0f, 0.0f});
            return;
        }
        const std::size_t take = std::min(count - done, m_ready.size() - m_nReadyOffset);
        std::copy_n(m_ready.begin() + static_cast<std::ptrdiff_t>(m_nReadyOffset), take, frames + done);
        m_nReadyOffset += take;
        done += take;
    }
}

// Makes the next frames at 44100 Hz ready; false once the file has given all it holds.
bool SndfileSource::Refill()
{
    m_ready.clear();
    m_nReadyOffset = 0;
    while (m_ready.empty() && !m_bFileDone) {
        const std::size_t got = ReadFileBlock();
        m_fold.Fold(m_fileSamples.data(), got, m_folded.data());
        for (std::size_t i = 0; i < got; ++i)
            m_folded[i] = {Sanitised(m_folded[i].left), Sanitised(m_folded[i].right)};
        const std::span<const StereoFrame> block(m_folded.data(), got);
        if (m_pResampler)
            m_pResampler->Push(block, m_ready);
        else
            m_ready.assign(block.begin(), block.end());
        if (got == 0) {
            m_bFileDone = true;
            if (m_pResampler)
                m_pResampler->Drain(m_ready);
        }
    }
    return !m_ready.empty();
}

// Reads up to one block; 0 at the end of the sound. A failure of the system
// below libsndfile raises FileException; a decoder that gives up on damaged
// data ends the sound there.
std::size_t SndfileSource::ReadFileBlock()
{
    if (!m_file)
        return 0;
    const sf_count_t got = sf_readf_float(m_file.get(), m_fileSamples.data(), static_cast<sf_count_t>(kBlockFrames));
    if (got <= 0 && sf_error(m_file.get()) == SF_ERR_SYSTEM)
        throw FileException(FileException::Cause::Read, m_strDisplayName, errno != 0 ? errno : EIO);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void SndfileSource::Close()
{
    m_file.reset();
    m_ready = {};
    m_folded = {};
    m_fileSamples = {};
}

std::string SndfileSource::Describe() const
{
    const std::string container = FormatName(m_facts.m_nFormat & SF_FORMAT_TYPEMASK, SFC_GET_FORMAT_INFO);
    const std::string encoding = FormatName(m_facts.m_nFormat & SF_FORMAT_SUBMASK, SFC_GET_FORMAT_INFO);
    return container + ", " + encoding + ", " + std::to_string(m_facts.m_nRate) + " Hz, " +
           DescribeChannels(m_facts.m_nChannels);
}
