#include "cli/score/score_reading.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cli/score/score_limits.h"
#include "cli/score/score_refusal.h"
#include "cli/score/score_table_reading.h"
#include "cli/score/toml_text_guard.h"
#include "formats/printable_name.h"

namespace {

const std::string kTooLarge = "larger than 1 MiB; a score is a few pages of text at most";

ScoreReading Refused(const std::string& displayName, int line, const std::string& text)
{
    return {std::nullopt, ScoreMessage(displayName, line, text)};
}

// Up to one byte past the largest score, so that a larger file shows.
std::optional<std::string> ReadBounded(int fd, std::string& error)
{
    std::string text;
    char piece[64 * 1024];
    while (text.size() <= kLargestScoreBytes) {
        const ssize_t got = read(fd, piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = std::strerror(errno);
            return std::nullopt;
        }
        if (got == 0)
            break;
        text.append(piece, static_cast<std::size_t>(got));
    }
    return text;
}

ScoreReading ParseDocument(std::string_view text, const std::string& displayName, const std::string& folder)
{
    try {
        const toml::table document = toml::parse(text, displayName);
        return {ReadScoreTable(document, folder), {}};
    } catch (const toml::parse_error& error) {
        // toml++'s own words, at its line and column.
        const auto& place = error.source().begin;
        return {std::nullopt, PrintableName(displayName) + ":" + std::to_string(place.line) + ":" +
                                  std::to_string(place.column) + ": " + PrintableName(std::string(error.description()))};
    } catch (const ScoreRefusal& refusal) {
        return Refused(displayName, refusal.m_nLine, refusal.m_strText);
    }
}

}  // namespace

// Every message about a score passes here: the names, keys and values it
// quotes from the file, and the file's own name, are shown as a terminal
// can take them, wherever the message was worded.
std::string ScoreMessage(const std::string& displayName, int line, const std::string& text)
{
    return PrintableName(displayName) + (line > 0 ? ":" + std::to_string(line) : "") + ": " + PrintableName(text);
}

ScoreReading ReadScoreFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Refused(path, 0, std::string("cannot open the score: ") + std::strerror(errno));
    std::string error;
    const std::optional<std::string> text = ReadBounded(fd, error);
    close(fd);
    if (!text)
        return Refused(path, 0, "cannot read the score: " + error);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return ParseScoreText(*text, path, folder);
}

ScoreReading ParseScoreText(std::string_view text, const std::string& displayName, const std::string& folder)
{
    if (text.size() > kLargestScoreBytes)
        return Refused(displayName, 0, kTooLarge);
    // Some editors begin a UTF-8 file with a byte-order mark: it says
    // nothing of the score and is skipped.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    const GuardedToml guarded = GuardToml(text);
    if (guarded.m_refusal)
        return Refused(displayName, guarded.m_refusal->m_nLine, guarded.m_refusal->m_strText);
    return ParseDocument(guarded.m_strText, displayName, folder);
}
