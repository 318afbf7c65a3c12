#include "ui/panel/input_facts.h"

#include <algorithm>
#include <cstdio>

#include "wav/wave_file.h"

namespace {

constexpr int kInspectionRate = 44100;
constexpr std::int64_t kHeaderBytes = 44;

// The file's length: where its end lies. Any failure counts as an unusable file.
std::int64_t FileLength(WaveFile& file)
{
    try {
        return file.Seek(0, DiskFile::end);
    } catch (const FileException&) {
        return 0;
    }
}

}  // namespace

int InspectInputFile(const std::string& path, InputFacts& facts)
{
    facts = InputFacts{};
    WaveFile file;
    if (file.OpenForRead(path, kInspectionRate) != 0)
        return 1;
    InputFacts found;
    found.m_nInputFrames = file.GetFrameCount();
    found.m_nInputRate = file.GetSampleRate();
    found.m_nInputChannels = file.GetChannels();
    found.m_nInputBytesPerSample = file.GetBytesPerSample();
    found.m_nInputSeconds = found.m_nInputFrames / found.m_nInputRate;
    found.m_nInputFileSize = FileLength(file);
    // Reading changes nothing on disk, so a failing close can't lose anything.
    try {
        file.CloseFile();
    } catch (const FileException&) {
    }
    if (found.m_nInputFileSize <= 0)
        return 1;
    facts = found;
    return 0;
}

std::string FormatInputLength(std::int32_t seconds)
{
    const int hours = seconds / 3600;
    const int minutes = seconds % 3600 / 60;
    const int rest = seconds % 60;
    char text[32];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", hours, minutes, rest);
    else
        std::snprintf(text, sizeof text, "%2.2d:%2.2d", minutes, rest);
    return text;
}

std::string FormatLine(const InputFacts& facts)
{
    if (!facts.IsValid())
        return {};
    const int bits = facts.m_nInputBytesPerSample == 1 ? 8 : 16;
    const char* channels = facts.m_nInputChannels == 1 ? "mono" : "stereo";
    char text[64];
    std::snprintf(text, sizeof text, "Format  %d %d bits %s", static_cast<int>(facts.m_nInputRate), bits, channels);
    return text;
}

std::string TimeSizeLine(const InputFacts& facts)
{
    if (!facts.IsValid())
        return {};
    const auto sizeMB = static_cast<std::uint32_t>(std::max<std::int64_t>(facts.m_nInputFileSize - kHeaderBytes, 0) >> 20);
    char text[64];
    std::snprintf(text, sizeof text, "Time  %s     Size  %lu MB", FormatInputLength(facts.m_nInputSeconds).c_str(),
                  static_cast<unsigned long>(sizeMB));
    return text;
}
