#include "playback/playback_stream.h"

#include <algorithm>
#include <cstring>
#include <portaudio.h>

#include "engine/base/stereo_frame.h"
#include "playback/output_device.h"
#include "playback/portaudio_session.h"

namespace {

// The callback pulls the feed into a buffer of its own, this many frames at a
// time, and copies them out to the device's interleaved floats.
constexpr std::size_t kPullFrames = 256;
static_assert(sizeof(StereoFrame) == 2 * sizeof(float), "a frame is the device's two interleaved floats");

PaStream* AsStream(void* stream)
{
    return static_cast<PaStream*>(stream);
}

std::string DeviceSentence(const std::string& deviceName, const char* what, PaError error)
{
    std::string text = "The sound device \"";
    text += deviceName;
    text += "\" ";
    text += what;
    if (error != paNoError) {
        text += ": ";
        text += Pa_GetErrorText(error);
    }
    text += '.';
    return text;
}

PaStreamParameters StereoFloatParameters(const OutputDevice& device, double latency)
{
    PaStreamParameters parameters{};
    parameters.device = device.m_nIndex;
    parameters.channelCount = 2;
    parameters.sampleFormat = paFloat32;
    // The device's lowest at least; a wish that is no number gets that too.
    parameters.suggestedLatency = latency > device.m_dLowLatency ? latency : device.m_dLowLatency;
    parameters.hostApiSpecificStreamInfo = nullptr;
    return parameters;
}

}  // namespace

PlaybackStream::PlaybackStream(const PortAudioSession& session, FrameFeed& feed)
    : m_session(session)
    , m_feed(feed)
{
}

PlaybackStream::~PlaybackStream()
{
    Close();
}

std::optional<std::string> PlaybackStream::Open(const PlaybackSettings& settings)
{
    Close();
    std::string failure;
    const std::optional<OutputDevice> device = FindOutputDevice(m_session, settings.m_strDeviceName, failure);
    if (!device)
        return failure;
    const PaStreamParameters parameters = StereoFloatParameters(*device, settings.m_dLatencySeconds);
    if (device->m_nChannels < 2 || Pa_IsFormatSupported(nullptr, &parameters, kRunSampleRate) != paFormatIsSupported)
        return DeviceSentence(device->m_strName, "cannot play stereo sound at 44100 Hz", paNoError);
    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(&stream, nullptr, &parameters, kRunSampleRate, paFramesPerBufferUnspecified,
                                        paNoFlag, &PlaybackStream::Callback, this);
    if (error != paNoError)
        return DeviceSentence(device->m_strName, "could not be opened", error);
    m_pStream = stream;
    m_strDeviceName = device->m_strName;
    m_bPaused.store(false, std::memory_order_relaxed);
    m_nPulledFrames.store(0, std::memory_order_relaxed);
    m_nUnderflows.store(0, std::memory_order_relaxed);
    return std::nullopt;
}

void PlaybackStream::Close()
{
    if (m_pStream == nullptr)
        return;
    Pa_CloseStream(AsStream(m_pStream));  // aborts a running stream first
    m_pStream = nullptr;
    m_strDeviceName.clear();
}

std::optional<std::string> PlaybackStream::Start()
{
    if (m_pStream == nullptr)
        return std::string("No sound output device is open.");
    m_bPaused.store(false, std::memory_order_relaxed);
    if (Pa_IsStreamActive(AsStream(m_pStream)) == 1)
        return std::nullopt;
    const PaError error = Pa_StartStream(AsStream(m_pStream));
    if (error != paNoError)
        return DeviceSentence(m_strDeviceName, "could not start playing", error);
    return std::nullopt;
}

void PlaybackStream::Stop()
{
    if (m_pStream != nullptr && Pa_IsStreamStopped(AsStream(m_pStream)) == 0)
        Pa_AbortStream(AsStream(m_pStream));
}

bool PlaybackStream::IsRunning() const
{
    return m_pStream != nullptr && Pa_IsStreamActive(AsStream(m_pStream)) == 1;
}

double PlaybackStream::GetOutputLatency() const
{
    if (m_pStream == nullptr)
        return 0.0;
    const PaStreamInfo* info = Pa_GetStreamInfo(AsStream(m_pStream));
    return info != nullptr ? info->outputLatency : 0.0;
}

int PlaybackStream::Callback(const void* /*input*/, void* output, unsigned long frameCount,
                             const PaStreamCallbackTimeInfo* /*timeInfo*/, unsigned long statusFlags, void* self)
{
    auto* stream = static_cast<PlaybackStream*>(self);
    if ((statusFlags & paOutputUnderflow) != 0)
        stream->m_nUnderflows.fetch_add(1, std::memory_order_relaxed);
    stream->Play(static_cast<float*>(output), frameCount);
    return paContinue;
}

void PlaybackStream::Play(float* output, std::size_t frameCount) noexcept
{
    if (m_bPaused.load(std::memory_order_relaxed)) {
        std::memset(output, 0, frameCount * 2 * sizeof(float));
        return;
    }
    StereoFrame pulled[kPullFrames];
    for (std::size_t done = 0; done < frameCount;) {
        const std::size_t count = std::min(kPullFrames, frameCount - done);
        m_feed.Fill(pulled, count);
        std::memcpy(output + 2 * done, pulled, count * sizeof(StereoFrame));
        done += count;
    }
    m_nPulledFrames.fetch_add(frameCount, std::memory_order_release);
}
