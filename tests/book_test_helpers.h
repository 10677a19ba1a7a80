// Helpers shared by the opening-book tests: a private scratch folder per test
// process, capture of what a command handler prints, and a file size limit.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <string>
#include <system_error>

#include "base/output.h"

// A fresh file name in this process's scratch folder; the folder and every
// file in it are removed when the process ends.
inline std::string bookTempPath(const std::string& name)
{
    static struct Folder
    {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("vekran_book_" + std::to_string(getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    static int serial = 0;
    return (folder.path / (std::to_string(++serial) + "_" + name)).string();
}

// Everything a console command handler prints for one call.
inline std::string captureCommand(void (*handler)(const std::string&), const std::string& args)
{
    std::string text;
    std::string* previous = setOutputCapture(&text);
    handler(args);
    setOutputCapture(previous);
    return text;
}

// Limits the size of the files this process may write while the object lives
// (or until lift()): writes past the limit then fail (EFBIG) instead of
// raising SIGXFSZ.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        m_active = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = m_active && setrlimit(RLIMIT_FSIZE, &limited) == 0;
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
        bool restored = !m_active || setrlimit(RLIMIT_FSIZE, &m_old) == 0;
        std::signal(SIGXFSZ, m_handler);
        return restored;
    }

private:
    struct rlimit m_old = {};
    void (*m_handler)(int) = SIG_DFL;
    bool m_active = false;
    bool m_lifted = false;
};
