#include "tests/support/sink_recorder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "tests/support/external_tool.h"

extern char** environ;

SinkRecorder::SinkRecorder(const std::string& source, const std::string& path)
    : m_strPath(path)
{
    std::vector<std::string> arguments = {"parecord",        "--device=" + source, "--raw",
                                          "--format=float32le", "--rate=44100",    "--channels=2",
                                          "--latency-msec=20", path};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int error = posix_spawnp(&m_nProcess, "parecord", nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        m_nProcess = -1;
        m_strFailure = std::string("parecord did not start: ") + std::strerror(error);
    }
}

SinkRecorder::~SinkRecorder()
{
    EndProcess();
}

bool SinkRecorder::WaitUntilRecording(std::chrono::milliseconds timeout)
{
    if (m_nProcess < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        // parecord is the only client that records on a private server.
        const ToolResult streams = RunTool("pactl list short source-outputs");
        if (streams.exitCode == 0 && !streams.output.empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_strFailure = "parecord's stream did not appear on the server";
    return false;
}

std::vector<StereoFrame> SinkRecorder::Stop()
{
    EndProcess();
    std::vector<StereoFrame> frames;
    std::ifstream file(m_strPath, std::ios::binary | std::ios::ate);
    if (!file)
        return frames;
    const auto bytes = static_cast<std::size_t>(file.tellg());
    frames.resize(bytes / sizeof(StereoFrame));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(frames.data()), static_cast<std::streamsize>(frames.size() * sizeof(StereoFrame)));
    return frames;
}

void SinkRecorder::EndProcess()
{
    if (m_nProcess < 0)
        return;
    // parecord ends cleanly on an interrupt, as on Ctrl+C.
    kill(m_nProcess, SIGINT);
    int status = 0;
    while (waitpid(m_nProcess, &status, 0) < 0 && errno == EINTR) {
    }
    m_nProcess = -1;
}
