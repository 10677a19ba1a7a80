#include "support/engineprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/pipe.h"

namespace
{
double monotonicSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

int remainingMs(double deadline)
{
    double left = deadline - monotonicSeconds();
    return left <= 0 ? 0 : static_cast<int>(left * 1000.0) + 1;
}
}

CEngineProcess::~CEngineProcess()
{
    if (m_pid > 0 && !reap(false))
    {
        kill(m_pid, SIGKILL);
        reap(true);
    }
    closeFd(m_in);
    closeFd(m_out);
    closeFd(m_err);
}

bool CEngineProcess::start(const std::vector<std::string>& args, const std::string& workDir)
{
#ifdef VEKRAN_BINARY
    return start(VEKRAN_BINARY, args, workDir);
#else
    (void)args;
    (void)workDir;
    return false;
#endif
}

bool CEngineProcess::start(const std::string& binary, const std::vector<std::string>& args, const std::string& workDir)
{
    if (m_pid > 0)
        return false;
    int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    auto closeAll = [&] {
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            if (fd >= 0)
                close(fd);
        return false;
    };
    if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        return closeAll();

    std::vector<std::string> argvText;
    argvText.push_back(binary);
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0)
        return closeAll();
    if (pid == 0)
    {
        // Child: only async-signal-safe calls until exec.
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0)
            _exit(126);
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGPIPE, SIG_DFL);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    m_in = inPipe[1];
    m_out = outPipe[0];
    m_err = errPipe[0];
    m_pid = pid;
    m_exited = false;
    // A test writing to an engine that already died must see a failed send, not a SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

bool CEngineProcess::sendRaw(const std::string& bytes)
{
    return m_in >= 0 && writeAll(m_in, bytes.data(), bytes.size());
}

bool CEngineProcess::send(const std::string& line) { return sendRaw(line + "\n"); }

bool CEngineProcess::pump(int timeoutMs)
{
    pollfd fds[2];
    int count = 0;
    if (m_out >= 0)
        fds[count++] = {m_out, POLLIN, 0};
    if (m_err >= 0)
        fds[count++] = {m_err, POLLIN, 0};
    if (count == 0)
        return false;
    int ready = poll(fds, count, timeoutMs);
    if (ready <= 0)
        return true;
    for (int i = 0; i < count; ++i)
    {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[4096];
        ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        const bool isOut = fds[i].fd == m_out;
        if (n > 0)
            (isOut ? m_stdout : m_stderr).append(buffer, static_cast<size_t>(n));
        else
            closeFd(isOut ? m_out : m_err);
    }
    return m_out >= 0 || m_err >= 0;
}

bool CEngineProcess::waitFor(const std::string& text, double timeoutSeconds)
{
    double deadline = monotonicSeconds() + timeoutSeconds;
    for (;;)
    {
        size_t found = m_stdout.find(text, m_mark);
        if (found != std::string::npos)
        {
            m_lastMark = m_mark;
            m_mark = found + text.size();
            return true;
        }
        int left = remainingMs(deadline);
        if (left == 0 || m_out < 0)
            return false;
        pump(left);
    }
}

void CEngineProcess::readFor(double seconds)
{
    double deadline = monotonicSeconds() + seconds;
    int left;
    while ((left = remainingMs(deadline)) > 0 && pump(left))
    {
    }
}

void CEngineProcess::closeInput() { closeFd(m_in); }

void CEngineProcess::closeOutput() { closeFd(m_out); }

bool CEngineProcess::reap(bool wait)
{
    if (m_pid <= 0 || m_exited)
        return true;
    int status = 0;
    pid_t r;
    while ((r = waitpid(m_pid, &status, wait ? 0 : WNOHANG)) < 0 && errno == EINTR)
        continue;
    if (r == m_pid)
    {
        m_exited = true;
        m_status = status;
        return true;
    }
    return r < 0;  // no such child any more
}

int CEngineProcess::waitExit(double timeoutSeconds)
{
    if (m_pid <= 0)
        return -2;
    double deadline = monotonicSeconds() + timeoutSeconds;
    bool killed = false;
    while (!reap(false))
    {
        int left = remainingMs(deadline);
        if (left == 0)
        {
            kill(m_pid, SIGKILL);
            reap(true);
            killed = true;
            break;
        }
        // Keep draining output so an engine blocked on a full pipe can finish.
        if (!pump(left < 20 ? left : 20))
            usleep(left < 5000 ? 1000 : 5000);
    }
    // The child has gone, so its pipes reach end of file at once unless it left descendants behind.
    for (int i = 0; i < 100 && pump(10) && (m_out >= 0 || m_err >= 0); ++i)
    {
    }
    if (killed)
        return -1;
    if (WIFEXITED(m_status))
        return WEXITSTATUS(m_status);
    if (WIFSIGNALED(m_status))
        return 128 + WTERMSIG(m_status);
    return -1;
}

bool CEngineProcess::signal(int sig) { return m_pid > 0 && !reap(false) && kill(m_pid, sig) == 0; }

bool CEngineProcess::running() { return m_pid > 0 && !reap(false); }

void CEngineProcess::closeFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

double CEngineProcess::cpuSeconds() const
{
    // Fields 14 and 15 of the stat line, counted from the state letter (field 3) after the
    // command name, which may hold blanks and brackets of its own.
    char stat[1024] = {};
    FILE* file = fopen(("/proc/" + std::to_string(m_pid) + "/stat").c_str(), "r");
    size_t length = file ? fread(stat, 1, sizeof stat - 1, file) : 0;
    if (file)
        fclose(file);
    const char* close = length ? strrchr(stat, ')') : nullptr;
    unsigned long utime = 0, stime = 0;
    if (!close || sscanf(close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return -1;
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

std::string CEngineProcess::makeTempDir()
{
    char pattern[] = "/tmp/vekran-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? std::string(dir) : std::string();
}
