// A binary file read and written through a cache of fixed-size pages.
//
// Book imports touch the same few blocks (header, trie nodes, hot buckets)
// tens of thousands of times; the cache keeps them in memory and writes dirty
// pages back only when they are evicted or the file is flushed.
//
// Growing the file is different: new space is written to disk at once (as
// zeros), before any structure can point into it. A full disk or a file size
// limit is therefore reported by the call that asked for the space, while the
// file still only holds consistent data.
//
// Every change between two flushes is all or nothing: a rollback journal (see
// book/journal.h) keeps the old bytes of each page before the page is written,
// and open() undoes a change that a kill or crash cut short. A flush is the
// point where a change becomes permanent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "book/journal.h"

class CPagedFile
{
public:
    enum OpenMode
    {
        OPEN_EXISTING,   // read and write an existing file; read only when it may not be written
        CREATE_TRUNCATE  // create the file, or empty an existing one
    };

    static constexpr size_t DEFAULT_PAGE_SIZE = 4096;

    CPagedFile() = default;
    ~CPagedFile();
    CPagedFile(const CPagedFile&) = delete;
    CPagedFile& operator=(const CPagedFile&) = delete;

    bool open(const std::string& name, OpenMode mode, size_t maxPages, size_t pageSize = DEFAULT_PAGE_SIZE);
    bool isOpen() const { return m_fd >= 0; }
    // Writes dirty pages back and closes; false when a page could not be written.
    bool close();
    // Makes every change so far permanent: dirty pages are written back and the
    // file made durable. Until then a crash leaves the file as at the last flush.
    bool flush();
    // Offset one past the last byte of the file: where appended blocks go.
    uint64_t endOffset() const { return m_size; }
    bool isReadOnly() const { return m_readOnly; }
    // Whether the open file is the file of that name (the same inode).
    bool isSameFile(const std::string& name) const;

    // Reads must lie wholly inside the file.
    bool read(uint64_t offset, size_t size, void* buffer);
    // A write past the end first grows the file (see above).
    bool write(uint64_t offset, size_t size, const void* buffer);
    // Grows the file by a zeroed block and returns where it starts.
    bool append(size_t size, uint64_t& offset);

    // The reason of the last failure, in the system's words where there is one.
    const std::string& errorText() const { return m_error; }

    // How many pages may be cached when the cache may use "much" memory: a
    // fraction of physical memory, so that a huge book never pushes the machine
    // into swapping.
    static size_t largeCachePages(size_t pageSize = DEFAULT_PAGE_SIZE);

private:
    struct Page
    {
        uint64_t index = 0;
        bool dirty = false;
        Page* newer = nullptr;  // towards the most recently used page
        Page* older = nullptr;
        std::unique_ptr<uint8_t[]> data;
    };

    Page* fetch(uint64_t pageIndex);
    // Copies between the caller's buffer and the cached pages: into the pages
    // (marking them dirty) when 'in' is given, out of them into 'out' otherwise.
    bool copyPages(uint64_t offset, size_t size, uint8_t* out, const uint8_t* in);
    bool writeBack(Page& page);
    // Journals the page's bytes as of the last flush, before its first write since.
    bool saveOldPage(uint64_t pageIndex);
    bool beginChange();
    bool extendTo(uint64_t newSize);
    void unlink(Page* page);
    void pushNewest(Page* page);
    bool fail(const std::string& what);
    bool failErrno(const std::string& what);

    int m_fd = -1;
    bool m_readOnly = false;
    uint64_t m_size = 0;
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
    size_t m_pageSize = DEFAULT_PAGE_SIZE;
    size_t m_maxPages = 0;
    size_t m_pageCount = 0;
    std::vector<Page*> m_table;  // by page index, up to the highest page touched; null when not cached
    std::vector<std::unique_ptr<Page>> m_pages;
    Page* m_newest = nullptr;
    Page* m_oldest = nullptr;
    Page* m_spare = nullptr;  // allocated, in no list: left by a failed read
    CRollbackJournal m_journal;
    uint64_t m_flushedSize = 0;            // the file's size at the last flush
    std::vector<bool> m_savedPages;        // by page index: old bytes already in the journal
    std::unique_ptr<uint8_t[]> m_scratch;  // one page, for reading old bytes
    std::string m_error;
};
