#include "game/gamesettings.h"

#include <cstdarg>

bool CGameSettings::createGameRecordFile()
{
    closeGameRecordFile();
    m_gameRecordFile = std::fopen(gameRecordFileName(), "w");
    return m_gameRecordFile != nullptr;
}

void CGameSettings::closeGameRecordFile()
{
    if (m_gameRecordFile)
    {
        std::fclose(m_gameRecordFile);
        m_gameRecordFile = nullptr;
    }
}

void CGameSettings::flushGameRecord()
{
    if (m_gameRecordFile)
        std::fflush(m_gameRecordFile);
}

CGameSettings& theGameSettings()
{
    static CGameSettings settings;
    return settings;
}

void writeGameRecord(const char* format, ...)
{
    FILE* file = theGameSettings().m_gameRecordFile;
    if (!file)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
}
