#include "formats/sndfile_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/sample_conversion.h"
#include "formats/sound_file_messages.h"
#include "wav/file_exception.h"

namespace {

using Descriptor = SndfileSink::Descriptor;

Descriptor& From(void* user)
{
    return *static_cast<Descriptor*>(user);
}

// libsndfile sees the file from the descriptor's base on: offsets, positions
// and the length are its own.
sf_count_t FileLength(void* user)
{
    struct stat info {};
    if (fstat(From(user).m_nFd, &info) != 0)
        return -1;
    return std::max<sf_count_t>(info.st_size - From(user).m_nBase, 0);
}

sf_count_t SeekTo(sf_count_t offset, int whence, void* user)
{
    const off_t position = lseek(From(user).m_nFd, whence == SEEK_SET ? offset + From(user).m_nBase : offset, whence);
    if (position < 0)
        From(user).m_nLastError = errno;
    return position < 0 ? position : position - From(user).m_nBase;
}

sf_count_t ReadBytes(void* buffer, sf_count_t count, void* user)
{
    const ssize_t got = read(From(user).m_nFd, buffer, static_cast<std::size_t>(count));
    if (got < 0)
        From(user).m_nLastError = errno;
    return got < 0 ? 0 : got;
}

sf_count_t WriteBytes(const void* buffer, sf_count_t count, void* user)
{
    const char* bytes = static_cast<const char*>(buffer);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t written = write(From(user).m_nFd, bytes + done, static_cast<std::size_t>(count - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            From(user).m_nLastError = written < 0 ? errno : ENOSPC;
            break;
        }
        done += written;
    }
    return done;
}

sf_count_t Tell(void* user)
{
    const off_t position = lseek(From(user).m_nFd, 0, SEEK_CUR);
    return position < 0 ? position : position - From(user).m_nBase;
}

SF_VIRTUAL_IO kDescriptorIo = {FileLength, SeekTo, ReadBytes, WriteBytes, Tell};

int SndfileFormat(const OutputFormat& format)
{
    const int container = format.m_container == OutputContainer::Flac   ? SF_FORMAT_FLAC
                          : format.m_container == OutputContainer::W64  ? SF_FORMAT_W64
                          : format.m_container == OutputContainer::Rf64 ? SF_FORMAT_RF64
                                                                        : SF_FORMAT_WAV;
    const int sample = format.m_sample == SampleFormat::Pcm16   ? SF_FORMAT_PCM_16
                       : format.m_sample == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                                : SF_FORMAT_FLOAT;
    return container | sample;
}

}  // namespace

SndfileSink::SndfileSink(const OutputFormat& format)
    : m_format(format)
{
}

SndfileSink::~SndfileSink()
{
    CloseFile();
}

std::optional<RunMessage> SndfileSink::Create(const std::string& path)
{
    m_strPath = path;
    m_descriptor.m_nFd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_descriptor.m_nFd < 0)
        return OutputFailure(path, DescribeSystemError(errno));
    m_descriptor.m_nBase = static_cast<sf_count_t>(m_nRoomBefore);
    lseek(m_descriptor.m_nFd, m_descriptor.m_nBase, SEEK_SET);
    SF_INFO info{};
    info.samplerate = m_format.m_nRate;
    info.channels = 2;
    info.format = SndfileFormat(m_format);
    m_pFile = sf_open_virtual(&kDescriptorIo, SFM_WRITE, &info, &m_descriptor);
    if (m_pFile == nullptr) {
        const std::string reason = m_descriptor.m_nLastError != 0 ? DescribeSystemError(m_descriptor.m_nLastError)
                                                                  : std::string(sf_strerror(nullptr));
        CloseFile();
        return OutputFailure(path, reason);
    }
    WriteLoopPoints();
    if (!m_strComment.empty() && sf_set_string(m_pFile, SF_STR_COMMENT, m_strComment.c_str()) != 0) {
        const std::string reason = sf_strerror(m_pFile);
        CloseFile();
        return OutputFailure(path, reason);
    }
    return std::nullopt;
}

