#include "studio/model/document_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "score_file/plain_run_score.h"
#include "score_file/score_limits.h"
#include "score_file/score_reading.h"
#include "score_file/score_sources.h"
#include "score_file/score_writing.h"
#include "formats/sound_file_opener.h"
#include "formats/stored_score_reader.h"
#include "formats/temporary_name.h"

namespace studio {

namespace fs = std::filesystem;

namespace {

DocumentOpening Refused(std::string why)
{
    DocumentOpening opening;
    opening.m_strError = std::move(why);
    return opening;
}

bool HasScoreExtension(const std::string& path)
{
    return fs::path(path).extension() == ".toml";
}

std::string SystemError(int error)
{
    return std::strerror(error);
}

// The file holds a score the studio can open, read from folder, or the
// reader's message.
DocumentOpening ParsedDocument(const std::string& text, const std::string& displayName, const std::string& folder,
                               DocumentOrigin origin)
{
    ScoreReading reading = ParseScoreText(text, displayName, folder);
    if (!reading.m_score)
        return Refused(reading.m_strError);
    OpenedDocument document;
    document.m_score = std::move(*reading.m_score);
    document.m_origin = origin;
    if (WriteScoreText(document.m_score) == text)
        document.m_ownText = text;
    DocumentOpening opening;
    opening.m_document = std::move(document);
    return opening;
}

}  // namespace

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return (error ? fs::path(path) : absolute).lexically_normal().string();
}

std::string FolderOf(const std::string& path)
{
    return fs::path(path).parent_path().string();
}

std::string FileNameOf(const std::string& path)
{
    return fs::path(path).filename().string();
}

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    std::string text;
    char piece[64 * 1024];
    for (;;) {
        const ssize_t got = read(fd, piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || text.size() + static_cast<std::size_t>(got) > maxBytes) {
            close(fd);
            if (got == 0)
                return text;
            return std::nullopt;
        }
        text.append(piece, static_cast<std::size_t>(got));
    }
}

DocumentOpening OpenScoreFile(const std::string& path)
{
    const std::string absolute = AbsolutePath(path);
    if (const auto unreadable = SourceUnreadable(absolute))
        return Refused(*unreadable);
    const std::optional<std::string> text = ReadSmallFile(absolute, kLargestScoreBytes);
    if (!text)
        return Refused(absolute + ": cannot be read, or is larger than 1 MiB; a score is a few pages of text at most");
    DocumentOpening opening = ParsedDocument(*text, absolute, FolderOf(absolute), DocumentOrigin::ScoreFile);
    if (opening.m_document) {
        opening.m_document->m_strPath = absolute;
        opening.m_document->m_strOpenedFile = absolute;
    }
    return opening;
}

DocumentOpening NewFromSound(const std::string& path)
{
    const std::string absolute = AbsolutePath(path);
    if (const auto unreadable = SourceUnreadable(absolute))
        return Refused(*unreadable);
    InputOpening input = OpenSoundFile(absolute, InputRules{});
    if (!input.m_opening.m_pSource)
        return Refused(input.m_opening.m_failure.m_strText);
    input.m_opening.m_pSource->Close();
    PlainRun run;
    run.m_strInputPath = absolute;
    OpenedDocument document;
    document.m_score = ScoreOfPlainRun(run, FolderOf(absolute));
    document.m_origin = DocumentOrigin::Sound;
    document.m_strOpenedFile = absolute;
    DocumentOpening opening;
    opening.m_document = std::move(document);
    return opening;
}

DocumentOpening OpenDocumentFile(const std::string& path)
{
    const std::string absolute = AbsolutePath(path);
    if (HasScoreExtension(absolute))
        return OpenScoreFile(absolute);
    if (const auto unreadable = SourceUnreadable(absolute))
        return Refused(*unreadable);
    std::string reason;
    const std::optional<std::string> stored = ReadStoredScore(absolute, reason);
    if (!stored)
        return NewFromSound(absolute);
    DocumentOpening opening = ParsedDocument(*stored, absolute, FolderOf(absolute), DocumentOrigin::RenderedFile);
    if (opening.m_document) {
        opening.m_document->m_strOpenedFile = absolute;
        opening.m_document->m_ownText.reset();  // nothing to overwrite: it saves under a new name
    }
    return opening;
}

Score ScoreNamedFrom(const Score& score, const std::string& folder)
{
    Score named = score;
    for (ScoreLayer& layer : named.m_layers) {
        const bool findsSame = !layer.m_strSource.empty() &&
                               AbsolutePath(ResolveSourcePath(folder, layer.m_strSource)) ==
                                   AbsolutePath(layer.m_strSourcePath);
        if (!findsSame)
            layer.m_strSource = SourceNameFrom(folder, layer.m_strSourcePath);
    }
    return named;
}

std::string ScoreFileText(const Score& score, const std::string& folder)
{
    return WriteScoreText(ScoreNamedFrom(score, folder));
}

bool IsOwnText(const std::string& text, const std::string& folder)
{
    const ScoreReading reading = ParseScoreText(text, "score", folder);
    return reading.m_score && WriteScoreText(*reading.m_score) == text;
}

OverwriteCase CheckOverwrite(const std::string& path, const std::optional<std::string>& lastOwnText)
{
    std::error_code error;
    if (!fs::exists(path, error))
        return OverwriteCase::NoFile;
    const std::optional<std::string> text = ReadSmallFile(path, kLargestScoreBytes);
    if (!text)
        return OverwriteCase::OtherFile;
    if (lastOwnText && *text == *lastOwnText)
        return OverwriteCase::Unchanged;
    if (IsOwnText(*text, FolderOf(AbsolutePath(path))))
        return lastOwnText ? OverwriteCase::ChangedOnDisk : OverwriteCase::Unchanged;
    return ParseScoreText(*text, "score", FolderOf(path)).m_score ? OverwriteCase::ForeignScore
                                                                  : OverwriteCase::OtherFile;
}

std::optional<std::string> WriteFileReplacing(const std::string& path, const std::string& text)
{
    std::error_code error;
    // A link is followed: the file it names is replaced, the link stays.
    const fs::path target = fs::weakly_canonical(fs::path(path), error);
    const std::string place = error ? path : target.string();
    const std::string folder = FolderOf(place).empty() ? "." : FolderOf(place);
    const std::string temporary =
        (fs::path(folder) /
         MakeTemporaryName(FileNameOf(place), TemporaryHostName(), getpid(), RandomLettersAndDigits()))
            .string();
    struct stat existing {};
    const bool replacing = stat(place.c_str(), &existing) == 0;
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return path + ": cannot be written: " + SystemError(errno);
    // A replaced file keeps its permissions.
    if (replacing)
        fchmod(fd, existing.st_mode & 07777);
    std::size_t done = 0;
    int failure = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0) {
            failure = errno;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (failure == 0 && fsync(fd) != 0)
        failure = errno;
    if (close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && rename(temporary.c_str(), place.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        unlink(temporary.c_str());
        return path + ": cannot be written: " + SystemError(failure);
    }
    return std::nullopt;
}

}  // namespace studio
