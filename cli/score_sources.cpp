#include "cli/score_sources.h"

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "cli/interrupt_signal.h"
#include "score_file/score_reading.h"
#include "score_file/source_fingerprint.h"
#include "engine/parameters/parameter_text.h"
#include "engine/run/progress_text.h"
#include "engine/base/stereo_frame.h"
#include "formats/held_file.h"
#include "formats/sound_file_messages.h"
#include "formats/sound_file_opener.h"

namespace {

constexpr std::size_t kReadFrames = 1 << 16;

// A file opened for the score, not read yet.
struct OpenSource {
    std::string m_strPath;  // of the first layer that reads it
    const ScoreLayer* m_pLayer = nullptr;
    HeldFile m_file;
    std::unique_ptr<SoundSource> m_pSource;
    std::string m_strRoute;  // which way it is read, for the user
};

// Why the layer is refused, at its line; or, with an empty text, cancelled.
struct Refusal {
    int m_nLine = 0;
    std::string m_strText;
};

// The hash a stored score gives the layer's source, checked against the file's.
std::optional<std::string> ChangedSource(const ScoreLayer& layer, std::uint64_t hash)
{
    if (!layer.m_storedSource || layer.m_storedSource->m_nHash == hash)
        return std::nullopt;
    return layer.m_strSource + " has changed since this score was stored (its content hash is " +
           FormatSourceHash(hash) + ", the score's " + FormatSourceHash(layer.m_storedSource->m_nHash) +
           "), so the render would differ; remove source_hash and source_seconds from the layer to render "
           "it as it is now";
}

// The length a stored score gives the layer's source, checked against the
// source as it opens here: source_seconds is its length at 44100 Hz, and
// holds when it names the same frame. A source whose content is the same
// and whose length is not was edited into the score, or is decoded another
// way by this build; either way the render would differ from the stored one.
std::optional<std::string> OtherLength(const ScoreLayer& layer, std::uint64_t frames)
{
    if (!layer.m_storedSource)
        return std::nullopt;
    const double stored = layer.m_storedSource->m_dSeconds;
    const auto storedFrames = static_cast<std::uint64_t>(std::llround(stored * kRunSampleRate));
    if (storedFrames == frames)
        return std::nullopt;
    return layer.m_strSource + " holds " + std::to_string(frames) + " frames at " + std::to_string(kRunSampleRate) +
           " Hz as read here, not the " + std::to_string(storedFrames) + " of its source_seconds (" +
           FormatNumber(stored) + "), though its content hash is the score's: the score was edited, or this "
           "build reads the file another way, so the render would differ; remove source_hash and "
           "source_seconds from the layer to render it as it is now";
}

// The whole sound of an open source, read in pieces; nothing when cancelled
// or when its memory cannot be had (error says which).
std::optional<SoundBuffer> ReadWhole(SoundSource& source, std::string& error)
{
    const std::uint64_t frames = source.GetFrameCount();
    std::optional<SoundBuffer> sound = SoundBuffer::Allocate(SystemAllocate, frames);
    if (!sound) {
        error = "there is not enough memory for its sound";
        return std::nullopt;
    }
    for (std::uint64_t done = 0; done < frames;) {
        if (WasInterrupted())
            return std::nullopt;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kReadFrames, frames - done));
        source.Read(sound->data() + done, count);
        done += count;
    }
    source.Close();
    return sound;
}

// Where a message about the layer's source points: its source line.
int SourceLine(const ScoreLayer& layer)
{
    return layer.m_nSourceLine > 0 ? layer.m_nSourceLine : layer.m_nLine;
}

class SourceLoader {
public:
    SourceLoader(const std::function<void(const std::string&)>& inform)
        : m_inform(inform)
    {
    }

    std::optional<Refusal> Open(const ScoreLayer& layer);
    std::optional<Refusal> CheckMemory(std::optional<std::uint64_t> availableBytes) const;
    std::optional<Refusal> Read(const Score& score);
    LoadedSources& Loaded() { return m_loaded; }

private:
    std::optional<Refusal> ReadOne(const Score& score, OpenSource& open);

    const std::function<void(const std::string&)>& m_inform;
    std::vector<OpenSource> m_open;
    LoadedSources m_loaded;
};

