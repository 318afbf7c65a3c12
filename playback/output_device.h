// The sound output devices PortAudio offers, as a list a window can show.
#pragma once

#include <optional>
#include <string>
#include <vector>

class PortAudioSession;

struct OutputDevice {
    int m_nIndex = -1;         // PortAudio's number, valid for the session that listed it
    std::string m_strName;     // as the system names it ("default", "pulse", "HDA Intel PCH: ALC892 Analog")
    std::string m_strHostApi;  // the sound system that offers it ("ALSA", "JACK Audio Connection Kit")
    int m_nChannels = 0;       // output channels at most
    double m_dDefaultRate = 0.0;
    double m_dLowLatency = 0.0;   // seconds, the device's own suggestions
    double m_dHighLatency = 0.0;
    bool m_bDefault = false;   // the system's default output
};

// Every device that can play sound, in PortAudio's order; empty when the
// session is not ready or there is none.
std::vector<OutputDevice> ListOutputDevices(const PortAudioSession& session);

// The device a name stands for: the system's default output for an empty name,
// else the first device of that exact name, those of the default sound system
// first (the same name can appear under several). Nothing when there is no
// such device; the text of why is in failure.
std::optional<OutputDevice> FindOutputDevice(const PortAudioSession& session, const std::string& name,
                                             std::string& failure);
