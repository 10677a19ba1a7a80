// Raw byte input and output on file descriptors (standard input may be a pipe, a file or a terminal).
#pragma once

#include <cstddef>

// Number of bytes that can be read from fd at once without waiting. 0 when nothing is waiting.
// Returns -1 when fd is readable but the count is 0 or unknown: the end of input has been reached
// (or the descriptor cannot tell); a read() then does not wait and returns what there is.
long bytesWaiting(int fd);

// bytesWaiting(inputFd) that looks at outputFd in the same system call: outputClosed tells that
// nothing written there can arrive any more (the reading end of its pipe or socket was closed,
// its terminal hung up, or it is not open), which a writer otherwise learns only by writing.
long bytesWaiting(int inputFd, int outputFd, bool& outputClosed);

// Waits up to timeoutMs (-1: without limit) until fd has input or its end; true if so.
bool waitForInput(int fd, int timeoutMs);

// read(2) that retries after signals. Returns the byte count, 0 at end of input, -1 on error.
long readBytes(int fd, char* buffer, size_t size);

// Writes all bytes, retrying partial writes and signals, and waiting while a non-blocking
// descriptor is full. False on any other failure (EPIPE once the reader has gone, EIO, ENOSPC ...).
bool writeAll(int fd, const char* data, size_t size);

// Writes all bytes to standard output (descriptor 1), unbuffered.
void writeStdout(const char* data, size_t size);
