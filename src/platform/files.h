// Directory listing, memory size and system error texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DirectoryEntry
{
    std::string name;
    bool isDirectory = false;
};

// Lists the entries of a directory ("." and ".." included, in the order the system gives them).
// False if the directory cannot be read; the reason is then in lastSystemErrorText().
bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries);

// What a path names, following symbolic links. Commands that read a file to its end refuse
// devices (a character device such as /dev/urandom never ends); a FIFO may be read.
enum class FileKind
{
    MISSING,  // nothing there, or it cannot be examined
    REGULAR,
    DIRECTORY,
    FIFO,
    DEVICE,  // character or block device
    OTHER    // socket and the like
};
FileKind fileKind(const std::string& path);

// Reading a file that may be a FIFO. Opening does not wait for the FIFO's writer; a read
// waits at most 'waitMs' milliseconds for bytes to arrive, so the reader can look at other
// things (the console) while a slow or idle writer keeps the FIFO open.
constexpr long READ_NOTHING_YET = -2;
// The descriptor of the opened file, -1 on failure (the reason is in lastSystemErrorText()).
int openForReading(const std::string& path);
// The number of bytes read (at most 'size'), 0 at the end of the data, READ_NOTHING_YET when
// none came within 'waitMs', -1 on an error.
long readWaiting(int fd, void* buffer, size_t size, int waitMs);
void closeDescriptor(int fd);

// True when the directory can be entered (searched), as changing into it needs.
bool canEnterDirectory(const std::string& path);

// The process's current directory ("" if it cannot be read) and changing it.
std::string currentDirectory();
bool setCurrentDirectory(const std::string& path);

// Bytes of physical memory in the machine, and of those available now (0 if unknown).
uint64_t physicalMemoryBytes();
uint64_t availableMemoryBytes();

// The folder part of a path ("." for a bare name, "/" for a name in the root).
std::string folderOf(const std::string& path);
// Makes the folder's entries durable (a file created, renamed or removed in it); a folder
// that cannot be synced is passed over, as the change itself has been made.
void syncFolder(const std::string& folder);

// Moves every byte at the offset, retrying short transfers and interruptions. False on an
// error (errno tells which); reading also fails at the end of the file, with errno 0, and
// a write that makes no progress fails with ENOSPC.
bool readAt(int fd, void* buffer, size_t size, uint64_t offset);
bool writeAt(int fd, const void* buffer, size_t size, uint64_t offset);

// The system's message for an error number, and for the error of the last failed system call.
std::string systemErrorText(int errorNumber);
int lastSystemError();
std::string lastSystemErrorText();
