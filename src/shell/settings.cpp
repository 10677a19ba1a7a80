#include "shell/settings.h"

#include "base/version.h"
#include "game/gamesettings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string CSettings::logFileName() const { return fileBaseName() + ".log"; }

bool CSettings::openLogFile()
{
    if (!m_logFile)
    {
        // Other processes may read the log while the engine runs, but no second engine may write
        // into it: take an exclusive advisory lock before truncating, so a running engine's log
        // is never cut short by another one starting in the same directory.
        int fd = ::open(logFileName().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0 && (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0))
        {
            ::close(fd);
            fd = -1;
        }
        if (fd >= 0)
        {
            m_logFile = fdopen(fd, "w");
            if (!m_logFile)
                ::close(fd);
        }
    }
    m_loggingEnabled = m_logFile != nullptr;
    return m_loggingEnabled;
}

void CSettings::flushFiles()
{
    theGameSettings().flushGameRecord();
    if (m_loggingEnabled && m_logFile)
        std::fflush(m_logFile);
}

CSettings& theSettings()
{
    static CSettings settings;
    return settings;
}

void writeLog(const std::string& text)
{
    CSettings& settings = theSettings();
    if (settings.m_loggingEnabled && settings.m_logFile)
        std::fwrite(text.data(), 1, text.size(), settings.m_logFile);
}

void CLogSink::write(const std::string& text) { writeLog(text); }
