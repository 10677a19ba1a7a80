#include "book/pagedfile.h"

#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

CPagedFile::~CPagedFile() { close(); }

bool CPagedFile::fail(const std::string& what)
{
    m_error = what;
    return false;
}

bool CPagedFile::failErrno(const std::string& what)
{
    int code = errno;
    const std::string reason = systemErrorText(code);
    m_error = what.empty() ? reason : what + ": " + reason;
    return false;
}

size_t CPagedFile::largeCachePages(size_t pageSize)
{
    long pages = sysconf(_SC_PHYS_PAGES);
    long systemPageSize = sysconf(_SC_PAGE_SIZE);
    const size_t minimum = 256;
    if (pages <= 0 || systemPageSize <= 0 || pageSize == 0)
        return minimum;
    // An eighth of physical memory: plenty for any book, and never enough to
    // starve the transposition table or the rest of the machine.
    unsigned long long bytes = (unsigned long long)pages * (unsigned long long)systemPageSize / 8;
    unsigned long long count = bytes / pageSize;
    if (count < minimum)
        return minimum;
    if (count > (unsigned long long)(SIZE_MAX / pageSize))
        count = SIZE_MAX / pageSize;
    return size_t(count);
}

bool CPagedFile::open(const std::string& name, OpenMode mode, size_t maxPages, size_t pageSize)
{
    close();
    m_error.clear();
    m_readOnly = false;
    int fd;
    if (mode == CREATE_TRUNCATE)
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    else
    {
        fd = ::open(name.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        {
            // A book on a read-only medium can still be probed.
            fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
            m_readOnly = fd >= 0;
        }
    }
    if (fd < 0)
        return failErrno("");
    struct stat info;
    if (fstat(fd, &info) != 0)
    {
        failErrno("");
        ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode))
    {
        ::close(fd);
        return fail("Not a regular file");
    }
    m_device = uint64_t(info.st_dev);
    m_inode = uint64_t(info.st_ino);
    m_pageSize = pageSize == 0 ? DEFAULT_PAGE_SIZE : pageSize;
    m_maxPages = std::max<size_t>(maxPages, 1);
    m_journal.attach(name, fd, m_device, m_inode, m_pageSize);
    if (mode == CREATE_TRUNCATE)
    {
        // The old content is gone already; its journal must not be applied to the new one.
        ::unlink(CRollbackJournal::nameFor(name).c_str());
    }
    else
    {
        CRollbackJournal::RecoverResult recovered = m_journal.recover(!m_readOnly);
        if (recovered == CRollbackJournal::FAILED ||
            (recovered == CRollbackJournal::ROLLED_BACK && fstat(fd, &info) != 0))
        {
            m_error = recovered == CRollbackJournal::FAILED ? m_journal.errorText() : systemErrorText(errno);
            m_journal.detach();
            ::close(fd);
            return false;
        }
    }
    m_fd = fd;
    m_size = uint64_t(info.st_size);
    m_flushedSize = m_size;
    m_savedPages.clear();
    // The page table grows with the pages actually touched, so opening a huge
    // foreign file costs nothing before its header is refused.
    m_table.clear();
    return true;
}

bool CPagedFile::isSameFile(const std::string& name) const
{
    struct stat info;
    return m_fd >= 0 && stat(name.c_str(), &info) == 0 && uint64_t(info.st_dev) == m_device &&
           uint64_t(info.st_ino) == m_inode;
}

bool CPagedFile::close()
{
    if (m_fd < 0)
        return true;
    bool ok = flush();
    // An unfinished change keeps its journal, so the next open undoes it.
    m_journal.detach();
    if (::close(m_fd) != 0 && ok)
        ok = failErrno("Failed to close file");
    m_fd = -1;
    m_size = 0;
    m_pageCount = 0;
    m_table.clear();
    m_pages.clear();
    m_newest = nullptr;
    m_oldest = nullptr;
    m_spare = nullptr;
    m_readOnly = false;
    return ok;
}

bool CPagedFile::flush()
{
    if (m_fd < 0)
        return true;
    // First the old bytes of every page about to be written, durably, ...
    bool dirty = false;
    for (Page* page : m_table)
        if (page != nullptr && page->dirty)
        {
            dirty = true;
            if (!saveOldPage(page->index))
                return false;
        }
    if (!dirty && !m_journal.isStarted())
        return true;
    if (!m_journal.sync())
        return fail(m_journal.errorText());
    // ... then the pages, in file order, so the disk sees one forward sweep ...
    bool ok = true;
    for (Page* page : m_table)
        if (page != nullptr && page->dirty && !writeBack(*page))
            ok = false;
    if (!ok)
        return false;
    if (fdatasync(m_fd) != 0)
        return failErrno("Failed to write to file");
    // ... and only when they are on disk does the journal go.
    if (!m_journal.finish())
        return fail(m_journal.errorText());
    m_flushedSize = m_size;
    m_savedPages.clear();
    return true;
}

bool CPagedFile::beginChange()
{
    if (!m_journal.isStarted() && !m_journal.start(m_flushedSize))
        return fail(m_journal.errorText());
    return true;
}

bool CPagedFile::saveOldPage(uint64_t pageIndex)
{
    if (!beginChange())
        return false;
    uint64_t start = pageIndex * m_pageSize;
    // Space added since the last flush needs no saving: undoing the change cuts it off.
    if (start >= m_flushedSize || (pageIndex < m_savedPages.size() && m_savedPages[pageIndex]))
        return true;
    if (!m_scratch)
        m_scratch.reset(new uint8_t[m_pageSize]);
    size_t length = size_t(std::min<uint64_t>(m_pageSize, m_flushedSize - start));
    if (!readAt(m_fd, m_scratch.get(), length, start))
        return errno == 0 ? fail("Failed to read from file: unexpected end of file")
                          : failErrno("Failed to read from file");
    if (!m_journal.savePage(pageIndex, m_scratch.get(), length))
        return fail(m_journal.errorText());
    if (pageIndex >= m_savedPages.size())
        m_savedPages.resize(size_t(pageIndex) + 1, false);
    m_savedPages[pageIndex] = true;
    return true;
}

