#include "studio/render/cli_render_job.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace studio {

namespace {

constexpr char kPrefix[] = "sonnelith-cli: ";
// The labels the command line gives its phases.
const char* const kPhases[] = {"Loading sound file", "Generating sound", "Measuring level", "Writing sound file"};

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::optional<std::pair<std::string, int>> CliRenderJob::ParseProgressLine(const std::string& line)
{
    for (const char* phase : kPhases) {
        const std::size_t length = std::strlen(phase);
        if (line.compare(0, length, phase) != 0)
            continue;
        const std::string rest = Trimmed(line.substr(length));
        std::size_t digits = 0;
        while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits])))
            ++digits;
        if (digits > 0 && digits < rest.size() && rest[digits] == '%')
            return std::pair<std::string, int>(phase, std::stoi(rest.substr(0, digits)));
        if (rest.rfind("cancelled", 0) == 0 || rest.rfind("stopped", 0) == 0)
            return std::pair<std::string, int>(phase, -1);
    }
    return std::nullopt;
}

CliRenderJob::CliRenderJob(const std::string& program, const std::vector<std::string>& arguments)
{
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_progress.m_bDone = true;
        m_progress.m_nExitStatus = 127;
        m_progress.m_lines.push_back(std::string("cannot start the render: ") + std::strerror(errno));
        m_bDone = true;
        return;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, slave, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, slave);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // The render starts with the signals a shell would give it: SIGTERM and
    // SIGINT at their defaults, none blocked (the window's threads may block
    // some).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGHUP);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int failed = posix_spawnp(&m_nPid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(slave);
    if (failed != 0) {
        close(master);
        m_nPid = -1;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_progress.m_bDone = true;
        m_progress.m_nExitStatus = 127;
        m_progress.m_lines.push_back("cannot start " + program + ": " + std::strerror(failed));
        m_bDone = true;
        return;
    }
    m_reader = std::thread([this, master] { Read(master); });
}

CliRenderJob::~CliRenderJob()
{
    if (!m_bDone)
        Cancel();
    if (m_reader.joinable())
        m_reader.join();
}

void CliRenderJob::Cancel()
{
    if (m_nPid > 0 && !m_bDone && !m_bCancelled.exchange(true))
        kill(m_nPid, SIGTERM);
}

RenderProgress CliRenderJob::GetProgress() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_progress;
}

// Until the render's end: its terminal's text, then its exit status.
void CliRenderJob::Read(int master)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        // EIO: every copy of the other end is closed (the render has ended).
        if (got <= 0)
            break;
        TakeText(std::string(buffer, static_cast<std::size_t>(got)));
    }
    close(master);
    int status = 0;
    while (waitpid(m_nPid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_strPartial.empty() && !ParseProgressLine(m_strPartial))
        m_progress.m_lines.push_back(m_strPartial);
    m_progress.m_nExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    m_progress.m_bDone = true;
    m_bDone = true;
}

// Lines end at a carriage return (a progress line redrawn) or a newline.
void CliRenderJob::TakeText(const std::string& text)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (const char c : text) {
        if (c != '\r' && c != '\n') {
            m_strPartial += c;
            continue;
        }
        // The erase-to-end code after a redrawn line.
        const std::size_t code = m_strPartial.find("\x1b[K");
        if (code != std::string::npos)
            m_strPartial.erase(code, 3);
        if (const auto progress = ParseProgressLine(m_strPartial)) {
            m_progress.m_strPhase = progress->first;
            if (progress->second >= 0)
                m_progress.m_nPercent = progress->second;
        } else if (!m_strPartial.empty()) {
            std::string line = m_strPartial;
            if (line.rfind(kPrefix, 0) == 0)
                line.erase(0, std::strlen(kPrefix));
            m_progress.m_lines.push_back(line);
        }
        m_strPartial.clear();
    }
}

}  // namespace studio
