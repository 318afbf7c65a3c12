#include "studio/listening/source_cache.h"

#include <sys/stat.h>

#include <algorithm>

#include "score_file/score_sources.h"
#include "score_file/source_fingerprint.h"
#include "formats/sound_file_opener.h"

namespace studio {

namespace {

constexpr std::size_t kReadFrames = 1 << 16;

struct FileStamp {
    std::int64_t m_nModified = 0;
    std::uint64_t m_nBytes = 0;
    bool m_bFound = false;
};

FileStamp StampOf(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return {};
    return {static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
            static_cast<std::uint64_t>(status.st_size), true};
}

LoadedSource Failed(std::string why)
{
    LoadedSource failed;
    failed.m_strError = std::move(why);
    return failed;
}

// The whole sound of path, as a render loads it.
LoadedSource Read(const std::string& path, const std::function<bool()>& cancelled)
{
    if (const auto unreadable = SourceUnreadable(path))
        return Failed(*unreadable);
    const FileHash hash = HashFileContents(path);
    if (!hash.m_strError.empty())
        return Failed(hash.m_strError);
    InputRules rules;
    if (cancelled)
        rules.m_cancelled = cancelled;
    InputOpening opening = OpenSoundFile(path, rules);
    if (opening.m_bCancelled)
        return {};
    if (!opening.m_opening.m_pSource)
        return Failed(opening.m_opening.m_failure.m_strText);
    SoundSource& source = *opening.m_opening.m_pSource;
    const std::uint64_t frames = source.GetFrameCount();
    std::optional<SoundBuffer> sound = SoundBuffer::Allocate(SystemAllocate, frames);
    if (!sound)
        return Failed(path + ": there is not enough memory for its sound");
    for (std::uint64_t done = 0; done < frames;) {
        if (cancelled && cancelled())
            return {};
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kReadFrames, frames - done));
        source.Read(sound->data() + done, count);
        done += count;
    }
    source.Close();
    LoadedSource loaded;
    loaded.m_facts = SourceFacts{static_cast<double>(sound->size()) / kRunSampleRate, hash.m_nHash};
    loaded.m_pSound = std::make_shared<const SoundBuffer>(std::move(*sound));
    return loaded;
}

}  // namespace

LoadedSource SourceCache::Load(const std::string& path, const std::function<bool()>& cancelled)
{
    const FileStamp stamp = StampOf(path);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_entries.find(path);
        if (found != m_entries.end() && stamp.m_bFound && found->second.m_nModified == stamp.m_nModified &&
            found->second.m_nBytes == stamp.m_nBytes)
            return found->second.m_source;
    }
    LoadedSource loaded;
    try {
        loaded = Read(path, cancelled);
    } catch (const std::exception& error) {
        // A read failure below the sound-file libraries (a disk error).
        loaded = Failed(path + ": " + error.what());
    }
    if (loaded.m_pSound) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_entries[path] = Entry{loaded, stamp.m_nModified, stamp.m_nBytes};
    }
    return loaded;
}

LoadedSource SourceCache::Find(const std::string& path) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_entries.find(path);
    return found == m_entries.end() ? LoadedSource{} : found->second.m_source;
}

void SourceCache::Keep(const std::set<std::string>& paths)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        if (paths.count(entry->first) == 0)
            entry = m_entries.erase(entry);
        else
            ++entry;
    }
}

}  // namespace studio
