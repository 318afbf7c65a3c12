// What sonnelith-studio takes from its command line: at most one file to
// open (a score, a rendered file or a sound), --help and --version.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace studio {

struct StudioCommandLine {
    std::optional<std::string> m_file;
    bool m_bHelp = false;
    bool m_bVersion = false;
    std::string m_strError;  // a command line the program refuses: why
};

// arguments without the program's name. GTK's own options (--display...)
// are taken by the toolkit before this sees them.
StudioCommandLine ParseStudioCommandLine(const std::vector<std::string>& arguments);

// The text --help prints.
std::string StudioHelpText();

}  // namespace studio
