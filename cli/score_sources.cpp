#include "cli/score_sources.h"

#include <chrono>
#include <cmath>

#include "cli/interrupt_signal.h"
#include "cli/score/score_reading.h"
#include "cli/score/score_sources.h"
#include "cli/score/source_fingerprint.h"
#include "engine/parameters/parameter_text.h"
#include "engine/stereo_frame.h"
#include "formats/sound_file_opener.h"

namespace {

constexpr std::size_t kReadFrames = 1 << 16;

// The hash a stored score gives the layer's source, checked against the
// hash of the file.
std::optional<std::string> OtherHash(const ScoreLayer& layer, std::uint64_t hash)
{
    if (!layer.m_storedSource || layer.m_storedSource->m_nHash == hash)
        return std::nullopt;
    return layer.m_strSource + " has changed since this score was stored (its content hash is " +
           FormatSourceHash(hash) + ", the score's " + FormatSourceHash(layer.m_storedSource->m_nHash) +
           "), so the render would differ; remove source_hash and source_seconds from the layer to render "
           "it as it is now";
}

// The file's hash, checked against the one a stored score gives it.
std::optional<std::string> ChangedSource(const ScoreLayer& layer, std::uint64_t& hash)
{
    const FileHash found = HashFileContents(layer.m_strSourcePath);
    if (!found.m_strError.empty())
        return found.m_strError;
    hash = found.m_nHash;
    return OtherHash(layer, hash);
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
        if (const auto facts = loaded.m_facts.find(path); facts != loaded.m_facts.end()) {
            // Read for an earlier layer, whose score may give it other facts.
            const auto frames = static_cast<std::uint64_t>(loaded.m_sounds.at(path).size());
            if (auto other = OtherHash(layer, facts->second.m_nHash); other || (other = OtherLength(layer, frames)))
                return Refused(scoreName, SourceLine(layer), *other);
            continue;
        }
        if (const auto unreadable = SourceUnreadable(path))
            return Refused(scoreName, SourceLine(layer), *unreadable);
        std::uint64_t hash = 0;
        if (const auto changed = ChangedSource(layer, hash))
            return Refused(scoreName, SourceLine(layer), *changed);
        InputRules rules;
        rules.m_cancelled = [] { return WasInterrupted(); };
        InputOpening opening = OpenSoundFile(path, rules);
        if (opening.m_bCancelled || WasInterrupted())
            return {};
        if (!opening.m_opening.m_pSource)
            return Refused(scoreName, SourceLine(layer), opening.m_opening.m_failure.m_strText);
        if (const auto other = OtherLength(layer, opening.m_opening.m_pSource->GetFrameCount()))
            return Refused(scoreName, SourceLine(layer), *other);
        inform(opening.m_strRoute);
        std::string error;
        std::optional<SoundBuffer> sound = ReadWhole(*opening.m_opening.m_pSource, error);
        if (!sound) {
            if (error.empty())
                return {};
            return Refused(scoreName, SourceLine(layer), layer.m_strSource + ": " + error);
        }
        loaded.m_facts[path] = SourceFacts{static_cast<double>(sound->size()) / kRunSampleRate, hash};
        loaded.m_sounds.emplace(path, std::move(*sound));
    }
    loaded.m_dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SourcesLoading loading;
    loading.m_sources = std::move(loaded);
    return loading;
}