void CPagedFile::unlink(Page* page)
{
    if (page->newer != nullptr)
        page->newer->older = page->older;
    else
        m_newest = page->older;
    if (page->older != nullptr)
        page->older->newer = page->newer;
    else
        m_oldest = page->newer;
    page->newer = nullptr;
    page->older = nullptr;
}

void CPagedFile::pushNewest(Page* page)
{
    page->older = m_newest;
    page->newer = nullptr;
    if (m_newest != nullptr)
        m_newest->newer = page;
    m_newest = page;
    if (m_oldest == nullptr)
        m_oldest = page;
}

bool CPagedFile::writeBack(Page& page)
{
    // A page evicted in the middle of a change needs its old bytes safe first.
    if (!saveOldPage(page.index))
        return false;
    if (!m_journal.sync())
        return fail(m_journal.errorText());
    uint64_t start = page.index * m_pageSize;
    size_t length = size_t(std::min<uint64_t>(m_pageSize, m_size - start));
    if (!writeAt(m_fd, page.data.get(), length, start))
        return failErrno("Failed to write to file");
    page.dirty = false;
    return true;
}

CPagedFile::Page* CPagedFile::fetch(uint64_t pageIndex)
{
    if (pageIndex >= m_table.size())
        m_table.resize(size_t(pageIndex) + 1, nullptr);
    Page* page = m_table[pageIndex];
    if (page != nullptr)
    {
        if (page != m_newest)
        {
            unlink(page);
            pushNewest(page);
        }
        return page;
    }
    if (m_pageCount >= m_maxPages && m_oldest != nullptr)
    {
        page = m_oldest;
        if (page->dirty && !writeBack(*page))
            return nullptr;  // keep the unwritten data cached; the caller fails
        unlink(page);
        m_table[page->index] = nullptr;
        --m_pageCount;
    }
    else if (m_spare != nullptr)
    {
        page = m_spare;
        m_spare = nullptr;
    }
    else
    {
        m_pages.push_back(std::make_unique<Page>());
        page = m_pages.back().get();
        page->data.reset(new uint8_t[m_pageSize]);
    }
    uint64_t start = pageIndex * m_pageSize;
    size_t length = size_t(std::min<uint64_t>(m_pageSize, m_size - start));
    if (!readAt(m_fd, page->data.get(), length, start))
    {
        if (errno == 0)
            fail("Failed to read from file: unexpected end of file");
        else
            failErrno("Failed to read from file");
        m_spare = page;
        return nullptr;
    }
    std::memset(page->data.get() + length, 0, m_pageSize - length);
    page->index = pageIndex;
    page->dirty = false;
    m_table[pageIndex] = page;
    pushNewest(page);
    ++m_pageCount;
    return page;
}

bool CPagedFile::read(uint64_t offset, size_t size, void* buffer)
{
    if (m_fd < 0)
        return fail("File not open");
    if (offset > m_size || size > m_size - offset)
        return fail("Failed to read from file: beyond the end of the file");
    return copyPages(offset, size, static_cast<uint8_t*>(buffer), nullptr);
}

bool CPagedFile::copyPages(uint64_t offset, size_t size, uint8_t* out, const uint8_t* in)
{
    while (size > 0)
    {
        uint64_t index = offset / m_pageSize;
        size_t within = size_t(offset % m_pageSize);
        size_t count = std::min(size, m_pageSize - within);
        Page* page = fetch(index);
        if (page == nullptr)
            return false;
        if (in != nullptr)
        {
            std::memcpy(page->data.get() + within, in, count);
            page->dirty = true;
            in += count;
        }
        else
        {
            std::memcpy(out, page->data.get() + within, count);
            out += count;
        }
        offset += count;
        size -= count;
    }
    return true;
}

bool CPagedFile::extendTo(uint64_t newSize)
{
    if (newSize <= m_size)
        return true;
    // The journal records the old length before the file grows past it.
    if (!beginChange())
        return false;
    static const uint8_t ZEROS[65536] = {};
    uint64_t position = m_size;
    while (position < newSize)
    {
        size_t count = size_t(std::min<uint64_t>(sizeof ZEROS, newSize - position));
        if (!writeAt(m_fd, ZEROS, count, position))
        {
            failErrno("Failed to write to file");
            // Give back what was added, so the file ends where its data ends.
            if (ftruncate(m_fd, off_t(m_size)) != 0)
            {
            }
            return false;
        }
        position += count;
    }
    m_size = newSize;
    return true;
}

bool CPagedFile::write(uint64_t offset, size_t size, const void* buffer)
{
    if (m_fd < 0)
        return fail("File not open");
    if (m_readOnly)
        return fail("Failed to write to file: the file may only be read");
    if (offset + size < offset)
        return fail("Failed to write to file: offset out of range");
    if (offset + size > m_size && !extendTo(offset + size))
        return false;
    return copyPages(offset, size, nullptr, static_cast<const uint8_t*>(buffer));
}

bool CPagedFile::append(size_t size, uint64_t& offset)
{
    if (m_fd < 0)
        return fail("File not open");
    if (m_readOnly)
        return fail("Failed to write to file: the file may only be read");
    uint64_t start = m_size;
    if (!extendTo(m_size + size))
        return false;
    offset = start;
    return true;
}