// libsndfile writes the smpl chunk for WAV only, with the loop's end one
// before the end it is given (its ends are exclusive, the chunk's inclusive).
void SndfileSink::WriteLoopPoints()
{
    if (m_nLoopFrames == 0 || m_format.m_container != OutputContainer::Wav || m_nLoopFrames > UINT32_MAX)
        return;
    SF_INSTRUMENT instrument{};
    instrument.gain = 1;
    instrument.basenote = 60;  // middle C: the sound plays at its own pitch
    instrument.key_hi = 127;
    instrument.velocity_hi = 127;
    instrument.loop_count = 1;
    instrument.loops[0].mode = SF_LOOP_FORWARD;
    instrument.loops[0].start = 0;
    instrument.loops[0].end = static_cast<unsigned int>(m_nLoopFrames);
    instrument.loops[0].count = 0;  // for ever
    sf_command(m_pFile, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
}

void SndfileSink::Write(const StereoFrame* frames, std::size_t count)
{
    if (m_pFile == nullptr || count == 0)
        return;
    m_bWritten = true;
    WriteConverted(frames, count);
}

// 16-bit values go to libsndfile as they are; 24-bit ones in the top three
// bytes of an int, which is how libsndfile takes them; floats unchanged.
void SndfileSink::WriteConverted(const StereoFrame* frames, std::size_t count)
{
    sf_count_t written = 0;
    const auto wanted = static_cast<sf_count_t>(count);
    switch (m_format.m_sample) {
    case SampleFormat::Pcm16:
        m_shorts.resize(2 * count);
        for (std::size_t i = 0; i < count; ++i) {
            m_shorts[2 * i] = ToPcm16(frames[i].left);
            m_shorts[2 * i + 1] = ToPcm16(frames[i].right);
        }
        written = sf_writef_short(m_pFile, m_shorts.data(), wanted);
        break;
    case SampleFormat::Pcm24:
        m_ints.resize(2 * count);
        for (std::size_t i = 0; i < count; ++i) {
            m_ints[2 * i] = static_cast<int>(static_cast<std::uint32_t>(ToPcm24(frames[i].left)) << 8);
            m_ints[2 * i + 1] = static_cast<int>(static_cast<std::uint32_t>(ToPcm24(frames[i].right)) << 8);
        }
        written = sf_writef_int(m_pFile, m_ints.data(), wanted);
        break;
    case SampleFormat::Float32:
        m_floats.resize(2 * count);
        for (std::size_t i = 0; i < count; ++i) {
            m_floats[2 * i] = frames[i].left;
            m_floats[2 * i + 1] = frames[i].right;
        }
        written = sf_writef_float(m_pFile, m_floats.data(), wanted);
        break;
    }
    if (written != wanted)
        RaiseWriteFailure();
}

void SndfileSink::RaiseWriteFailure()
{
    const int error = m_descriptor.m_nLastError != 0 ? m_descriptor.m_nLastError : EIO;
    const bool full = error == ENOSPC || error == EDQUOT;
    throw FileException(full ? FileException::Cause::DiskFull : FileException::Cause::Write, m_strPath, error);
}

void SndfileSink::Finish(bool)
{
    if (m_pFile == nullptr)
        return;
    m_descriptor.m_nLastError = 0;
    // libsndfile writes a FLAC file's header with its first frames: a file
    // without any (a length of 0) is given its header here, so that it is a
    // FLAC file every reader opens rather than an empty one.
    if (!m_bWritten)
        sf_command(m_pFile, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    const int closeError = sf_close(m_pFile);
    m_pFile = nullptr;
    const bool failed = closeError != 0 || m_descriptor.m_nLastError != 0;
    const int fd = m_descriptor.m_nFd;
    m_descriptor.m_nFd = -1;
    if (close(fd) != 0 && m_descriptor.m_nLastError == 0)
        m_descriptor.m_nLastError = errno;
    if (failed || m_descriptor.m_nLastError != 0)
        RaiseWriteFailure();
}

void SndfileSink::Discard()
{
    CloseFile();
    if (!m_strPath.empty())
        unlink(m_strPath.c_str());
}

void SndfileSink::CloseFile()
{
    if (m_pFile != nullptr) {
        sf_close(m_pFile);
        m_pFile = nullptr;
    }
    if (m_descriptor.m_nFd >= 0) {
        close(m_descriptor.m_nFd);
        m_descriptor.m_nFd = -1;
    }
}

std::uint64_t SndfileSink::GetBytesWritten() const
{
    struct stat status {};
    if (m_descriptor.m_nFd < 0 || fstat(m_descriptor.m_nFd, &status) != 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}
