// Runs outside programs (sox, sndfile-info, ...) that judge our files.
#pragma once

#include <string>

struct ToolResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs command through the shell and collects what it prints.
ToolResult RunTool(const std::string& command);
bool ToolAvailable(const std::string& program);
// Quotes text for the shell.
std::string ShellQuote(const std::string& text);
