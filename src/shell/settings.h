// The shell's own process-wide settings: the log file, opened at start-up (-log).
#pragma once

#include <cstdio>
#include <string>

#include "base/output.h"

class CSettings
{
public:
    // -log: everything printed also goes to m_logFile (file base name + ".log").
    bool m_loggingEnabled = false;
    FILE* m_logFile = nullptr;

    std::string logFileName() const;

    // Opens the log file for writing (truncating it); sets and returns m_loggingEnabled.
    bool openLogFile();
    // Flushes the game record file and the log when they are open.
    void flushFiles();
};

CSettings& theSettings();

// Appends text to the log file; does nothing when logging is off.
void writeLog(const std::string& text);

// The log sink: appends every text to the log file while logging is on.
// It never flushes; the idle loop flushes the log after each command.
class CLogSink : public COutputSink
{
public:
    void write(const std::string& text) override;
};
