#include "cli/score_of.h"

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/exit_status.h"
#include "formats/printable_name.h"
#include "formats/stored_score_reader.h"

namespace {

std::optional<std::string_view> ValueAfterEquals(std::string_view argument)
{
    const std::string_view option = kScoreOfOption;
    if (argument.size() <= option.size() || argument.substr(0, option.size()) != option ||
        argument[option.size()] != '=')
        return std::nullopt;
    return argument.substr(option.size() + 1);
}

// The FILE of "--score-of FILE" or "--score-of=FILE", when that is all.
std::optional<std::string> FileToRead(int argc, const char* const* argv)
{
    if (argc == 3 && std::strcmp(argv[1], kScoreOfOption) == 0)
        return std::string(argv[2]);
    if (argc == 2) {
        if (const std::optional<std::string_view> value = ValueAfterEquals(argv[1]))
            return std::string(*value);
    }
    return std::nullopt;
}

}  // namespace

bool AsksForStoredScore(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kScoreOfOption) == 0 || ValueAfterEquals(argv[i]))
            return true;
    }
    return false;
}

int PrintStoredScore(int argc, const char* const* argv, std::ostream& out, std::ostream& errors)
{
    const std::optional<std::string> path = FileToRead(argc, argv);
    if (!path || path->empty()) {
        errors << "sonnelith-cli: " << kScoreOfOption
               << " takes the name of a file and nothing else: sonnelith-cli --score-of FILE\n";
        return kExitUsage;
    }
    std::string reason;
    const std::optional<std::string> text = ReadStoredScore(*path, reason);
    if (!text) {
        errors << "sonnelith-cli: " << PrintableName(reason) << '\n';
        return kExitRunFailed;
    }
    out.write(text->data(), static_cast<std::streamsize>(text->size()));
    out.flush();
    if (!out) {
        errors << "sonnelith-cli: could not write the score to standard output\n";
        return kExitRunFailed;
    }
    return kExitSuccess;
}
