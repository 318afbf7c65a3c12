#include "tests/formats/forged_sound_files.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>

#include "tests/formats/sound_file_probe.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr std::size_t kStreamInfoTotal = 8 + 13;  // "fLaC", the block header, then 13 bytes in
constexpr std::size_t kOggHeaderBytes = 27;
constexpr std::size_t kOggGranule = 6;
constexpr std::size_t kOggChecksum = 22;

// Where each Ogg page starts and how long it is.
std::vector<std::pair<std::size_t, std::size_t>> OggPages(const std::vector<unsigned char>& ogg)
{
    std::vector<std::pair<std::size_t, std::size_t>> pages;
    std::size_t at = 0;
    while (at + kOggHeaderBytes <= ogg.size() && std::memcmp(ogg.data() + at, "OggS", 4) == 0) {
        const std::size_t segments = ogg[at + 26];
        std::size_t length = kOggHeaderBytes + segments;
        if (at + length > ogg.size())
            break;
        for (std::size_t i = 0; i < segments; ++i)
            length += ogg[at + kOggHeaderBytes + i];
        if (at + length > ogg.size())
            break;
        pages.emplace_back(at, length);
        at += length;
    }
    return pages;
}

constexpr std::uint32_t kSilentBlock = 4096;

std::uint8_t Crc8(const std::vector<unsigned char>& bytes, std::size_t from)
{
    std::uint8_t crc = 0;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint8_t>((crc & 0x80) != 0 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

std::uint16_t Crc16(const std::vector<unsigned char>& bytes, std::size_t from)
{
    std::uint16_t crc = 0;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x8005 : crc << 1);
    }
    return crc;
}

// A frame number as FLAC codes it: the UTF-8 scheme, stretched to 31 bits.
void AppendCodedNumber(std::vector<unsigned char>& bytes, std::uint32_t number)
{
    if (number < 0x80) {
        bytes.push_back(static_cast<unsigned char>(number));
        return;
    }
    int continuation = number < 0x800 ? 1 : number < 0x10000 ? 2 : number < 0x200000 ? 3 : number < 0x4000000 ? 4 : 5;
    const auto lead = static_cast<unsigned char>(0xFF00 >> (continuation + 1));
    bytes.push_back(static_cast<unsigned char>(lead | (number >> (6 * continuation))));
    while (continuation-- > 0)
        bytes.push_back(static_cast<unsigned char>(0x80 | ((number >> (6 * continuation)) & 0x3F)));
}

void AppendStreamInfo(std::vector<unsigned char>& bytes, std::uint64_t declaredTotal)
{
    const unsigned char head[] = {'f', 'L', 'a', 'C', 0x80, 0, 0, 34,           // the last block, 34 bytes
                                  0x10, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0,  // blocks of 4096, frame sizes unknown
                                  0x0A, 0xC4, 0x42};                         // 44100 Hz, 2 channels, 16 bits
    // Byte by byte: GCC 12's optimiser reports a false overflow
    // (-Wstringop-overflow) in std::vector's range insert here.
    for (const unsigned char byte : head)
        bytes.push_back(byte);
    bytes.push_back(static_cast<unsigned char>(0xF0 | ((declaredTotal >> 32) & 0x0F)));
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<unsigned char>(declaredTotal >> shift));
    bytes.resize(bytes.size() + 16, 0);  // no MD5 signature
}

