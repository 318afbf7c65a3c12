#include "cli/terminal_host.h"

#include <ostream>

#include "cli/interrupt_signal.h"
#include "engine/run/progress_text.h"
#include "formats/printable_name.h"

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
    case GenerationHost::Phase::Measuring: return "Measuring level     ";
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

// A text as the terminal gets it: its own line breaks kept, any other
// control (from a name quoted in it) escaped, whoever worded it.
std::string TerminalText(const std::string& text)
{
    std::string shown;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        shown += PrintableName(text.substr(start, end - start));
        if (end == std::string::npos)
            return shown;
        shown += '\n';
        start = end + 1;
    }
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
        m_out << TerminalText(line) << '\n' << std::flush;
}

void TerminalHost::ShowMessage(const RunMessage& message, MessageKind kind)
{
    EndLiveLine();
    if (kind == MessageKind::Information)
        Inform(message.m_strText);
    else
        m_err << "sonnelith-cli: " << TerminalText(WithoutTabs(message.m_strText)) << '\n' << std::flush;
}

// Only a live line shows progress points, no more often than the refresh interval.
void TerminalHost::ReportProgress(const Progress& progress)
{
    if (m_display != Display::Live || !IsRefreshDue())
        return;
    const std::string written =
        progress.m_phase == Phase::Writing ? FormatBytesMB(progress.m_nBytesWritten) : std::string();
    DrawLiveLine(progress.m_phase, FormatPercent(progress.m_nPercent), written,
                 FormatTimeLeft(progress.m_nElapsedSeconds, progress.m_dFraction));
}

bool TerminalHost::IsStopping() const
{
    return WasInterrupted() || m_bStopRequested;
}

bool TerminalHost::KeepGoing()
{
    return !IsStopping();
}

// A phase ends its line: completed, or cut short by Ctrl+C or a stop.
void TerminalHost::EndPhase(Phase phase)
{
    const std::string percent = WasInterrupted() ? "cancelled" : m_bStopRequested ? "stopped" : FormatPercent(kFinished);
    if (m_display == Display::Live) {
        DrawLiveLine(phase, percent, {}, {});
        EndLiveLine();
    } else if (m_display == Display::Plain) {
        m_out << PhaseLabel(phase) << percent << '\n' << std::flush;
    }
}

bool TerminalHost::IsRefreshDue()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - m_tLastRefresh < kRefreshInterval)
        return false;
    m_tLastRefresh = now;
    return true;
}

void TerminalHost::DrawLiveLine(Phase phase, const std::string& percent, const std::string& written,
                                const std::string& timeLeft)
{
    m_out << '\r' << PhaseLabel(phase) << percent;
    if (!written.empty())
        m_out << "   written " << written;
    if (!timeLeft.empty())
        m_out << "   time left " << timeLeft;
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
