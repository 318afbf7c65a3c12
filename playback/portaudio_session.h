// PortAudio's library, started for as long as an object of this class lives.
#pragma once

#include <string>

// PortAudio must be initialised before any device is listed or opened, and
// sees the devices present at that moment: a device plugged in later appears
// once a new session starts. Sessions may nest (PortAudio counts them). Make
// and destroy them on one thread; they are not for the device's callback.
class PortAudioSession {
public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    // False when PortAudio could not start: then no device is listed or
    // opened, and GetFailure says why.
    bool IsReady() const { return m_bReady; }
    const std::string& GetFailure() const { return m_strFailure; }

private:
    bool m_bReady = false;
    std::string m_strFailure;
};
