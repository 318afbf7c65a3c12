#include "cli/overwrite_guard.h"

#include <sys/stat.h>

#include <filesystem>

#include "formats/output_place.h"
#include "formats/sound_file_messages.h"

namespace {

struct Identity {
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> IdentityOf(const std::string& path)
{
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return Identity{info.st_dev, info.st_ino};
}

// Where a file written at path ends up: the file there now, if any, and the
// folder and name it is (re)made under.
struct Place {
    std::optional<Identity> m_file;
    std::optional<Identity> m_folder;
    std::string m_strName;
};

Place PlaceOf(const std::string& path)
{
    std::string reason;
    const OutputPlace output = FindOutputPlace(path, {}, reason);
    Place place;
    if (output.m_strTarget.empty())
        return place;
    place.m_file = IdentityOf(output.m_strTarget);
    place.m_folder = IdentityOf(output.m_strFolder);
    place.m_strName = std::filesystem::path(output.m_strTarget).filename().string();
    if (place.m_strName == "." || place.m_strName == "..")
        place.m_strName.clear();
    return place;
}

bool IsFile(const std::string& path)
{
    return !path.empty() && path != "-";
}

bool SameFile(const std::optional<Identity>& a, const std::optional<Identity>& b)
{
    return a && b && *a == *b;
}

bool SamePlace(const Place& a, const Place& b)
{
    return SameFile(a.m_file, b.m_file) ||
           (SameFile(a.m_folder, b.m_folder) && !a.m_strName.empty() && a.m_strName == b.m_strName);
}

std::string Refusal(const WrittenFile& written, const std::string& role, const std::string& path)
{
    return written.m_strOption + " " + PrintableName(written.m_strPath) + " is also " + role + " (" +
           PrintableName(path) + "), which the run would destroy; give " + written.m_strOption + " another file";
}

}  // namespace

std::optional<std::string> FindOverwrite(const std::vector<WrittenFile>& written, const std::vector<ReadFile>& read)
{
    std::vector<Place> earlier;
    for (const WrittenFile& file : written) {
        if (!IsFile(file.m_strPath)) {
            earlier.emplace_back();
            continue;
        }
        const Place place = PlaceOf(file.m_strPath);
        for (const ReadFile& source : read) {
            if (IsFile(source.m_strPath) && SameFile(place.m_file, IdentityOf(source.m_strPath)))
                return Refusal(file, source.m_strRole, source.m_strPath);
        }
        for (std::size_t i = 0; i < earlier.size(); ++i) {
            if (SamePlace(place, earlier[i])) {
                const WrittenFile& other = written[i];
                return Refusal(file, std::string("the file of ").append(other.m_strOption), other.m_strPath);
            }
        }
        earlier.push_back(place);
    }
    return std::nullopt;
}
