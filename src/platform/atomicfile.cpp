#include "platform/atomicfile.h"

#include "platform/files.h"
#include "platform/openfiles.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{
// Links followed before giving up, as the system does.
constexpr int MAX_LINK_HOPS = 40;
// Names tried before a folder that keeps refusing new files is given up.
constexpr int MAX_NAME_ATTEMPTS = 100;

// The file a write to the path lands in: symbolic links in the last component are
// followed (a link that names nothing yet gives the path where the file will be).
bool resolveTarget(std::string path, std::string& target)
{
    for (int hop = 0; hop < MAX_LINK_HOPS; ++hop)
    {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
        {
            if (errno != ENOENT)
                return false;
            target = path;
            return true;
        }
        if (!S_ISLNK(info.st_mode))
        {
            target = path;
            return true;
        }
        std::vector<char> buffer(size_t(info.st_size > 0 ? info.st_size : 255) + 1);
        ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || size_t(length) >= buffer.size())
            return false;
        std::string link(buffer.data(), size_t(length));
        size_t slash = path.rfind('/');
        if (link[0] != '/' && slash != std::string::npos)
            link = path.substr(0, slash + 1) + link;
        path = link;
    }
    errno = ELOOP;
    return false;
}

uint64_t randomBits()
{
    uint64_t value = 0;
    if (getrandom(&value, sizeof value, GRND_NONBLOCK) == ssize_t(sizeof value))
        return value;
    // Without the system's source the name only has to differ from the last attempt;
    // exclusive creation keeps it safe either way.
    static uint64_t counter = 0;
    return (uint64_t(std::time(nullptr)) << 20) ^ (uint64_t(getpid()) << 40) ^ ++counter * 0x9e3779b97f4a7c15ULL;
}

// Creates a new, empty file in the folder; -1 when none could be made.
int createTemporary(const std::string& folder, std::string& name)
{
    for (int attempt = 0; attempt < MAX_NAME_ATTEMPTS; ++attempt)
    {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(randomBits()));
        name = folder + "/.vekran-" + suffix + ".tmp";
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}

FileWriteResult writeWholeFile(const std::string& path, const std::string& content)
{
    std::string target;
    if (!resolveTarget(path, target))
        return FileWriteResult::FAILED;
    struct stat existing;
    bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return FileWriteResult::NOT_REGULAR;
    // Renaming over a file the engine writes would leave it writing to a file no name
    // leads to any more.
    if (exists && isOpenInThisProcess(target))
        return FileWriteResult::IN_USE;

    const std::string folder = folderOf(target);
    std::string temporary;
    int fd = createTemporary(folder, temporary);
    if (fd < 0)
        return FileWriteResult::FAILED;
    bool ok = (!exists || fchmod(fd, existing.st_mode & 07777) == 0) &&
              writeAt(fd, content.data(), content.size(), 0) && fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0)
    {
        int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        return FileWriteResult::FAILED;
    }
    syncFolder(folder);
    return FileWriteResult::WRITTEN;
}
