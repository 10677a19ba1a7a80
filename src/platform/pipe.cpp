#include "platform/pipe.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

long bytesWaiting(int fd)
{
    pollfd probe = {fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&probe, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return 0;
    if (probe.revents & POLLNVAL)
        return 0;
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0 || count <= 0)
        return -1;
    return count;
}

bool waitForInput(int fd, int timeoutMs)
{
    pollfd probe = {fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&probe, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

long readBytes(int fd, char* buffer, size_t size)
{
    ssize_t n;
    do {
        n = read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

bool writeAll(int fd, const char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void writeStdout(const char* data, size_t size)
{
    writeAll(1, data, size);
}
