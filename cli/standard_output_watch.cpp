#include "cli/standard_output_watch.h"

#include <cerrno>

#include "cli/terminal_host.h"
#include "formats/sound_file_messages.h"

StandardOutputWatch::StandardOutputWatch(TerminalHost& host)
    : m_host(host)
{
}

StreamWatch StandardOutputWatch::MakeStreamWatch()
{
    StreamWatch watch;
    watch.m_cancelled = [this] { return m_host.IsStopping(); };
    watch.m_onBroken = [this](int error) {
        m_nError = error;
        m_host.RequestStop();
    };
    return watch;
}

std::string StandardOutputWatch::Describe() const
{
    const std::string reason =
        m_nError == EPIPE ? "broken pipe (the program reading it has stopped)" : DescribeSystemError(m_nError);
    return OutputFailure("standard output", reason + "; the stream ends early").m_strText;
}
