#include "studio/listening/listening.h"

#include <algorithm>

#include "playback/playback_stream.h"
#include "playback/portaudio_session.h"
#include "studio/listening/session_live_render.h"

namespace studio {

namespace {

// A tenth of a second of the device's buffer: a busy machine's late callback
// is rarely heard as a gap, and a press of play is still heard at once.
constexpr double kDeviceLatencySeconds = 0.05;
// What the meters may fall behind by before frames are dropped from the tap.
constexpr std::size_t kTapFrames = 1 << 16;

}  // namespace

Listening::Listening(std::shared_ptr<SourceCache> sources, const std::string& deviceName,
                     std::unique_ptr<LiveRender> render)
    : m_pSession(std::make_unique<PortAudioSession>())
    , m_pRender(render ? std::move(render) : std::make_unique<SessionLiveRender>(std::move(sources)))
    , m_tap(kTapFrames)
{
    m_pRender->SetTap(&m_tap);
    OpenDevice(deviceName);
}

Listening::~Listening()
{
    // The device stops pulling before the render goes.
    m_pStream.reset();
    m_pRender.reset();
}

void Listening::OpenDevice(const std::string& name)
{
    m_pStream.reset();
    m_bStarted = false;
    if (!m_pSession->IsReady()) {
        m_deviceProblem = "No sound device: " + m_pSession->GetFailure();
        return;
    }
    m_pStream = std::make_unique<PlaybackStream>(*m_pSession, *m_pRender);
    PlaybackSettings settings;
    settings.m_strDeviceName = name;
    settings.m_dLatencySeconds = kDeviceLatencySeconds;
    if (const std::optional<std::string> failure = m_pStream->Open(settings)) {
        m_deviceProblem = "No sound device: " + *failure;
        return;
    }
    m_deviceProblem.reset();
}

const std::string& Listening::GetDeviceName() const
{
    static const std::string kNone;
    return m_pStream ? m_pStream->GetDeviceName() : kNone;
}

std::vector<OutputDevice> Listening::ListDevices() const
{
    return ListOutputDevices(*m_pSession);
}

void Listening::ChooseDevice(const std::string& name)
{
    const bool playing = m_bPlaying;
    const std::uint64_t frame = GetHeardFrame();
    Pause();
    OpenDevice(name);
    if (playing)
        Play(frame);
}

void Listening::SetScore(const LiveScore& score)
{
    m_pRender->SetScore(score);
}

void Listening::SetLoop(std::optional<FrameStretch> loop)
{
    m_pRender->SetLoop(loop);
}

void Listening::Play(std::uint64_t frame)
{
    m_nStartFrame = frame;
    m_pRender->Start(frame);
    m_bPlaying = true;
    if (!m_pStream || m_deviceProblem)
        return;
    if (!m_bStarted) {
        if (const std::optional<std::string> failure = m_pStream->Start()) {
            m_deviceProblem = "The sound device would not start: " + *failure;
            return;
        }
        m_bStarted = true;
    }
    m_pStream->Resume();
}

void Listening::Pause()
{
    if (m_bPlaying)
        m_nStartFrame = GetHeardFrame();
    m_bPlaying = false;
    if (m_pStream)
        m_pStream->Pause();
}

void Listening::Cue(std::uint64_t frame)
{
    if (m_bPlaying)
        return;
    m_nStartFrame = frame;
    m_pRender->Cue(frame);
}

std::uint64_t Listening::GetHeardFrame() const
{
    if (!m_bPlaying)
        return m_nStartFrame;
    const std::uint64_t rendered = m_pRender->GetConsumerFrame();
    const auto held = static_cast<std::uint64_t>(GetOutputLatency() * kRunSampleRate);
    // Right after a start the device still plays what came before it.
    return rendered > m_nStartFrame + held ? rendered - held : std::min(rendered, m_nStartFrame);
}

double Listening::GetOutputLatency() const
{
    return m_pStream ? m_pStream->GetOutputLatency() : 0.0;
}

std::size_t Listening::TakeHeard(StereoFrame* frames, std::size_t count)
{
    return m_tap.Pop(frames, count);
}

}  // namespace studio