// One frame of block frames: the header (4096, or a 16-bit count at its end,
// 44100 Hz, two independent 16-bit channels), two CONSTANT 0 subframes, CRCs.
void AppendSilentFrame(std::vector<unsigned char>& bytes, std::uint32_t number, std::uint32_t block)
{
    const std::size_t start = bytes.size();
    const bool full = block == kSilentBlock;
    bytes.insert(bytes.end(), {0xFF, 0xF8, static_cast<unsigned char>(full ? 0xC9 : 0x79), 0x18});
    AppendCodedNumber(bytes, number);
    if (!full) {
        bytes.push_back(static_cast<unsigned char>((block - 1) >> 8));
        bytes.push_back(static_cast<unsigned char>(block - 1));
    }
    bytes.push_back(Crc8(bytes, start));
    bytes.insert(bytes.end(), {0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    const std::uint16_t crc = Crc16(bytes, start);
    bytes.push_back(static_cast<unsigned char>(crc >> 8));
    bytes.push_back(static_cast<unsigned char>(crc));
}

}  // namespace

std::vector<unsigned char> SilentFlac(std::uint64_t frames, std::uint64_t declaredTotal)
{
    std::vector<unsigned char> bytes;
    AppendStreamInfo(bytes, declaredTotal);
    std::uint32_t number = 0;
    for (std::uint64_t done = 0; done < frames; done += kSilentBlock, ++number) {
        const auto block = static_cast<std::uint32_t>(std::min<std::uint64_t>(kSilentBlock, frames - done));
        AppendSilentFrame(bytes, number, block);
    }
    return bytes;
}

std::vector<unsigned char> WriteToneFile(const std::string& path, int format, int rate, std::uint64_t frames)
{
    std::vector<float> samples(2 * frames);
    for (std::uint64_t i = 0; i < frames; ++i) {
        const auto value = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / rate));
        samples[2 * i] = value;
        samples[2 * i + 1] = value;
    }
    WriteSoundFile(path, format, rate, 2, samples);
    return ReadWholeFile(path);
}

void SetFlacTotalSamples(std::vector<unsigned char>& flac, std::uint64_t total)
{
    if (flac.size() < kStreamInfoTotal + 5 || std::memcmp(flac.data(), "fLaC", 4) != 0)
        throw std::invalid_argument("not a FLAC file");
    flac[kStreamInfoTotal] = static_cast<unsigned char>((flac[kStreamInfoTotal] & 0xF0) | ((total >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i)
        flac[kStreamInfoTotal + 1 + static_cast<std::size_t>(i)] = static_cast<unsigned char>(total >> (24 - 8 * i));
}

std::uint32_t OggPageChecksum(const std::vector<unsigned char>& page)
{
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
        const bool inField = i >= kOggChecksum && i < kOggChecksum + 4;
        crc ^= static_cast<std::uint32_t>(inField ? 0 : page[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

void SetLastOggGranule(std::vector<unsigned char>& ogg, std::uint64_t granule)
{
    const auto pages = OggPages(ogg);
    if (pages.empty())
        throw std::invalid_argument("not an Ogg stream");
    const auto [start, length] = pages.back();
    for (std::size_t i = 0; i < 8; ++i)
        ogg[start + kOggGranule + i] = static_cast<unsigned char>(granule >> (8 * i));
    const std::vector<unsigned char> page(ogg.begin() + static_cast<std::ptrdiff_t>(start),
                                          ogg.begin() + static_cast<std::ptrdiff_t>(start + length));
    const std::uint32_t crc = OggPageChecksum(page);
    for (std::size_t i = 0; i < 4; ++i)
        ogg[start + kOggChecksum + i] = static_cast<unsigned char>(crc >> (8 * i));
}

void SetXingFrameCount(std::vector<unsigned char>& mp3, std::uint32_t frames)
{
    const std::size_t searched = std::min<std::size_t>(mp3.size(), 4096);
    for (std::size_t at = 0; at + 12 <= searched; ++at) {
        const bool tag = std::memcmp(mp3.data() + at, "Xing", 4) == 0 || std::memcmp(mp3.data() + at, "Info", 4) == 0;
        if (!tag || (mp3[at + 7] & 1) == 0)
            continue;
        for (std::size_t i = 0; i < 4; ++i)
            mp3[at + 8 + i] = static_cast<unsigned char>(frames >> (24 - 8 * i));
        return;
    }
    throw std::invalid_argument("no Xing header with a frame count");
}

std::vector<unsigned char> CutShort(const std::vector<unsigned char>& bytes, double fraction)
{
    const auto keep = static_cast<std::size_t>(static_cast<double>(bytes.size()) * fraction);
    return std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
}
