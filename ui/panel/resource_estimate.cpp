#include "ui/panel/resource_estimate.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "engine/run/generation_settings.h"
#include "engine/parameters/parameter_table.h"
#include "engine/run/progress_text.h"

namespace {

constexpr std::int64_t kBytesPerMebibyte = 1048576;
constexpr std::int64_t kOutputBytesPerSecond = 176400;  // 16-bit stereo at 44100 Hz
constexpr std::int64_t kOutputHeaderBytes = 44;
constexpr std::int64_t kBytesPerStereoFrame = 8;  // two 32-bit floats in memory
// The longest grain (2000 ms) at 44100 Hz, one float of window table per frame.
std::int64_t WindowTableBytes()
{
    const auto longestMs = static_cast<std::int64_t>(RowOf(ParameterId::GrainLength).m_dMaximum);
    return longestMs * kRunSampleRate / 1000 * static_cast<std::int64_t>(sizeof(float));
}

std::int32_t ToFigure(std::int64_t mebibytes)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(mebibytes, 0, std::numeric_limits<std::int32_t>::max()));
}

// The input's frame count after it is brought up to 44100 Hz (× 1, × 2 or × 4).
std::int64_t SourceFramesAtRunRate(std::int64_t inputFrames, int inputRate)
{
    if (inputFrames <= 0 || inputRate <= 0)
        return 0;
    return inputFrames * (kRunSampleRate / inputRate);
}

}  // namespace

std::int32_t RequiredDiskMB(int durationSeconds)
{
    return ToFigure((durationSeconds * kOutputBytesPerSecond + kOutputHeaderBytes) / kBytesPerMebibyte);
}

std::int32_t RequiredMemoryMB(int durationSeconds, std::int64_t inputFrames, int inputRate)
{
    const std::int64_t outputFrames = std::int64_t{durationSeconds} * kRunSampleRate;
    const std::int64_t bytes = outputFrames * kBytesPerStereoFrame +
                               SourceFramesAtRunRate(inputFrames, inputRate) * kBytesPerStereoFrame +
                               WindowTableBytes();
    return ToFigure(bytes / kBytesPerMebibyte);
}

std::string OutputDiskFolder(const std::string& outputPath)
{
    std::error_code error;
    if (outputPath.empty())
        return std::filesystem::current_path(error).string();
    const std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
    return folder.empty() ? std::filesystem::current_path(error).string() : folder.string();
}

std::int32_t FreeDiskMegabytes(const std::string& folder)
{
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(folder, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1))
        return 0;
    return ToFigure(static_cast<std::int64_t>(space.available >> 20));
}

std::string FigureText(std::int32_t mebibytes)
{
    return FormatSizeMB(static_cast<unsigned>(mebibytes));
}
