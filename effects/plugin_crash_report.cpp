#include "effects/plugin_crash_report.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace {

// Read by the signal handler on the thread that crashed: a plain pointer to
// a name that outlives the plugin's calls.
thread_local const std::string* t_pPlugin = nullptr;

const char* g_szProgram = "";

struct Watched {
    int m_nSignal;
    const char* m_szWhat;
    struct sigaction m_before;
};

std::array<Watched, 5> g_watched = {{
    {SIGSEGV, "a memory fault", {}},
    {SIGBUS, "a bus error", {}},
    {SIGILL, "an illegal instruction", {}},
    {SIGFPE, "an arithmetic fault", {}},
    {SIGABRT, "an abort", {}},
}};

void Say(const char* text)
{
    // Only write(2) here: nothing that allocates or takes a lock.
    const std::size_t length = std::strlen(text);
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text, length);
}

void OnCrash(int signal)
{
    for (Watched& watched : g_watched) {
        if (watched.m_nSignal != signal)
            continue;
        if (t_pPlugin) {
            Say(g_szProgram);
            Say(": the effect plugin ");
            Say(t_pPlugin->c_str());
            Say(" crashed (");
            Say(watched.m_szWhat);
            Say("); the run ends, and its output is not written\n");
        }
        // What was there before takes over: a fault met again on return,
        // a raised signal raised again.
        sigaction(signal, &watched.m_before, nullptr);
        raise(signal);
        return;
    }
}

}  // namespace

void ReportPluginCrashes(const char* programName)
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    g_szProgram = programName;
    for (Watched& watched : g_watched) {
        struct sigaction action {};
        action.sa_handler = &OnCrash;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_NODEFER;
        sigaction(watched.m_nSignal, &action, &watched.m_before);
    }
}

InsidePlugin::InsidePlugin(const std::string& name) : m_pOuter(t_pPlugin)
{
    t_pPlugin = &name;
}

InsidePlugin::~InsidePlugin()
{
    t_pPlugin = m_pOuter;
}
