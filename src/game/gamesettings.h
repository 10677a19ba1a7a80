// The game's settings chosen at start-up (command line) and the game record file opened then.
#pragma once

#include <cstdio>
#include <string>

#include "base/version.h"

class CGameSettings
{
public:
    // Name given to the user interface in "feature myname=..." (-name changes it).
    std::string m_winboardName = fullEngineName();
    // "game.pgn", created at start-up; nullptr when it could not be created (writes are skipped).
    FILE* m_gameRecordFile = nullptr;
    // -td: temporal-difference learning after decisive games.
    bool m_learning = false;
    // Opening books, opened at start-up in this order (-book replaces the primary one).
    std::string m_primaryBookName = "primary.hbk";
    std::string m_secondaryBookName = "secondary.hbk";
    std::string m_tertiaryBookName = "tertiary.hbk";

    static const char* gameRecordFileName() { return "game.pgn"; }

    // Creates (truncates) the game record file; false, and no file, if that fails.
    bool createGameRecordFile();
    void closeGameRecordFile();
    // Flushes the game record file when it is open.
    void flushGameRecord();
};

CGameSettings& theGameSettings();

// Appends formatted text to the game record file; does nothing when it is not open.
void writeGameRecord(const char* format, ...) __attribute__((format(printf, 1, 2)));
