// The host of a generation run on a terminal: messages and one progress line
// per phase on the streams it is given (sonnelith-cli gives standard error for
// both, keeping standard output for the sound), and Ctrl+C, SIGTERM, SIGHUP or
// SIGPIPE as a confirmed cancel.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "engine/run/generation_host.h"

class TerminalHost : public GenerationHost {
public:
    enum class Display {
        Quiet,  // errors only
        Plain,  // one line per phase when it ends, for logs and pipes
        Live,   // one line per phase, refreshed in place a few times a second
    };

    TerminalHost(Display display, std::ostream& out, std::ostream& err);

    // Prints an informative line (nothing when quiet).
    void Inform(const std::string& line);

    void ReportProgress(const Progress& progress) override;
    // Ends the run at its next look, as a cancel does, for a reason of the
    // program's own (a stream on standard output that broke).
    void RequestStop() { m_bStopRequested = true; }
    // Whether a cancelling signal or RequestStop ends the run.
    bool IsStopping() const;

    // False once a cancelling signal has arrived or a stop was requested.
    bool KeepGoing() override;
    void EndPhase(Phase phase) override;
    void ShowMessage(const RunMessage& message, MessageKind kind) override;

private:
    bool IsRefreshDue();
    void DrawLiveLine(Phase phase, const std::string& percent, const std::string& written,
                      const std::string& timeLeft);
    void EndLiveLine();

    Display m_display;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_bLineOpen = false;  // a live line is on screen without its newline
    bool m_bStopRequested = false;
    std::chrono::steady_clock::time_point m_tLastRefresh{};
};
