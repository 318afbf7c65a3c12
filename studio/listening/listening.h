// Listening to the document: a live render played on a sound device, with
// the frames heard tapped for the meters and the spectrogram. Without a
// device everything here still answers (and says why nothing is heard).
//
// Called from the window's thread only; the device's callback pulls the
// render on its own thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/live/frame_queue.h"
#include "playback/output_device.h"
#include "studio/listening/live_render.h"

class PlaybackStream;
class PortAudioSession;

namespace studio {

class SourceCache;

class Listening {
public:
    // Opens the device named (empty: the system's default); render plays
    // the score (the studio's live render by default).
    explicit Listening(std::shared_ptr<SourceCache> sources, const std::string& deviceName = {},
                       std::unique_ptr<LiveRender> render = nullptr);
    ~Listening();
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;

    // Why no sound is heard from the device ("no sound device"), or nothing.
    const std::optional<std::string>& GetDeviceProblem() const { return m_deviceProblem; }
    const std::string& GetDeviceName() const;
    std::vector<OutputDevice> ListDevices() const;
    // Plays on another device from now on (empty: the default).
    void ChooseDevice(const std::string& name);

    void SetScore(const LiveScore& score);
    void SetLoop(std::optional<FrameStretch> loop);

    // Plays from frame; pauses; whether it plays.
    void Play(std::uint64_t frame);
    void Pause();
    // While paused: has the render ready to play from frame at once.
    void Cue(std::uint64_t frame);
    bool IsPlaying() const { return m_bPlaying; }
    // The track frame being heard now (the render's place, less what the
    // device still holds).
    std::uint64_t GetHeardFrame() const;
    // The frame where playing begins again after a pause, or where it was
    // asked to.
    std::uint64_t GetStartFrame() const { return m_nStartFrame; }

    LiveRender& GetRender() { return *m_pRender; }
    const LiveRender& GetRender() const { return *m_pRender; }
    // Up to count of the frames heard since the last call.
    std::size_t TakeHeard(StereoFrame* frames, std::size_t count);
    // The seconds from the press of play to the first frame out of the
    // device, as the device reports its latency.
    double GetOutputLatency() const;

private:
    void OpenDevice(const std::string& name);

    std::unique_ptr<PortAudioSession> m_pSession;
    std::unique_ptr<LiveRender> m_pRender;
    FrameQueue m_tap;
    std::unique_ptr<PlaybackStream> m_pStream;
    std::optional<std::string> m_deviceProblem;
    bool m_bPlaying = false;
    bool m_bStarted = false;  // the device runs (paused or not)
    std::uint64_t m_nStartFrame = 0;
};

}  // namespace studio
