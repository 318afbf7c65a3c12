#include "score_file/score_reading.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "score_file/score_limits.h"
#include "score_file/score_refusal.h"
#include "score_file/score_table_reading.h"
#include "score_file/score_writing.h"
#include "score_file/toml_text_guard.h"
#include "formats/printable_name.h"

namespace {

const std::string kTooLarge = "larger than 4 MiB, the most a score may hold";

ScoreReading Refused(const std::string& displayName, int line, const std::string& text)
{
    return {std::nullopt, ScoreMessage(displayName, line, text)};
}

ScoreReading Unreadable(const std::string& path, const std::string& text)
{
    ScoreReading refused = Refused(path, 0, text);
    refused.m_bFileUnreadable = true;
    return refused;
}

bool IsCancelled(const std::function<bool()>& cancelled)
{
    return cancelled && cancelled();
}

// Up to one byte past the largest score, so that a larger file shows. A FIFO
// or a pipe is waited on in steps of a tenth of a second, between which
// cancelled is asked: nothing answers, and the text is none, once it says so.
std::optional<std::string> ReadBounded(int fd, const std::function<bool()>& cancelled, std::string& error)
{
    constexpr int kStepMilliseconds = 100;
    std::string text;
    char piece[64 * 1024];
    while (text.size() <= kLargestScoreBytes) {
        pollfd watched{fd, POLLIN, 0};
        const int ready = poll(&watched, 1, kStepMilliseconds);
        const ssize_t got = ready > 0 ? read(fd, piece, sizeof piece) : -1;
        if (got < 0 && (ready == 0 || errno == EINTR || errno == EAGAIN)) {
            if (IsCancelled(cancelled))
                return std::nullopt;
            continue;
        }
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

// The bytes of score as the program would write it with an output, apart
// from its sources' names: with a seed and each source's length and hash
// (of the longest forms they take), as a stored score has them.
std::size_t WrittenBytesWithoutNames(Score score)
{
    constexpr double kLongestSecondsText = 10000.123456789012;  // 18 characters, as many as any length takes
    score.m_seed = UINT32_MAX;
    for (ScoreLayer& layer : score.m_layers) {
        layer.m_strSource.clear();
        layer.m_storedSource = SourceFacts{kLongestSecondsText, 0};
    }
    return WriteScoreText(score).size();
}

// A score that could not be written back (with an output, or by
// --save-score) within the largest score is refused as it is read, so that
// every score read can be stored and read again.
std::optional<std::string> TooLargeWhenWritten(const Score& score)
{
    const std::size_t bytes = WrittenBytesWithoutNames(score) + score.m_layers.size() * kRoomForSourceName;
    if (bytes <= kLargestScoreBytes)
        return std::nullopt;
    return "written out with its output, this score would take " + std::to_string(bytes) +
           " bytes, more than the " + std::to_string(kLargestScoreBytes) +
           " a score may hold; give fewer keyframes or shorter lists";
}

ScoreReading ParseDocument(std::string_view text, const std::string& displayName, const std::string& folder)
{
    try {
        const toml::table document = toml::parse(text, displayName);
        Score score = ReadScoreTable(document, folder);
        if (const auto tooLarge = TooLargeWhenWritten(score))
            return Refused(displayName, 0, *tooLarge);
        return {std::move(score), {}};
    } catch (const toml::parse_error& error) {
        // toml++'s own words, at its line and column.
        const auto& place = error.source().begin;
        return {std::nullopt, PrintableName(displayName) + ":" + std::to_string(place.line) + ":" +
                                  std::to_string(place.column) + ": " + PrintableName(std::string(error.description()))};
    } catch (const ScoreRefusal& refusal) {
        ScoreReading refused = Refused(displayName, refusal.m_nLine, refusal.m_strText);
        refused.m_bFileUnreadable = refusal.m_bFileUnreadable;
        return refused;
    }
}

}  // namespace

// Every message about a score passes here: the names, keys and values it
// quotes from the file, and the file's own name, are shown as a terminal
// can take them, wherever the message was worded.
std::string ScoreMessage(const std::string& displayName, int line, const std::string& text)
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) of the
    // overlap of a literal prepended to a temporary string.
    std::string message = PrintableName(displayName);
    if (line > 0) {
        message += ':';
        message += std::to_string(line);
    }
    message += ": ";
    message += PrintableName(text);
    return message;
}

ScoreReading ReadScoreFile(const std::string& path, const std::function<bool()>& cancelled)
{
    // Without blocking: a FIFO opens before its writer comes, and is waited on as it is read.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Unreadable(path, std::string("cannot open the score: ") + std::strerror(errno));
    std::string error;
    const std::optional<std::string> text = ReadBounded(fd, cancelled, error);
    close(fd);
    if (!text && error.empty()) {
        ScoreReading stopped;
        stopped.m_bCancelled = true;
        return stopped;
    }
    if (!text)
        return Unreadable(path, "cannot read the score: " + error);
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
