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
    MISSING,    // nothing there, or it cannot be examined
    REGULAR,
    DIRECTORY,
    FIFO,
    DEVICE,     // character or block device
    OTHER       // socket and the like
};
FileKind fileKind(const std::string& path);

// The process's current directory ("" if it cannot be read) and changing it.
std::string currentDirectory();
bool setCurrentDirectory(const std::string& path);

// Bytes of physical memory in the machine, and of those available now (0 if unknown).
uint64_t physicalMemoryBytes();
uint64_t availableMemoryBytes();

// The system's message for an error number, and for the error of the last failed system call.
std::string systemErrorText(int errorNumber);
int lastSystemError();
std::string lastSystemErrorText();
