#include "platform/pipe.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace
{
int pollRetrying(pollfd* probes, nfds_t count, int timeoutMs)
{
    int ready;
    do
    {
        ready = poll(probes, count, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready;
}

// The byte count behind an input descriptor that poll() found with these events.
long waitingCount(const pollfd& probe)
{
    if (probe.revents == 0 || (probe.revents & POLLNVAL))
        return 0;
    int count = 0;
    if (ioctl(probe.fd, FIONREAD, &count) != 0 || count <= 0)
        return -1;
    return count;
}
}

long bytesWaiting(int fd)
{
    pollfd probe = {fd, POLLIN, 0};
    if (pollRetrying(&probe, 1, 0) <= 0)
        return 0;
    return waitingCount(probe);
}

long bytesWaiting(int inputFd, int outputFd, bool& outputClosed)
{
    // No events asked for the output: poll() reports its errors and hang-ups regardless.
    pollfd probes[2] = {{inputFd, POLLIN, 0}, {outputFd, 0, 0}};
    if (pollRetrying(probes, 2, 0) <= 0)
    {
        outputClosed = false;
        return 0;
    }
    outputClosed = (probes[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    return waitingCount(probes[0]);
}

bool waitForInput(int fd, int timeoutMs)
{
    pollfd probe = {fd, POLLIN, 0};
    return pollRetrying(&probe, 1, timeoutMs) > 0;
}

long readBytes(int fd, char* buffer, size_t size)
{
    ssize_t n;
    do
    {
        n = read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

bool writeAll(int fd, const char* data, size_t size)
{
    size_t done = 0;
    while (done < size)
    {
        ssize_t n = write(fd, data + done, size - done);
        if (n > 0)
        {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Whoever shares the descriptor may have made it non-blocking: a full pipe is no failure.
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        {
            pollfd probe = {fd, POLLOUT, 0};
            if (pollRetrying(&probe, 1, -1) > 0)
                continue;
        }
        return false;
    }
    return true;
}

void writeStdout(const char* data, size_t size) { writeAll(1, data, size); }
