#include "cli/score_sources.h"

#include <chrono>

#include "cli/interrupt_signal.h"
#include "cli/score/score_reading.h"
#include "cli/score/score_sources.h"
#include "cli/score/source_fingerprint.h"
#include "engine/base/stereo_frame.h"
#include "formats/sound_file_opener.h"

namespace {

constexpr std::size_t kReadFrames = 1 << 16;

// The hash a stored score gives the layer's source, checked against the file.
std::optional<std::string> ChangedSource(const ScoreLayer& layer, std::uint64_t& hash)
{
    const FileHash found = HashFileContents(layer.m_strSourcePath);
    if (!found.m_strError.empty())
        return found.m_strError;
    hash = found.m_nHash;
    if (layer.m_storedSource && layer.m_storedSource->m_nHash != found.m_nHash) {
        return layer.m_strSource + " has changed since this score was stored (its content hash is " +
               FormatSourceHash(found.m_nHash) + ", the score's " + FormatSourceHash(layer.m_storedSource->m_nHash) +
               "), so the render would differ; remove source_hash and source_seconds from the layer to render "
               "it as it is now";
    }
    return std::nullopt;
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

SourcesLoading Refused(const std::string& scoreName, int line, const std::string& text)
{
    SourcesLoading refused;
    refused.m_strError = ScoreMessage(scoreName, line, text);
    return refused;
}

}  // namespace

SourcesLoading LoadScoreSources(const Score& score, const std::string& scoreName,
                                const std::function<void(const std::string&)>& inform)
{
    const auto start = std::chrono::steady_clock::now();
    LoadedSources loaded;
    for (const ScoreLayer& layer : score.m_layers) {
        const std::string& path = layer.m_strSourcePath;
        if (loaded.m_sounds.count(path) > 0)
            continue;
        if (const auto unreadable = SourceUnreadable(path))
            return Refused(scoreName, layer.m_nLine, *unreadable);
        std::uint64_t hash = 0;
        if (const auto changed = ChangedSource(layer, hash))
            return Refused(scoreName, layer.m_nLine, *changed);
        InputRules rules;
        rules.m_cancelled = [] { return WasInterrupted(); };
        InputOpening opening = OpenSoundFile(path, rules);
        if (opening.m_bCancelled || WasInterrupted())
            return {};
        if (!opening.m_opening.m_pSource)
            return Refused(scoreName, layer.m_nLine, opening.m_opening.m_failure.m_strText);
        inform(opening.m_strRoute);
        std::string error;
        std::optional<SoundBuffer> sound = ReadWhole(*opening.m_opening.m_pSource, error);
        if (!sound) {
            if (error.empty())
                return {};
            return Refused(scoreName, layer.m_nLine, layer.m_strSource + ": " + error);
        }
        loaded.m_facts[path] = SourceFacts{static_cast<double>(sound->size()) / kRunSampleRate, hash};
        loaded.m_sounds.emplace(path, std::move(*sound));
    }
    loaded.m_dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SourcesLoading loading;
    loading.m_sources = std::move(loaded);
    return loading;
}
