#include "formats/wav_stream_sink.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "formats/descriptor_wait.h"
#include "formats/sample_conversion.h"
#include "formats/sound_file_messages.h"
#include "formats/stored_score_layout.h"
#include "wav/file_exception.h"
#include "wav/little_endian.h"

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::size_t kFlushBytes = 1 << 18;
constexpr std::uint32_t kDs64Size = 28;
constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFFu;

// Bytes are appended one by one: GCC 12 misjudges small range inserts.
void AppendBytes(std::vector<unsigned char>& bytes, const unsigned char* data, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        bytes.push_back(data[i]);
}

void Append(std::vector<unsigned char>& bytes, const char (&text)[5])
{
    AppendBytes(bytes, reinterpret_cast<const unsigned char*>(text), 4);
}

void Append16(std::vector<unsigned char>& bytes, std::uint16_t value)
{
    unsigned char field[2];
    StoreLittleEndian16(field, value);
    AppendBytes(bytes, field, 2);
}

void Append32(std::vector<unsigned char>& bytes, std::uint32_t value)
{
    unsigned char field[4];
    StoreLittleEndian32(field, value);
    AppendBytes(bytes, field, 4);
}

void Append64(std::vector<unsigned char>& bytes, std::uint64_t value)
{
    Append32(bytes, static_cast<std::uint32_t>(value));
    Append32(bytes, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace

std::vector<unsigned char> WavStreamHeader(const OutputFormat& format, std::uint64_t frames,
                                           const std::string& storedScore)
{
    const bool isFloat = format.m_sample == SampleFormat::Float32;
    const bool isRf64 = format.m_container == OutputContainer::Rf64;
    const auto blockAlign = static_cast<std::uint16_t>(BytesPerFrame(format.m_sample));
    const auto rate = static_cast<std::uint32_t>(format.m_nRate);
    const std::uint64_t dataSize = frames * blockAlign;
    const std::uint32_t formatSize = isFloat ? 18 : 16;
    const std::uint32_t factChunk = isFloat ? 12 : 0;
    const std::uint32_t ds64Chunk = isRf64 ? 8 + kDs64Size : 0;
    const std::vector<unsigned char> scoreChunk = storedScore.empty() ? std::vector<unsigned char>()
                                                                      : RiffScoreChunk(storedScore);
    const std::uint64_t riffSize = 4 + ds64Chunk + (8 + formatSize) + factChunk + scoreChunk.size() + 8 + dataSize;
    // An RF64 file keeps its sizes in the ds64 chunk; the 32-bit fields say to look there.
    const auto Size32 = [isRf64](std::uint64_t size) {
        return isRf64 ? kSizeInDs64 : static_cast<std::uint32_t>(size);
    };
    std::vector<unsigned char> header;
    Append(header, isRf64 ? "RF64" : "RIFF");
    Append32(header, Size32(riffSize));
    Append(header, "WAVE");
    if (isRf64) {
        Append(header, "ds64");
        Append32(header, kDs64Size);
        Append64(header, riffSize);
        Append64(header, dataSize);
        Append64(header, frames);
        Append32(header, 0);  // no table of other chunk sizes
    }
    Append(header, "fmt ");
    Append32(header, formatSize);
    Append16(header, isFloat ? kFormatFloat : kFormatPcm);
    Append16(header, 2);
    Append32(header, rate);
    Append32(header, rate * blockAlign);
    Append16(header, blockAlign);
    Append16(header, static_cast<std::uint16_t>(blockAlign / 2 * 8));
    if (isFloat) {
        Append16(header, 0);  // no extra format bytes
        Append(header, "fact");
        Append32(header, 4);
        Append32(header, Size32(frames));
    }
    AppendBytes(header, scoreChunk.data(), scoreChunk.size());
    Append(header, "data");
    Append32(header, Size32(dataSize));
    return header;
}

WavStreamSink::WavStreamSink(int fd, const OutputFormat& format, std::uint64_t frames, StreamWatch watch)
    : m_nFd(fd)
    , m_format(format)
    , m_nFrames(frames)
    , m_watch(std::move(watch))
{
}

WavStreamSink::~WavStreamSink()
{
    if (m_nOwnFd >= 0)
        close(m_nOwnFd);
}

std::optional<RunMessage> WavStreamSink::Create(const std::string& path)
{
    m_strName = path == "-" ? "standard output" : path;
    if (isatty(m_nFd))
        return OutputFailure(m_strName, "it is a terminal; redirect it to a file or a pipe");
    PrepareForWaiting();
    if (const std::optional<std::string> reason = CheckStorableScore(m_strStoredScore))
        return OutputFailure(m_strName, *reason);
    m_buffer = WavStreamHeader(m_format, m_nFrames, m_strStoredScore);
    m_nBytes = m_buffer.size();
    return std::nullopt;
}

// The samples are stored in place in the grown buffer: hours of output pass
// through here, and appending byte by byte took a fifth of a light render.
void WavStreamSink::Write(const StereoFrame* frames, std::size_t count)
{
    if (m_bStopped)
        return;
    const std::size_t start = m_buffer.size();
    m_buffer.resize(start + count * static_cast<std::size_t>(BytesPerFrame(m_format.m_sample)));
    unsigned char* out = m_buffer.data() + start;
    m_nBytes += m_buffer.size() - start;
    for (std::size_t i = 0; i < count; ++i) {
        for (const float sample : {frames[i].left, frames[i].right}) {
            switch (m_format.m_sample) {
            case SampleFormat::Pcm16:
                StoreLittleEndian16(out, static_cast<std::uint16_t>(ToPcm16(sample)));
                out += 2;
                break;
            case SampleFormat::Pcm24: {
                const auto bits = static_cast<std::uint32_t>(ToPcm24(sample));
                out[0] = static_cast<unsigned char>(bits);
                out[1] = static_cast<unsigned char>(bits >> 8);
                out[2] = static_cast<unsigned char>(bits >> 16);
                out += 3;
                break;
            }
            case SampleFormat::Float32: {
                std::uint32_t bits;
                std::memcpy(&bits, &sample, sizeof bits);
                StoreLittleEndian32(out, bits);
                out += 4;
                break;
            }
            }
        }
    }
    if (m_buffer.size() >= kFlushBytes)
        Flush();
}

void WavStreamSink::Finish(bool)
{
    Flush();
}

void WavStreamSink::Discard()
{
    m_buffer.clear();
}

// A write into a pipe blocks until the reader has taken all of it, and only a
// signal ends that. The pipe is therefore opened a second time, without
// blocking, through /proc: a description of its own, whose flags nobody else
// shares (standard output's own description belongs to the shell's pipeline
// too). Where that can't be done (a socket), a write is at most PIPE_BUF
// bytes, which the free room a wait found always takes.
void WavStreamSink::PrepareForWaiting()
{
    struct stat info {};
    if (fstat(m_nFd, &info) != 0 || (!S_ISFIFO(info.st_mode) && !S_ISSOCK(info.st_mode)))
        return;
    if (S_ISFIFO(info.st_mode))
        m_nOwnFd = open(("/proc/self/fd/" + std::to_string(m_nFd)).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    m_bSmallWrites = m_nOwnFd < 0;
}

// Each write waits until the reader takes more; a cancel during the wait
// ends the stream where it is.
void WavStreamSink::Flush()
{
    std::size_t done = 0;
    while (done < m_buffer.size() && !m_bStopped) {
        const int fd = m_nOwnFd >= 0 ? m_nOwnFd : m_nFd;
        const WaitOutcome wait = WaitUntilWritable(fd, m_watch.m_cancelled);
        if (wait == WaitOutcome::Cancelled) {
            m_bStopped = true;
            break;
        }
        if (wait == WaitOutcome::Failed) {
            Break(errno);
            break;
        }
        const std::size_t piece = m_bSmallWrites ? std::min<std::size_t>(PIPE_BUF, m_buffer.size() - done)
                                                 : m_buffer.size() - done;
        const ssize_t written = write(fd, m_buffer.data() + done, piece);
        if (written < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (written <= 0) {
            Break(written < 0 ? errno : EIO);
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    m_buffer.clear();
}

void WavStreamSink::Break(int error)
{
    if (!m_watch.m_onBroken)
        throw FileException(FileException::Cause::Write, m_strName, error);
    m_bStopped = true;
    m_watch.m_onBroken(error);
}
