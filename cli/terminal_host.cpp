#include "cli/terminal_host.h"

#include <ostream>

#include "engine/generation_run.h"
#include "cli/interrupt_signal.h"
#include "engine/message_box.h"
#include "engine/progress_text.h"
#include "resources/strings/resource_ids.h"

namespace {

// A live line is redrawn at most this often.
constexpr auto kRefreshInterval = std::chrono::milliseconds(250);
constexpr int kFinished = 100;

const char* PhaseLabel(GenerationHost::Phase phase)
{
    switch (phase) {
    case GenerationHost::Phase::Loading: return "Loading sound file  ";
    case GenerationHost::Phase::Generating: return "Generating sound    ";
    case GenerationHost::Phase::Writing: return "Writing sound file  ";
    }
    return "";
}

// Message texts are laid out for a dialog box: tabs only pad the box.
std::string WithoutTabs(const std::string& text)
{
    std::string plain;
    for (const char c : text) {
        if (c != '\t')
            plain += c;
    }
    return plain;
}

}  // namespace

TerminalHost::TerminalHost(Display display, std::ostream& out, std::ostream& err)
    : m_display(display)
    , m_out(out)
    , m_err(err)
{
}

void TerminalHost::Inform(const std::string& line)
{
    if (m_display != Display::Quiet)
        m_out << line << '\n' << std::flush;
}

int TerminalHost::ShowMessage(int stringId, const std::string& text, unsigned style)
{
    EndLiveLine();
    if ((style & MB_ICONMASK) == MB_ICONINFORMATION) {
        m_bSucceeded = m_bSucceeded || stringId == IDS_GENERATION_DONE;
        Inform(text);
    } else {
        m_bFailed = true;
        m_err << "sonnelith-cli: " << WithoutTabs(text) << '\n' << std::flush;
    }
    // Nobody is there to answer a question: the safe answer is no.
    return (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

// A phase's bar reaching 100 ends its line: completed, or cut short by Ctrl+C.
void TerminalHost::SetBarPosition(Phase phase, int percent)
{
    if (phase != m_phase)
        EndLiveLine();
    m_phase = phase;
    if (percent < kFinished)
        return;
    m_strWritten.clear();
    m_strTimeLeft.clear();
    m_strPercent = WasInterrupted() ? "cancelled" : FormatPercent(kFinished);
    if (m_display == Display::Live) {
        DrawLiveLine();
        EndLiveLine();
    } else if (m_display == Display::Plain) {
        m_out << PhaseLabel(phase) << m_strPercent << '\n' << std::flush;
    }
}

void TerminalHost::SetPercentText(Phase phase, int percent)
{
    m_phase = phase;
    if (percent < kFinished)
        m_strPercent = FormatPercent(percent);
}

void TerminalHost::SetWrittenSizeText(const std::string& text)
{
    m_strWritten = text;
}

// The last text of a display refresh: the line is redrawn with all of them.
void TerminalHost::SetTimeLeftText(const std::string& text)
{
    m_strTimeLeft = text;
    if (m_display == Display::Live)
        DrawLiveLine();
}

int TerminalHost::PumpMessages()
{
    if (m_pRun == nullptr)
        return 0;
    if (WasInterrupted())
        m_pRun->SetKeepGoing(0);
    PaceRefresh();
    return 0;
}

// Raises the run's show-progress flag for one progress point at a time, no
// more often than the refresh interval, and only where a line is drawn live.
void TerminalHost::PaceRefresh()
{
    const auto now = std::chrono::steady_clock::now();
    const bool due = m_display == Display::Live && now - m_tLastRefresh >= kRefreshInterval;
    if (due)
        m_tLastRefresh = now;
    m_pRun->SetShowProgress(due ? 1 : 0);
}

void TerminalHost::DrawLiveLine()
{
    m_out << '\r' << PhaseLabel(m_phase) << m_strPercent;
    if (!m_strWritten.empty())
        m_out << "   written " << m_strWritten;
    if (!m_strTimeLeft.empty())
        m_out << "   time left " << m_strTimeLeft;
    m_out << "\x1b[K" << std::flush;
    m_bLineOpen = true;
}

void TerminalHost::EndLiveLine()
{
    if (!m_bLineOpen)
        return;
    m_out << '\n' << std::flush;
    m_bLineOpen = false;
}
