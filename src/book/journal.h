// The rollback journal that makes a change to a paged file all or nothing.
//
// Before a page of the file is overwritten for the first time in a change, its
// old bytes go to the journal, and the journal is made durable before the page
// is written. When the change is complete and the file itself durable, the
// journal is deleted. A journal found beside the file when it is opened is
// therefore the record of a change cut short (a kill, a crash, a power loss):
// writing the old pages back and cutting the file to its old length gives the
// file exactly as it was when the change began.
//
// The journal lives beside the file, named after it with "-journal" appended.
// It names the file by device and inode, so a journal left over from a file
// that has since been replaced is recognised as stale and deleted unapplied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CRollbackJournal
{
public:
    enum RecoverResult
    {
        NOTHING_TO_DO,  // no journal, or a stale one (now deleted)
        ROLLED_BACK,    // the file is back as it was before the unfinished change
        BUSY,           // another program is in the middle of a change: left alone
        FAILED          // see errorText(); the journal stays for the next attempt
    };

    CRollbackJournal() = default;
    ~CRollbackJournal();
    CRollbackJournal(const CRollbackJournal&) = delete;
    CRollbackJournal& operator=(const CRollbackJournal&) = delete;

    static std::string nameFor(const std::string& fileName);

    // Ties the journal to the open file it protects.
    void attach(const std::string& fileName, int fileFd, uint64_t device, uint64_t inode, size_t pageSize);
    // Forgets the file; a journal still open is closed but stays on disk.
    void detach();

    // Undoes an unfinished change left by a program that stopped during it.
    RecoverResult recover(bool mayWrite);

    bool isStarted() const { return m_fd >= 0; }
    // Begins a change of the file, which is 'size' bytes long now: the journal
    // exists and is durable when this returns, and no other program can start a
    // change of the file until finish().
    bool start(uint64_t size);
    // Adds the old bytes of a page; durable only after sync().
    bool savePage(uint64_t index, const uint8_t* data, size_t length);
    bool sync();
    // The change is complete and the file durable: the journal goes.
    bool finish();

    const std::string& errorText() const { return m_error; }

private:
    bool failErrno(const char* what);
    bool lockWithin(int milliseconds);
    void unlock();

    std::string m_name;  // the journal's name
    std::string m_folder;
    int m_fileFd = -1;
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
    size_t m_pageSize = 0;
    int m_fd = -1;
    uint64_t m_end = 0;  // where the next page goes
    bool m_unsynced = false;
    std::string m_error;
};
