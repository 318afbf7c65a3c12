// The WAV input seam: 16-bit values over 32767 as 32-bit floats, the lower
// rates brought up to 44100 Hz by WaveFile, and the message of a refused file.
#include <gtest/gtest.h>

#include <vector>

#include "engine/io/wave_sound_source.h"
#include "resources/strings/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/support/wav_bytes.h"

TEST(WaveSoundSource, SixteenBitValuesBecomeFloatsOver32767)
{
    EXPECT_EQ(WaveSoundSource::ToSample(32767), 1.0f);
    EXPECT_EQ(WaveSoundSource::ToSample(0), 0.0f);
    EXPECT_EQ(WaveSoundSource::ToSample(-32768), static_cast<float>(-32768 * static_cast<double>(1.0f / 32767.0f)));
    EXPECT_FLOAT_EQ(WaveSoundSource::ToSample(-32768), -1.0000305f);
    EXPECT_EQ(WaveSoundSource::ToSample(16384), static_cast<float>(16384 * static_cast<double>(1.0f / 32767.0f)));
}

TEST(WaveSoundSource, ReadsTheFramesOfTheFileInOrder)
{
    TempDir dir;
    const std::vector<std::int16_t> samples = {1000, -1000, 32767, -32768, 0, 7};
    WriteWholeFile(dir.File("in.wav"), MakeWav(WavLayout{}, Pcm16Bytes(samples)));
    SourceOpening opening = OpenWaveSource(dir.File("in.wav"));
    ASSERT_TRUE(opening.m_pSource);
    SoundSource& source = *opening.m_pSource;
    EXPECT_EQ(source.GetFrameCount(), 3u);
    EXPECT_EQ(source.GetFileRate(), 44100);
    std::vector<StereoFrame> frames(3);
    source.Read(frames.data(), 1);
    source.Read(frames.data() + 1, 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float value = i % 2 == 0 ? frames[i / 2].left : frames[i / 2].right;
        EXPECT_EQ(value, WaveSoundSource::ToSample(samples[i])) << i;
    }
    source.Close();
}

// 3000 frames at 22050 and 11025 Hz are 6000 and 12000 frames at 44100.
TEST(WaveSoundSource, LowerRatesCountTheirFramesAt44100)
{
    TempDir dir;
    for (const std::uint32_t rate : {22050u, 11025u}) {
        WriteToneWav(dir.File("in.wav"), 3000, rate);
        SourceOpening opening = OpenWaveSource(dir.File("in.wav"));
        ASSERT_TRUE(opening.m_pSource);
        EXPECT_EQ(opening.m_pSource->GetFrameCount(), 3000u * 44100u / rate);
        EXPECT_EQ(opening.m_pSource->GetFileRate(), static_cast<int>(rate));
    }
}

TEST(WaveSoundSource, AFileThatWaveFileRefusesGivesTheOpenInputMessage)
{
    TempDir dir;
    for (const bool exists : {false, true}) {
        if (exists)
            WriteToneWav(dir.File("in.wav"), 1000, 48000);
        const SourceOpening opening = OpenWaveSource(dir.File("in.wav"));
        EXPECT_FALSE(opening.m_pSource);
        EXPECT_EQ(opening.m_failure.m_nStringId, IDS_ERR_OPEN_INPUT);
        EXPECT_EQ(opening.m_failure.m_strText.rfind("Cannot open the input (original) sound file.", 0), 0u);
    }
}
