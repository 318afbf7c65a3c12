// The host of a generation run on a terminal: messages on the standard
// streams, one progress line per phase, Ctrl+C as a confirmed cancel.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "engine/generation_host.h"

class GenerationRun;

class TerminalHost : public GenerationHost {
public:
    enum class Display {
        Quiet,  // errors only
        Plain,  // one line per phase when it ends, for logs and pipes
        Live,   // one line per phase, refreshed in place a few times a second
    };

    TerminalHost(Display display, std::ostream& out, std::ostream& err);

    // The run whose flags the host raises and clears; set before Run.
    void Attach(GenerationRun& run) { m_pRun = &run; }
    // Whether the run showed its success message, or an error.
    bool Succeeded() const { return m_bSucceeded; }
    bool Failed() const { return m_bFailed; }
    // Prints an informative line (nothing when quiet).
    void Inform(const std::string& line);

    int ShowMessage(int stringId, const std::string& text, unsigned style) override;
    void SetBarPosition(Phase phase, int percent) override;
    void SetPercentText(Phase phase, int percent) override;
    void SetTimeLeftText(const std::string& text) override;
    void SetWrittenSizeText(const std::string& text) override;
    int PumpMessages() override;

private:
    void DrawLiveLine();
    void EndLiveLine();
    void PaceRefresh();

    Display m_display;
    std::ostream& m_out;
    std::ostream& m_err;
    GenerationRun* m_pRun = nullptr;
    bool m_bSucceeded = false;
    bool m_bFailed = false;

    Phase m_phase = Phase::Loading;
    bool m_bLineOpen = false;  // a live line is on screen without its newline
    std::string m_strPercent;
    std::string m_strWritten;
    std::string m_strTimeLeft;
    std::chrono::steady_clock::time_point m_tLastRefresh{};
};
