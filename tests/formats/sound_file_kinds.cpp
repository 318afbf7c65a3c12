#include "tests/formats/sound_file_kinds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sndfile.h>

#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

// A 1 s tone of 1000 Hz at half scale: {rate} {channels} {format options} {file}.
std::string SoxTone(const std::string& options, const std::string& file)
{
    return "sox -n " + options + " " + ShellQuote(file) + " synth 1 sine 1000 vol 0.5";
}

}  // namespace

const std::vector<InputKind> kInputKinds = {
    {"Wav8BitMono44100", "sox -n -r 44100 -c 1 -b 8 -e unsigned {out} synth 1 sine 1000 vol 0.5", "a.wav",
     InputRoute::WaveFile, 44100, 0},
    {"Wav16BitStereo22050", "sox -n -r 22050 -c 2 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.wav",
     InputRoute::WaveFile, 22050, 0},
    {"Wav16BitMono11025", "sox -n -r 11025 -c 1 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.wav",
     InputRoute::WaveFile, 11025, 0},
    {"Wav8BitMono48000", "sox -n -r 48000 -c 1 -b 8 -e unsigned {out} synth 1 sine 1000 vol 0.5", "a.wav",
     InputRoute::Sndfile, 48000, 0},
    {"VoiceMemo16BitMono8000", "sox -n -r 8000 -c 1 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.wav",
     InputRoute::Sndfile, 8000, 0},
    {"Wav24BitStereo48000", "sox -n -r 48000 -c 2 -b 24 {out} synth 1 sine 1000 vol 0.5", "a.wav",
     InputRoute::Sndfile, 48000, 0},
    {"Wav32BitIntegerStereo44100", "sox -n -r 44100 -c 2 -b 32 -e signed {out} synth 1 sine 1000 vol 0.5",
     "a.wav", InputRoute::Sndfile, 44100, 0},
    {"WavFloat32Stereo96000", "sox -n -r 96000 -c 2 -e floating-point -b 32 {out} synth 1 sine 1000 vol 0.5",
     "a.wav", InputRoute::Sndfile, 96000, 0},
    {"WavFloat64Stereo48000", "sox -n -r 48000 -c 2 -e floating-point -b 64 {out} synth 1 sine 1000 vol 0.5",
     "a.wav", InputRoute::Sndfile, 48000, 0},
    {"WaveFormatExtensible16Bit", "sndfile-convert -pcm16 {base44} {out}", "a.wavex", InputRoute::Sndfile, 44100,
     0},
    {"Wav384000", "sox -n -r 384000 -c 2 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.wav", InputRoute::Sndfile,
     384000, 0},
    {"SixChannelWav48000", "sox -n -r 48000 -c 6 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.wav",
     InputRoute::Sndfile, 48000, 0},
    {"W64", "sox -n -r 44100 -c 2 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.w64", InputRoute::Sndfile, 44100, 0},
    {"Rf64", "sndfile-convert -pcm24 {base48} {out}", "a.rf64", InputRoute::Sndfile, 48000, 0},
    {"Aiff24Bit48000", "sox -n -r 48000 -c 2 -b 24 {out} synth 1 sine 1000 vol 0.5", "a.aiff", InputRoute::Sndfile,
     48000, 0},
    {"Aifc", "sox -n -r 22050 -c 1 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.aifc", InputRoute::Sndfile, 22050,
     0},
    {"Caf", "sndfile-convert {base44} {out}", "a.caf", InputRoute::Sndfile, 44100, 0},
    {"Flac16Bit44100", "sox -n -r 44100 -c 2 -b 16 {out} synth 1 sine 1000 vol 0.5", "a.flac", InputRoute::Sndfile,
     44100, 0},
    {"Flac24Bit96000", "sox -n -r 96000 -c 2 -b 24 {out} synth 1 sine 1000 vol 0.5", "a.flac", InputRoute::Sndfile,
     96000, 0},
    {"OggVorbis", "sox {base44} -C 5 {out}", "a.ogg", InputRoute::Sndfile, 44100, 0.05},
    {"Opus", "sndfile-convert -opus {base48} {out}", "a.opus", InputRoute::Sndfile, 48000, 0.05},
    {"Mp3", "sndfile-convert {base44} {out}", "a.mp3", InputRoute::Sndfile, 44100, 0.05},
};

