// The sounds a score's layers read, each loaded once however many layers
// read it, after checking that none has changed since the score was stored.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "engine/score/score.h"
#include "engine/zeroed_buffer.h"

struct LoadedSources {
    std::map<std::string, SoundBuffer> m_sounds;  // by path, 44100 Hz stereo
    std::map<std::string, SourceFacts> m_facts;   // by path: length and content hash, for the stored score
    double m_dSeconds = 0.0;                      // spent loading
};

struct SourcesLoading {
    std::optional<LoadedSources> m_sources;  // none: refused or cancelled
    std::string m_strError;                  // why, ready to print; empty when cancelled
};

// Loads every source of score (named scoreName in messages), telling inform
// which way each went. A source that cannot be read, is not a sound, or no
// longer has the hash or the length a stored score gives it is refused with
// the line of the layer's source.
SourcesLoading LoadScoreSources(const Score& score, const std::string& scoreName,
                                const std::function<void(const std::string&)>& inform);
