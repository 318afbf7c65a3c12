#include "formats/output_sink_factory.h"

#include "engine/generation_settings.h"
#include "formats/frame_counts.h"
#include "formats/replacing_file_sink.h"
#include "formats/resampling_sink.h"
#include "formats/sndfile_sink.h"
#include "formats/wav_stream_sink.h"

namespace {

std::unique_ptr<FrameSink> AtDeliveryRate(std::unique_ptr<FrameSink> sink, const OutputFormat& format,
                                          std::uint64_t frames)
{
    if (format.m_nRate == kRunSampleRate)
        return sink;
    return std::make_unique<ResamplingSink>(std::move(sink), format.m_nRate, frames);
}

}  // namespace

std::unique_ptr<FrameSink> MakeOutputSink(const OutputFormat& asked, const OutputRequest& request,
                                          const DesktopWavSinkMaker& makeDesktopWav)
{
    const OutputFormat format = FitToLength(asked, request.m_nFrames);
    if (format.m_bToStandardOutput) {
        const std::uint64_t delivered =
            ConvertedFrameCount(request.m_nFrames, kRunSampleRate, static_cast<std::uint32_t>(format.m_nRate));
        auto stream = std::make_unique<WavStreamSink>(request.m_nStandardOutputFd, format, delivered,
                                                      request.m_streamWatch);
        return AtDeliveryRate(std::move(stream), format, request.m_nFrames);
    }
    const std::uint64_t predicted = PredictedOutputBytes(format, request.m_nFrames);
    std::unique_ptr<FrameSink> writer;
    if (format.IsDesktopWav() && !request.m_bLoop) {
        writer = makeDesktopWav();
    } else {
        auto file = std::make_unique<SndfileSink>(format);
        if (request.m_bLoop)
            file->MarkLoop(ConvertedFrameCount(request.m_nFrames, kRunSampleRate, static_cast<std::uint32_t>(format.m_nRate)));
        writer = AtDeliveryRate(std::move(file), format, request.m_nFrames);
    }
    return std::make_unique<ReplacingFileSink>(std::move(writer), request.m_strInputPath, predicted);
}
