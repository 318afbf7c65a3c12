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

// The line of a tool's report that starts with label ("Sample Rate :"), or
// "(no <label>)".
std::string ToolLine(const std::string& output, const std::string& label);
// The number after label on its line.
double ToolNumber(const std::string& output, const std::string& label);

// The larger of the positive and the negative peak of a sound file as sox's
// stat effect reads it, as a fraction of full scale.
double SoxPeak(const std::string& path);
