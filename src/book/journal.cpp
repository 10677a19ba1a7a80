#include "book/journal.h"

#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace
{
// Journal layout (little-endian): a header, then one record per saved page.
//   header: magic[8] "VekJrnl1" | device u64 | inode u64 | old size u64 | page size u32 | checksum u32
//   record: page index u64 | length u32 | checksum u32 | the page's old bytes
// A record whose checksum fails marks where the journal was cut short; the pages
// it would have covered were never written, since the journal is synced first.
const char MAGIC[8] = {'V', 'e', 'k', 'J', 'r', 'n', 'l', '1'};
constexpr size_t HEADER_SIZE = 40;
constexpr size_t RECORD_HEAD_SIZE = 16;
// How long to wait for another program's lock on the file before giving up.
constexpr int LOCK_WAIT_MS = 2000;
constexpr int LOCK_POLL_MS = 10;

uint32_t checksum(const uint8_t* data, size_t length, uint64_t seed)
{
    // FNV-1a, folded to 32 bits: catches torn and stale bytes, which is all it is for.
    uint64_t hash = 0xcbf29ce484222325ULL ^ seed;
    for (size_t i = 0; i < length; ++i)
    {
        hash ^= data[i];
        hash *= 0x100000001b3ULL;
    }
    return uint32_t(hash ^ (hash >> 32));
}

void put32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

void put64(uint8_t* at, uint64_t value) { std::memcpy(at, &value, sizeof value); }

uint32_t get32(const uint8_t* at)
{
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

uint64_t get64(const uint8_t* at)
{
    uint64_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}

CRollbackJournal::~CRollbackJournal() { detach(); }

std::string CRollbackJournal::nameFor(const std::string& fileName) { return fileName + "-journal"; }

bool CRollbackJournal::failErrno(const char* what)
{
    m_error = std::string(what) + ": " + systemErrorText(errno);
    return false;
}

void CRollbackJournal::attach(const std::string& fileName, int fileFd, uint64_t device, uint64_t inode, size_t pageSize)
{
    detach();
    m_name = nameFor(fileName);
    m_folder = folderOf(fileName);
    m_fileFd = fileFd;
    m_device = device;
    m_inode = inode;
    m_pageSize = pageSize;
}

void CRollbackJournal::detach()
{
    if (m_fd >= 0)
    {
        ::close(m_fd);
        m_fd = -1;
    }
    unlock();
    m_fileFd = -1;
}

bool CRollbackJournal::lockWithin(int milliseconds)
{
    for (int waited = 0;; waited += LOCK_POLL_MS)
    {
        if (flock(m_fileFd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK || waited >= milliseconds)
            return false;
        usleep(LOCK_POLL_MS * 1000);
    }
}

void CRollbackJournal::unlock()
{
    if (m_fileFd >= 0)
        flock(m_fileFd, LOCK_UN);
}

CRollbackJournal::RecoverResult CRollbackJournal::recover(bool mayWrite)
{
    int fd = ::open(m_name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return NOTHING_TO_DO;
    // A writer holds the lock from the journal's creation to its removal: a
    // journal whose file stays locked belongs to a change still under way. A
    // writer just killed may take a moment to let go of it.
    if (!lockWithin(LOCK_WAIT_MS))
    {
        ::close(fd);
        return BUSY;
    }
    auto finish = [&](RecoverResult result) {
        ::close(fd);
        unlock();
        return result;
    };
    uint8_t header[HEADER_SIZE];
    // A header cut short, or one for another file, protects nothing: the file
    // is only ever touched after a complete header has reached the disk.
    bool valid = readAt(fd, header, HEADER_SIZE, 0) && std::memcmp(header, MAGIC, sizeof MAGIC) == 0 &&
                 get32(header + 36) == checksum(header, 36, 0) && get64(header + 8) == m_device &&
                 get64(header + 16) == m_inode;
    if (!valid)
    {
        if (mayWrite && ::unlink(m_name.c_str()) != 0)
        {
            failErrno("Failed to remove a stale journal");
            return finish(FAILED);
        }
        return finish(NOTHING_TO_DO);
    }
    if (!mayWrite)
    {
        m_error = "The file holds an unfinished change and may not be written to undo it";
        return finish(FAILED);
    }
    const uint64_t oldSize = get64(header + 24);
    const size_t pageSize = get32(header + 32);
    auto page = std::make_unique<uint8_t[]>(pageSize);
    uint64_t at = HEADER_SIZE;
    for (;;)
    {
        uint8_t head[RECORD_HEAD_SIZE];
        if (!readAt(fd, head, RECORD_HEAD_SIZE, at))
            break;
        const uint64_t index = get64(head);
        const size_t length = get32(head + 8);
        if (length == 0 || length > pageSize || !readAt(fd, page.get(), length, at + RECORD_HEAD_SIZE) ||
            get32(head + 12) != checksum(page.get(), length, index * 0x9e3779b97f4a7c15ULL + length))
            break;
        if (!writeAt(m_fileFd, page.get(), length, index * pageSize))
        {
            failErrno("Failed to write to file");
            return finish(FAILED);
        }
        at += RECORD_HEAD_SIZE + length;
    }
    if (ftruncate(m_fileFd, off_t(oldSize)) != 0 || fdatasync(m_fileFd) != 0)
    {
        failErrno("Failed to write to file");
        return finish(FAILED);
    }
    if (::unlink(m_name.c_str()) != 0)
    {
        failErrno("Failed to remove the journal");
        return finish(FAILED);
    }
    syncFolder(m_folder);
    return finish(ROLLED_BACK);
}

bool CRollbackJournal::start(uint64_t size)
{
    if (m_fd >= 0)
        return true;
    if (!lockWithin(LOCK_WAIT_MS))
    {
        if (errno == EWOULDBLOCK)
        {
            m_error = "Failed to write to file: another program is changing it";
            return false;
        }
        return failErrno("Failed to lock file");
    }
    // A journal here now was left by a writer that died after this file was
    // opened: what was read since may be half of its change. Starting afresh
    // would throw away the only way back, so the file must be opened again.
    struct stat info;
    if (stat(m_name.c_str(), &info) == 0)
    {
        unlock();
        m_error = "Failed to write to file: another program left an unfinished change; open the file again";
        return false;
    }
    int fd = ::open(m_name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
    {
        unlock();
        return failErrno("Failed to create journal");
    }
    uint8_t header[HEADER_SIZE];
    std::memcpy(header, MAGIC, sizeof MAGIC);
    put64(header + 8, m_device);
    put64(header + 16, m_inode);
    put64(header + 24, size);
    put32(header + 32, uint32_t(m_pageSize));
    put32(header + 36, checksum(header, 36, 0));
    if (!writeAt(fd, header, HEADER_SIZE, 0) || fdatasync(fd) != 0)
    {
        failErrno("Failed to write journal");
        ::close(fd);
        ::unlink(m_name.c_str());
        unlock();
        return false;
    }
    syncFolder(m_folder);
    m_fd = fd;
    m_end = HEADER_SIZE;
    m_unsynced = false;
    return true;
}

bool CRollbackJournal::savePage(uint64_t index, const uint8_t* data, size_t length)
{
    uint8_t head[RECORD_HEAD_SIZE];
    put64(head, index);
    put32(head + 8, uint32_t(length));
    put32(head + 12, checksum(data, length, index * 0x9e3779b97f4a7c15ULL + length));
    if (!writeAt(m_fd, head, RECORD_HEAD_SIZE, m_end) || !writeAt(m_fd, data, length, m_end + RECORD_HEAD_SIZE))
        return failErrno("Failed to write journal");
    m_end += RECORD_HEAD_SIZE + length;
    m_unsynced = true;
    return true;
}

bool CRollbackJournal::sync()
{
    if (m_fd < 0 || !m_unsynced)
        return true;
    if (fdatasync(m_fd) != 0)
        return failErrno("Failed to write journal");
    m_unsynced = false;
    return true;
}

bool CRollbackJournal::finish()
{
    if (m_fd < 0)
        return true;
    // Once the name is gone the change counts as done, whatever happens next.
    if (::unlink(m_name.c_str()) != 0)
        return failErrno("Failed to remove the journal");
    // The removal need not be synced: should it be lost in a power cut, the journal
    // merely takes the file back to where this change began, a whole state too.
    ::close(m_fd);
    m_fd = -1;
    unlock();
    return true;
}
