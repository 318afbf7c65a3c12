#include "tests/support/unwritable_places.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

}  // namespace

LockedFolder::LockedFolder(const TempDir& parent, const std::string& fileName,
                           const std::vector<unsigned char>& content)
    : m_path(parent.Path() / "locked")
    , m_strFile((m_path / fileName).string())
{
    std::filesystem::create_directory(m_path);
    WriteWholeFile(m_strFile, content);
    chmod(parent.Path().c_str(), 0755);
    chmod(m_strFile.c_str(), 0666);
    chmod(m_path.c_str(), 0555);
}

LockedFolder::~LockedFolder()
{
    chmod(m_path.c_str(), 0755);
}

bool BecomeNobody()
{
    return geteuid() != 0 || (setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

SmallTmpfs::SmallTmpfs()
    : m_bMounted(geteuid() == 0 && mount("tmpfs", m_dir.Path().c_str(), "tmpfs", 0, "size=1m") == 0)
{
}

bool SmallTmpfs::MakeReadOnly()
{
    return m_bMounted && mount("tmpfs", m_dir.Path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m") == 0;
}

SmallTmpfs::~SmallTmpfs()
{
    if (m_bMounted)
        umount(m_dir.Path().c_str());
}
