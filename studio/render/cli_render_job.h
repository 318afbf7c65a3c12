// A render by sonnelith-cli itself, in a process of its own: the file it
// writes is the command-line's by construction, a failure of the render
// cannot take the window with it, and a cancel is the command-line's own
// (SIGTERM: nothing partial is left). Its standard error is a terminal
// (a pseudo-terminal), so it reports its progress as it does to a person,
// which is read here line by line.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace studio {

struct RenderProgress {
    std::string m_strPhase;  // "Generating sound", "Writing sound file"...
    int m_nPercent = 0;
    bool m_bDone = false;
    int m_nExitStatus = -1;  // once done: 0 written, 1 failed, 2 refused, 143 cancelled
    // What it said besides its progress, line by line, its own prefix taken
    // off ("sonnelith-cli: ").
    std::vector<std::string> m_lines;
};

class CliRenderJob {
public:
    // Starts program with arguments. A program that cannot start is a job
    // done at once with exit status 127 and the reason as its line.
    CliRenderJob(const std::string& program, const std::vector<std::string>& arguments);
    // Cancels a job still going and waits for its end.
    ~CliRenderJob();
    CliRenderJob(const CliRenderJob&) = delete;
    CliRenderJob& operator=(const CliRenderJob&) = delete;

    RenderProgress GetProgress() const;
    // Asks the render to stop (as Ctrl+C would); it ends within a second.
    void Cancel();
    bool IsDone() const { return m_bDone.load(); }

    // One refresh of a terminal line as the command line draws it, with its
    // carriage returns and erase-to-end codes removed: the phase and percent
    // of a progress line, or nothing for any other text.
    static std::optional<std::pair<std::string, int>> ParseProgressLine(const std::string& line);

private:
    void Read(int master);
    void TakeText(const std::string& text);

    pid_t m_nPid = -1;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    RenderProgress m_progress;
    std::string m_strPartial;  // text after the last line's end
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bCancelled{false};
};

}  // namespace studio
