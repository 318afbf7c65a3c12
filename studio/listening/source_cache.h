// The sounds of a score's sources, each loaded once (as the renderer loads
// it: 44100 Hz stereo) and shared by whoever needs it: the render that is
// heard, the level survey, the inspector's waveform. A source whose file
// changed on disk is loaded again.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "engine/score/score.h"
#include "engine/base/zeroed_buffer.h"

namespace studio {

struct LoadedSource {
    std::shared_ptr<const SoundBuffer> m_pSound;  // null: not loaded (see m_strError)
    SourceFacts m_facts;                          // its length and content hash
    std::string m_strError;                       // why not: "rain.flac: No such file or directory"
};

class SourceCache {
public:
    // The sound at path, loaded now unless it is loaded and unchanged.
    // cancelled is asked now and then while a long file loads; a cancelled
    // load answers no sound and an empty error. Safe from any thread; two
    // threads asking for one file may both load it.
    LoadedSource Load(const std::string& path, const std::function<bool()>& cancelled = {});
    // The sound at path if it is loaded (and was unchanged when last asked).
    LoadedSource Find(const std::string& path) const;
    // Forgets every sound but those at paths (the memory goes once no
    // render holds them).
    void Keep(const std::set<std::string>& paths);

private:
    struct Entry {
        LoadedSource m_source;
        std::int64_t m_nModified = 0;  // the file's change time and size when loaded
        std::uint64_t m_nBytes = 0;
    };

    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_entries;
};

}  // namespace studio