std::string FillCommand(std::string command, const TempDir& dir, const std::string& file)
{
    auto replace = [&](const std::string& key, const std::string& value) {
        for (std::size_t at; (at = command.find(key)) != std::string::npos;)
            command.replace(at, key.size(), value);
    };
    replace("{out}", ShellQuote(dir.File(file)));
    replace("{base44}", ShellQuote(dir.File("base44.wav")));
    replace("{base48}", ShellQuote(dir.File("base48.wav")));
    return command;
}

void MakeBaseTones(const TempDir& dir)
{
    MakeWithTool(SoxTone("-r 44100 -c 2 -b 16", dir.File("base44.wav")));
    MakeWithTool(SoxTone("-r 48000 -c 2 -b 16", dir.File("base48.wav")));
}

std::string MakeInputKind(const InputKind& kind, const TempDir& dir)
{
    MakeWithTool(FillCommand(kind.m_szMake, dir, kind.m_szFile));
    return dir.File(kind.m_szFile);
}

const std::vector<Delivery> kDeliveries = {
    {"Wav24Bit", "out.wav", 24, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_24, "Signed Integer PCM"},
    {"WavFloat", "out.wav", 32, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "Floating Point PCM"},
    {"Wav16Bit48000", "out.wav", 16, 48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "Signed Integer PCM"},
    {"Wav24Bit96000", "out.wav", 24, 96000, SF_FORMAT_WAV | SF_FORMAT_PCM_24, "Signed Integer PCM"},
    {"WavFloat88200", "out.wav", 32, 88200, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "Floating Point PCM"},
    {"Flac16Bit", "out.flac", 16, 44100, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "FLAC"},
    {"Flac24Bit48000", "out.flac", 24, 48000, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "FLAC"},
    {"W64_16Bit", "out.w64", 16, 44100, SF_FORMAT_W64 | SF_FORMAT_PCM_16, "Signed Integer PCM"},
    {"W64Float96000", "out.w64", 32, 96000, SF_FORMAT_W64 | SF_FORMAT_FLOAT, "Floating Point PCM", false},
};

void ExpectToolsReadDelivery(const std::string& path, const Delivery& delivery, std::uint64_t frames, double peak)
{
    const ToolResult info = RunTool("sndfile-info " + ShellQuote(path));
    char formatLine[64];
    std::snprintf(formatLine, sizeof formatLine, "Format      : 0x%08X", delivery.m_nSndfileFormat);
    EXPECT_NE(info.output.find(formatLine), std::string::npos) << info.output;
    EXPECT_EQ(ToolLine(info.output, "Sample Rate :"), "Sample Rate : " + std::to_string(delivery.m_nRate));
    EXPECT_EQ(ToolLine(info.output, "Frames      :"), "Frames      : " + std::to_string(frames));
    EXPECT_EQ(ToolLine(info.output, "Channels    :"), "Channels    : 2");

    const ToolResult sox = RunTool("sox --i " + ShellQuote(path));
    EXPECT_NE(ToolLine(sox.output, "Sample Encoding").find(delivery.m_szSoxEncoding), std::string::npos) << sox.output;
    EXPECT_NE(ToolLine(sox.output, "Sample Rate").find(std::to_string(delivery.m_nRate)), std::string::npos);
    // Where sox misreads the samples, it reads libsndfile's copy as a float WAV.
    std::string samples = path;
    if (!delivery.m_bSoxReadsPeak) {
        samples = path + ".float.wav";
        MakeWithTool("sndfile-convert -float32 " + ShellQuote(path) + " " + ShellQuote(samples));
    }
    // A 16-bit peak of trunc(0.5 × 32767) reads as 16383 / 32768: 3e-5 below.
    EXPECT_NEAR(SoxPeak(samples), peak, 1e-4) << path;
    if (samples != path)
        std::remove(samples.c_str());
}