// Opens the layer's source, unless a layer before it reads the same file.
std::optional<Refusal> SourceLoader::Open(const ScoreLayer& layer)
{
    const std::string& path = layer.m_strSourcePath;
    if (m_loaded.m_soundOf.count(path) > 0)
        return std::nullopt;
    std::string reason;
    std::optional<HeldFile> file = HeldFile::Open(path, reason);
    if (!file)
        return Refusal{SourceLine(layer), path + ": " + reason};
    for (const OpenSource& open : m_open) {
        if (open.m_file.IsSameFileAs(*file)) {
            m_loaded.m_soundOf[path] = open.m_strPath;
            return std::nullopt;
        }
    }
    InputRules rules;
    rules.m_cancelled = [] { return WasInterrupted(); };
    rules.m_strShownAs = path;
    InputOpening opening = OpenSoundFile(file->ReadablePath(), rules);
    if (opening.m_bCancelled || WasInterrupted())
        return Refusal{};
    if (!opening.m_opening.m_pSource)
        return Refusal{SourceLine(layer), opening.m_opening.m_failure.m_strText};
    m_loaded.m_soundOf[path] = path;
    m_open.push_back(OpenSource{path, &layer, std::move(*file), std::move(opening.m_opening.m_pSource),
                                std::move(opening.m_strRoute)});
    return std::nullopt;
}

// The sounds of all files together, as they will be held, against the memory there is.
std::optional<Refusal> SourceLoader::CheckMemory(std::optional<std::uint64_t> availableBytes) const
{
    std::uint64_t bytes = 0;
    for (const OpenSource& open : m_open)
        bytes += open.m_pSource->GetFrameCount() * sizeof(StereoFrame);
    if (!availableBytes || bytes <= *availableBytes)
        return std::nullopt;
    const std::string files = m_open.size() == 1 ? "source takes " : "sources take ";
    return Refusal{0, "the score's " + files + FormatBytesMB(bytes) + " of memory as sound at 44100 Hz, more than " +
                          "the " + FormatBytesMB(*availableBytes) + " available; use fewer or shorter sources"};
}

// Each file's hash and length, checked against every layer that reads it
// (by any name), then its sound.
std::optional<Refusal> SourceLoader::ReadOne(const Score& score, OpenSource& open)
{
    const FileHash hash = HashDescriptorContents(open.m_file.Descriptor(), open.m_strPath);
    if (!hash.m_strError.empty())
        return Refusal{SourceLine(*open.m_pLayer), hash.m_strError};
    for (const ScoreLayer& layer : score.m_layers) {
        if (m_loaded.m_soundOf.at(layer.m_strSourcePath) != open.m_strPath)
            continue;
        if (auto changed = ChangedSource(layer, hash.m_nHash))
            return Refusal{SourceLine(layer), *changed};
        if (auto other = OtherLength(layer, open.m_pSource->GetFrameCount()))
            return Refusal{SourceLine(layer), *other};
    }
    m_inform(open.m_strRoute);
    std::string error;
    std::optional<SoundBuffer> sound = ReadWhole(*open.m_pSource, error);
    if (!sound && error.empty())
        return Refusal{};
    if (!sound)
        return Refusal{SourceLine(*open.m_pLayer), open.m_pLayer->m_strSource + ": " + error};
    if (!open.m_file.IsUnchanged()) {
        return Refusal{SourceLine(*open.m_pLayer),
                       open.m_pLayer->m_strSource + " changed while it was read; render again once it is written"};
    }
    const SourceFacts facts{static_cast<double>(sound->size()) / kRunSampleRate, hash.m_nHash};
    m_loaded.m_sounds.emplace(open.m_strPath, std::move(*sound));
    for (const auto& [path, key] : m_loaded.m_soundOf) {
        if (key == open.m_strPath)
            m_loaded.m_facts[path] = facts;
    }
    return std::nullopt;
}

std::optional<Refusal> SourceLoader::Read(const Score& score)
{
    for (OpenSource& open : m_open) {
        if (auto refused = ReadOne(score, open))
            return refused;
        open.m_pSource.reset();
    }
    return std::nullopt;
}

SourcesLoading Refused(const std::string& scoreName, const Refusal& refusal)
{
    SourcesLoading refused;
    if (!refusal.m_strText.empty())
        refused.m_strError = ScoreMessage(scoreName, refusal.m_nLine, refusal.m_strText);
    return refused;
}

}  // namespace

SourcesLoading LoadScoreSources(const Score& score, const std::string& scoreName,
                                const std::function<void(const std::string&)>& inform,
                                std::optional<std::uint64_t> availableBytes)
{
    const auto start = std::chrono::steady_clock::now();
    SourceLoader loader(inform);
    for (const ScoreLayer& layer : score.m_layers) {
        if (auto refused = loader.Open(layer))
            return Refused(scoreName, *refused);
    }
    if (auto refused = loader.CheckMemory(availableBytes))
        return Refused(scoreName, *refused);
    if (auto refused = loader.Read(score))
        return Refused(scoreName, *refused);
    LoadedSources& loaded = loader.Loaded();
    loaded.m_dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SourcesLoading loading;
    loading.m_sources = std::move(loaded);
    return loading;
}
