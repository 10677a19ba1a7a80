// Limits the size of the files this process may write, for tests of full disks.
#pragma once

#include <sys/resource.h>

#include <csignal>

// Limits the size of the files this process may write while the object lives (or until
// lift()): writes past the limit then fail (EFBIG) instead of raising SIGXFSZ.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        if (getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        struct rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~CFileSizeLimit() { lift(); }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool active() const { return m_active; }

    // Gives back the old limit and signal handling; true when that worked.
    bool lift()
    {
        if (m_lifted)
            return true;
        m_lifted = true;
        const bool restored = !m_active || setrlimit(RLIMIT_FSIZE, &m_old) == 0;
        std::signal(SIGXFSZ, m_handler);
        return restored;
    }

private:
    struct rlimit m_old = {};
    void (*m_handler)(int) = SIG_DFL;
    bool m_active = false;
    bool m_lifted = false;
};
