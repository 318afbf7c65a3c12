#include "formats/output_sink_factory.h"

#include "engine/run/generation_settings.h"
#include "formats/dithering_sink.h"
#include "formats/flac_score_comment.h"
#include "formats/frame_counts.h"
#include "formats/replacing_file_sink.h"
#include "formats/resampling_sink.h"
#include "formats/score_chunk_writer.h"
#include "formats/sndfile_sink.h"
#include "formats/stored_score_sink.h"
#include "formats/wav_stream_sink.h"

namespace {

std::unique_ptr<FrameSink> AtDeliveryRate(std::unique_ptr<FrameSink> sink, const OutputFormat& format,
                                          std::uint64_t frames)
{
    if (format.m_nRate == kRunSampleRate)
        return sink;
    return std::make_unique<ResamplingSink>(std::move(sink), format.m_nRate, frames);
}

// The bytes a stored score adds to a file at most: its text, a chunk's
// header and padding (W64's are the largest), or nothing without one.
std::uint64_t StoredScoreRoom(const std::string& score)
{
    constexpr std::uint64_t kLargestChunkOverhead = 24 + 7 + 7;  // W64 header, padding before and after
    return score.empty() ? 0 : score.size() + kLargestChunkOverhead;
}

// The writer itself, with dither in front of it where it is asked for.
std::unique_ptr<FrameSink> Dithered(std::unique_ptr<FrameSink> writer, const OutputFormat& format,
                                    const OutputRequest& request)
{
    if (!request.m_ditherSeed || format.m_sample != SampleFormat::Pcm16)
        return writer;
    return std::make_unique<DitheringSink>(std::move(writer), *request.m_ditherSeed);
}

}  // namespace

std::unique_ptr<FrameSink> MakeOutputSink(const OutputFormat& asked, const OutputRequest& request,
                                          const DesktopWavSinkMaker& makeDesktopWav)
{
    const std::string& score = request.m_strStoredScore;
    const std::uint64_t scoreBytes = StoredScoreRoom(score);
    const OutputFormat format = FitToLength(asked, request.m_nFrames, scoreBytes);
    if (format.m_bToStandardOutput) {
        const std::uint64_t delivered =
            ConvertedFrameCount(request.m_nFrames, kRunSampleRate, static_cast<std::uint32_t>(format.m_nRate));
        auto stream = std::make_unique<WavStreamSink>(request.m_nStandardOutputFd, format, delivered,
                                                      request.m_streamWatch);
        stream->StoreScore(score);
        return AtDeliveryRate(Dithered(std::move(stream), format, request), format, request.m_nFrames);
    }
    const std::uint64_t predicted = PredictedOutputBytes(format, request.m_nFrames) + scoreBytes;
    std::unique_ptr<FrameSink> writer;
    if (format.IsDesktopWav() && !request.m_bLoop) {
        writer = Dithered(makeDesktopWav(), format, request);
    } else {
        auto file = std::make_unique<SndfileSink>(format);
        if (request.m_bLoop)
            file->MarkLoop(ConvertedFrameCount(request.m_nFrames, kRunSampleRate, static_cast<std::uint32_t>(format.m_nRate)));
        if (format.m_container == OutputContainer::Flac && !score.empty())
            file->SetComment(FlacScorePlaceholder(score));
        if (format.m_container == OutputContainer::W64 && !score.empty())
            file->LeaveRoomBefore(W64ScoreRoom(score));
        writer = AtDeliveryRate(Dithered(std::move(file), format, request), format, request.m_nFrames);
    }
    if (!score.empty())
        writer = std::make_unique<StoredScoreSink>(std::move(writer), format.m_container, score);
    return std::make_unique<ReplacingFileSink>(std::move(writer), request.m_strInputPath, predicted);
}
