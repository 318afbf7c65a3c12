#include "tests/support/external_tool.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

ToolResult RunTool(const std::string& command)
{
    ToolResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> chunk{};
    std::size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.output.append(chunk.data(), got);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool ToolAvailable(const std::string& program)
{
    return RunTool("command -v " + ShellQuote(program)).exitCode == 0;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ToolLine(const std::string& output, const std::string& label)
{
    const std::size_t at = output.find(label);
    if (at == std::string::npos)
        return "(no " + label + ")";
    return output.substr(at, output.find('\n', at) - at);
}

double ToolNumber(const std::string& output, const std::string& label)
{
    return std::atof(ToolLine(output, label).substr(label.size()).c_str());
}

double SoxPeak(const std::string& path)
{
    const std::string stat = RunTool("sox " + ShellQuote(path) + " -n stat").output;
    return std::max(ToolNumber(stat, "Maximum amplitude:"), -ToolNumber(stat, "Minimum amplitude:"));
}
