// Process-wide settings chosen at start-up (command line) and the files opened then.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/version.h"

class CSettings
{
public:
    // Name given to the user interface in "feature myname=..." (-name changes it).
    std::string m_winboardName = fullEngineName();
    // -log: everything printed also goes to m_logFile (file base name + ".log").
    bool m_loggingEnabled = false;
    FILE* m_logFile = nullptr;
    // "game.pgn", created at start-up; nullptr when it could not be created (writes are skipped).
    FILE* m_gameRecordFile = nullptr;
    // Transposition table budget in bytes (-hash <MB>, the hash command).
    int64_t m_hashSizeBytes = 8388608;
    // -td: temporal-difference learning after decisive games.
    bool m_learning = false;
    // Opening books, opened at start-up in this order (-book replaces the primary one).
    std::string m_primaryBookName = "primary.hbk";
    std::string m_secondaryBookName = "secondary.hbk";
    std::string m_tertiaryBookName = "tertiary.hbk";

    std::string logFileName() const;
    static const char* gameRecordFileName() { return "game.pgn"; }

    // Creates (truncates) the game record file; false, and no file, if that fails.
    bool createGameRecordFile();
    void closeGameRecordFile();
    // Opens the log file for writing (truncating it); sets and returns m_loggingEnabled.
    bool openLogFile();
    // Flushes the game record file and the log when they are open.
    void flushFiles();
};

CSettings& theSettings();

// Appends formatted text to the game record file; does nothing when it is not open.
void writeGameRecord(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends text to the log file; does nothing when logging is off.
void writeLog(const std::string& text);
