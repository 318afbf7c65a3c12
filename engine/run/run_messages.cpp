#include "engine/run/run_messages.h"

#include <string>

#include "engine/base/stereo_frame.h"
#include "resources/strings/resource_ids.h"

namespace {

// a / b rounded up, for positive b.
std::int64_t DivideRoundingUp(std::int64_t a, std::int64_t b)
{
    return (a + b - 1) / b;
}

// Names the shortest input that would do, in frames and milliseconds at the
// input's own rate, both rounded up so that an input of that length is
// enough: the frames whose count at 44100 Hz reaches one more than a grain.
RunMessage TooShortMessage(const RunFailure::ShortSource& source)
{
    const std::int64_t rate = source.m_nFileRate > 0 ? source.m_nFileRate : kRunSampleRate;
    const std::int64_t grainFrames = source.m_nGrainFrames;
    const auto longestRead = static_cast<std::int64_t>(source.m_nLongestRead);
    const std::int64_t shortestFrames = DivideRoundingUp((longestRead + 1) * rate, kRunSampleRate);
    const std::int64_t shortestMs = DivideRoundingUp(shortestFrames * 1000, rate);
    const std::int64_t grainMs = (grainFrames * 1000 + kRunSampleRate / 2) / kRunSampleRate;
    return TableMessage(IDS_ERR_INPUT_TOO_SHORT, {std::to_string(grainMs), std::to_string(shortestMs),
                                                  std::to_string(shortestFrames), std::to_string(rate)});
}

}  // namespace

RunMessage MessageOf(const RunFailure& failure)
{
    switch (failure.m_kind) {
    case RunFailure::Kind::SourceTooShort: return TooShortMessage(failure.m_shortSource);
    case RunFailure::Kind::SourceMemory: return TableMessage(IDS_ERR_SOURCE_MEMORY);
    case RunFailure::Kind::OutputMemory: return TableMessage(IDS_ERR_OUTPUT_MEMORY);
    case RunFailure::Kind::WindowMemory: return TableMessage(IDS_ERR_WINDOW_MEMORY);
    case RunFailure::Kind::Refused: return failure.m_message;
    case RunFailure::Kind::FileFailure: return TableMessage(IDS_ERR_FILE_FAILURE, {failure.m_strReason});
    case RunFailure::Kind::Unexpected: break;
    }
    return TableMessage(IDS_ERR_UNEXPECTED, {failure.m_strReason});
}

RunMessage CompletionMessage()
{
    return TableMessage(IDS_GENERATION_DONE);
}
