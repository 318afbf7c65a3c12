#include "studio/app/command_line.h"

namespace studio {

StudioCommandLine ParseStudioCommandLine(const std::vector<std::string>& arguments)
{
    StudioCommandLine line;
    bool options = true;
    for (const std::string& argument : arguments) {
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "-h" || argument == "--help")) {
            line.m_bHelp = true;
        } else if (options && argument == "--version") {
            line.m_bVersion = true;
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            line.m_strError = "unknown option '" + argument + "'; sonnelith-studio takes a file to open, --help and --version";
            return line;
        } else if (line.m_file) {
            line.m_strError = "one file at a time: '" + *line.m_file + "' and '" + argument + "' were given";
            return line;
        } else {
            // A file:// address, as a desktop may pass one.
            const std::string scheme = "file://";
            line.m_file = argument.rfind(scheme, 0) == 0 ? argument.substr(scheme.size()) : argument;
        }
    }
    return line;
}

std::string StudioHelpText()
{
    return "Usage: sonnelith-studio [SCORE.toml | SOUND | RENDERED-FILE]\n"
           "\n"
           "Sonnelith Studio shows a score's lines over the whole track and plays it while you shape it.\n"
           "\n"
           "  SCORE.toml     a score, as sonnelith-cli renders it\n"
           "  SOUND          a sound file: a new one-layer score reading it, at the defaults\n"
           "  RENDERED-FILE  a WAV, RF64, W64 or FLAC file sonnelith-cli rendered: the score stored in it\n"
           "\n"
           "  -h, --help     this text\n"
           "      --version  the version\n"
           "\n"
           "Keys: Space plays and pauses, Ctrl+O opens, Ctrl+S saves, Ctrl+Shift+S saves as, Ctrl+R renders,\n"
           "Ctrl+Z undoes, Ctrl+Shift+Z redoes, Ctrl+Q quits. man sonnelith-studio tells the rest.\n";
}

}  // namespace studio
