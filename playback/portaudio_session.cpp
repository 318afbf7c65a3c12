#include "playback/portaudio_session.h"

#include <portaudio.h>

PortAudioSession::PortAudioSession()
{
    const PaError error = Pa_Initialize();
    m_bReady = error == paNoError;
    if (!m_bReady) {
        m_strFailure = "The sound system could not be started: ";
        m_strFailure += Pa_GetErrorText(error);
        m_strFailure += '.';
    }
}

PortAudioSession::~PortAudioSession()
{
    if (m_bReady)
        Pa_Terminate();
}
