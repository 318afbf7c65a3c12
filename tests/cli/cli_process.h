// Starts sonnelith-cli as a child process and collects what it prints.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the program with arguments to the end.
CliResult RunCli(const std::vector<std::string>& arguments);

// A running program whose output goes to files in folder.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& arguments, const std::string& folder);
    void Signal(int signal) const;
    CliResult Wait();

private:
    pid_t m_pid = -1;
    std::string m_strOutPath;
    std::string m_strErrPath;
};
