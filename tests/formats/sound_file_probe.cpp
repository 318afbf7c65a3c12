#include "tests/formats/sound_file_probe.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include "tests/support/external_tool.h"

namespace {

int IntegerShift(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 8;
    case SF_FORMAT_PCM_32: return 0;
    default: return -1;
    }
}

}  // namespace

SoundFileContents ReadSoundFile(const std::string& path)
{
    SoundFileContents contents;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return contents;
    contents.m_bOpened = true;
    contents.m_nFormat = info.format;
    contents.m_nRate = info.samplerate;
    contents.m_nChannels = info.channels;
    const auto count = static_cast<std::size_t>(info.frames * info.channels);
    contents.m_samples.resize(count);
    contents.m_samples.resize(static_cast<std::size_t>(sf_readf_float(file, contents.m_samples.data(), info.frames)) *
                              static_cast<std::size_t>(info.channels));
    const int shift = IntegerShift(info.format);
    if (shift >= 0) {
        sf_seek(file, 0, SEEK_SET);
        contents.m_integers.resize(count);
        sf_readf_int(file, contents.m_integers.data(), info.frames);
        for (std::int32_t& value : contents.m_integers)
            value >>= shift;
    }
    sf_close(file);
    return contents;
}

std::vector<StereoFrame> ReadAllFrames(SoundSource& source, std::size_t pieceFrames)
{
    std::vector<StereoFrame> frames(static_cast<std::size_t>(source.GetFrameCount()));
    for (std::size_t done = 0; done < frames.size(); done += pieceFrames)
        source.Read(frames.data() + done, std::min(pieceFrames, frames.size() - done));
    return frames;
}

void MakeWithTool(const std::string& command)
{
    const ToolResult result = RunTool(command);
    ASSERT_EQ(result.exitCode, 0) << command << "\n" << result.output;
}

void WriteSoundFile(const std::string& path, int format, int rate, int channels, const std::vector<float>& samples)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels)));
    sf_close(file);
}

std::vector<StereoFrame> StereoFramesOf(const SoundFileContents& contents)
{
    std::vector<StereoFrame> frames;
    frames.reserve(contents.m_samples.size() / 2);
    for (std::size_t i = 0; i + 1 < contents.m_samples.size(); i += 2)
        frames.push_back({contents.m_samples[i], contents.m_samples[i + 1]});
    return frames;
}
