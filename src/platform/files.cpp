#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    DIR* dir = opendir(path.empty() ? "." : path.c_str());
    if (!dir)
        return false;
    errno = 0;
    while (dirent* item = readdir(dir))
    {
        DirectoryEntry entry;
        entry.name = item->d_name;
        if (item->d_type == DT_DIR)
        {
            entry.isDirectory = true;
        }
        else if (item->d_type == DT_UNKNOWN || item->d_type == DT_LNK)
        {
            struct stat info;
            std::string full = (path.empty() ? std::string(".") : path) + "/" + entry.name;
            entry.isDirectory = stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        entries.push_back(entry);
    }
    int failure = errno;
    closedir(dir);
    errno = failure;
    return failure == 0;
}

FileKind fileKind(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return FileKind::MISSING;
    if (S_ISREG(info.st_mode))
        return FileKind::REGULAR;
    if (S_ISDIR(info.st_mode))
        return FileKind::DIRECTORY;
    if (S_ISFIFO(info.st_mode))
        return FileKind::FIFO;
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return FileKind::DEVICE;
    return FileKind::OTHER;
}

int openForReading(const std::string& path)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer, possibly for ever.
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

long readWaiting(int fd, void* buffer, size_t size, int waitMs)
{
    // A FIFO whose writer has not come yet reads as ended, but poll() waits for the writer:
    // poll first, then read.
    pollfd item = {fd, POLLIN, 0};
    int ready = poll(&item, 1, waitMs);
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return READ_NOTHING_YET;
    if (ready < 0)
        return -1;
    ssize_t n = read(fd, buffer, size);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR ? READ_NOTHING_YET : -1;
    return static_cast<long>(n);
}

void closeDescriptor(int fd)
{
    if (fd >= 0)
        close(fd);
}

bool canEnterDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string currentDirectory()
{
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer))
        return std::string();
    return buffer;
}

bool setCurrentDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

uint64_t physicalMemoryBytes()
{
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

uint64_t availableMemoryBytes()
{
    long pages = sysconf(_SC_AVPHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

std::string systemErrorText(int errorNumber)
{
    // Chess GUIs take an engine line containing "No such file" or "Permission denied" as
    // a failed engine start and stop talking to it; a missing default book reports its
    // reason at start-up, so those two texts are worded differently here.
    if (errorNumber == ENOENT)
        return "The file does not exist";
    if (errorNumber == EACCES || errorNumber == EPERM)
        return "Access to the file was refused";
    char buffer[256];
    // The GNU strerror_r returns the text (possibly a static one) rather than filling the buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text ? std::string(text) : std::string("Unknown error");
}

int lastSystemError() { return errno; }

std::string lastSystemErrorText() { return systemErrorText(errno); }

std::string folderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void syncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    ::close(fd);
}

bool readAt(int fd, void* buffer, size_t size, uint64_t offset)
{
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (size > 0)
    {
        ssize_t n = pread(fd, bytes, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = 0;
            return false;
        }
        bytes += n;
        size -= size_t(n);
        offset += uint64_t(n);
    }
    return true;
}

bool writeAt(int fd, const void* buffer, size_t size, uint64_t offset)
{
    auto* bytes = static_cast<const uint8_t*>(buffer);
    while (size > 0)
    {
        ssize_t n = pwrite(fd, bytes, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        bytes += n;
        size -= size_t(n);
        offset += uint64_t(n);
    }
    return true;
}
