// The sounds a score's layers read, each file loaded once however many
// layers read it and by whatever names (a link, ./rain.wav beside
// rain.wav): files are told apart by what they are on disk. Each file is
// opened once and held: its hash, checked against the one a stored score
// gives it, and its sound come from that one file. Sounds that cannot fit
// in memory together are refused before any is read.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "engine/score/score.h"
#include "engine/base/zeroed_buffer.h"

struct LoadedSources {
    // 44100 Hz stereo, one for each file, by the source path of the first
    // layer that reads it.
    std::map<std::string, SoundBuffer> m_sounds;
    // Every layer's source path: the key of its file's sound in m_sounds.
    std::map<std::string, std::string> m_soundOf;
    // Every layer's source path: length and content hash, for the stored score.
    std::map<std::string, SourceFacts> m_facts;
    double m_dSeconds = 0.0;  // spent loading
};

struct SourcesLoading {
    std::optional<LoadedSources> m_sources;  // none: refused or cancelled
    std::string m_strError;                  // why, ready to print; empty when cancelled
};

// Loads every source of score (named scoreName in messages), telling inform
// which way each went. A source that cannot be read, is not a sound, no
// longer has the hash or the length a stored score gives it, or changes
// while it is read is refused with the line of the layer's source; sounds of
// more bytes than availableBytes (none: not known) are refused before any is
// read.
SourcesLoading LoadScoreSources(const Score& score, const std::string& scoreName,
                                const std::function<void(const std::string&)>& inform,
                                std::optional<std::uint64_t> availableBytes);
