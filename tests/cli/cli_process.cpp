#include "tests/cli/cli_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void RedirectTo(int target, const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, target) < 0)
        _exit(127);
    close(fd);
}

}  // namespace

std::string CliPath()
{
    return SONNELITH_CLI_PATH;
}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::string& folder, const ChildSetup& setup)
    : m_strOutPath(folder + "/stdout.txt")
    , m_strErrPath(folder + "/stderr.txt")
{
    std::vector<std::string> words{SONNELITH_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        RedirectTo(STDOUT_FILENO, m_strOutPath);
        RedirectTo(STDERR_FILENO, m_strErrPath);
        if (setup)
            setup();
        execv(argv[0], argv.data());
        _exit(127);
    }
}

void CliProcess::Signal(int signal) const
{
    kill(m_pid, signal);
}

CliResult CliProcess::Wait()
{
    int status = 0;
    CliResult result;
    rusage usage{};
    if (wait4(m_pid, &status, 0, &usage) == m_pid) {
        result.peakKiB = usage.ru_maxrss;
        if (WIFEXITED(status))
            result.exitCode = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            result.signal = WTERMSIG(status);
    }
    result.out = ReadText(m_strOutPath);
    result.err = ReadText(m_strErrPath);
    return result;
}

CliResult RunCli(const std::vector<std::string>& arguments, const ChildSetup& setup)
{
    TempDir folder;
    CliProcess process(arguments, folder.Path().string(), setup);
    return process.Wait();
}
