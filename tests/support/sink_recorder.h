// Records what a PulseAudio server plays, from a sink's monitor, with
// parecord: stereo 32-bit float at 44100 Hz into a raw file.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

#include "engine/base/stereo_frame.h"

class SinkRecorder {
public:
    // Starts parecord on source (a monitor's name), writing to path.
    SinkRecorder(const std::string& source, const std::string& path);
    // Stops parecord if it still runs.
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    // Waits until the server lists parecord's stream, so that what plays from
    // then on is recorded; false (with GetFailure) if it does not within timeout.
    bool WaitUntilRecording(std::chrono::milliseconds timeout);
    // Ends the recording and answers what it holds.
    std::vector<StereoFrame> Stop();
    const std::string& GetFailure() const { return m_strFailure; }

private:
    void EndProcess();

    std::string m_strPath;
    pid_t m_nProcess = -1;
    std::string m_strFailure;
};
