// Plays what a FrameFeed hands out on a sound output device, through PortAudio.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/live/frame_feed.h"

class PortAudioSession;

struct PlaybackSettings {
    // The device by its name as ListOutputDevices gives it; empty for the
    // system's default output.
    std::string m_strDeviceName;
    // How far ahead of the loudspeaker the device may buffer, in seconds. A
    // wish: the device grants at least its own lowest latency, and reports
    // what it granted (GetOutputLatency).
    double m_dLatencySeconds = 0.1;
};

// A stream plays stereo 32-bit float frames at 44100 Hz, the engine's own
// format; a device that cannot take them (the sound system converts where it
// can) is refused when the stream opens. Three threads meet here: the owner's
// (open, start, pause, stop, close), the device's callback, which only pulls
// the feed, and any thread that reads the counters.
//
// Without a usable device Open fails with a message to show, and the stream
// stays closed: every other call is then harmless and does nothing, so the
// program around it keeps working.
class PlaybackStream {
public:
    // The session and the feed must outlive the stream.
    PlaybackStream(const PortAudioSession& session, FrameFeed& feed);
    ~PlaybackStream();
    PlaybackStream(const PlaybackStream&) = delete;
    PlaybackStream& operator=(const PlaybackStream&) = delete;

    // Opens the device (closing any open before), stopped. Answers nothing
    // when the stream is open, else the reason it is not, in a sentence.
    std::optional<std::string> Open(const PlaybackSettings& settings);
    void Close();
    bool IsOpen() const { return m_pStream != nullptr; }

    // Starts pulling the feed and playing (not paused). Answers the reason
    // when the device would not start (or the stream is not open).
    std::optional<std::string> Start();
    // Silence at once, without pulling the feed; the device keeps running,
    // so that Resume is heard within one buffer.
    void Pause() { m_bPaused.store(true, std::memory_order_relaxed); }
    void Resume() { m_bPaused.store(false, std::memory_order_relaxed); }
    // Stops the device at once: what it still held is not heard.
    void Stop();
    bool IsRunning() const;
    bool IsPaused() const { return m_bPaused.load(std::memory_order_relaxed); }

    // The open device's name and the latency its stream reports, in seconds
    // from a frame leaving the feed to its being heard; 0 when closed.
    const std::string& GetDeviceName() const { return m_strDeviceName; }
    double GetOutputLatency() const;
    // Frames pulled from the feed since the stream opened.
    std::uint64_t GetPulledFrameCount() const { return m_nPulledFrames.load(std::memory_order_acquire); }
    // Times the device reported it ran dry (the callback came too late).
    std::uint64_t GetDeviceUnderflowCount() const { return m_nUnderflows.load(std::memory_order_relaxed); }

private:
    static int Callback(const void* input, void* output, unsigned long frameCount,
                        const struct PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                        void* self);
    void Play(float* output, std::size_t frameCount) noexcept;

    const PortAudioSession& m_session;
    FrameFeed& m_feed;
    void* m_pStream = nullptr;  // PortAudio's PaStream
    std::string m_strDeviceName;
    std::atomic<bool> m_bPaused{false};
    std::atomic<std::uint64_t> m_nPulledFrames{0};
    std::atomic<std::uint64_t> m_nUnderflows{0};
};
