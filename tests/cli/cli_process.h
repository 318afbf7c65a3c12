// Starts sonnelith-cli as a child process and collects what it prints.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct CliResult {
    int exitCode = -1;    // -1 when the program did not exit by itself
    int signal = 0;       // the signal that ended it, if one did
    long peakKiB = 0;     // its largest resident memory
    std::string out;
    std::string err;
};

// Runs in the child just before the program starts, after its output has been
// redirected: resource limits, signal dispositions, another user.
using ChildSetup = std::function<void()>;

// Runs the program with arguments to the end.
CliResult RunCli(const std::vector<std::string>& arguments, const ChildSetup& setup = {});

// The path of the program under test.
std::string CliPath();

// A running program whose output goes to files in folder.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& arguments, const std::string& folder, const ChildSetup& setup = {});
    void Signal(int signal) const;
    CliResult Wait();
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    std::string m_strOutPath;
    std::string m_strErrPath;
};
