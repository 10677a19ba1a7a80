// The game driver: game settings, new games, the engine's move (think, play, clock, end of
// game, resignation, draw offers, kibitz), pondering and analysis.
#pragma once

#include <string>
#include <vector>

#include "board/types.h"

class CPosition;
struct SearchReport;

// engineState values.
constexpr int ENGINE_STOPPED = 0;  // analysis ended, or the program is to end
constexpr int ENGINE_PLAYING = 1;
constexpr int ENGINE_ANALYSING = 2;

constexpr int RESIGN_STANDARD_DEFAULT = -6500;
constexpr int RESIGN_WILD5_DEFAULT = -25000;

class CGameDriver
{
public:
    // ---- Settings -----------------------------------------------------------------------
    bool xboardMode() const { return m_xboardMode; }
    void setXboardMode(bool on) { m_xboardMode = on; }
    bool computerIsWhite() const { return m_computerIsWhite; }
    void setComputerIsWhite(bool white) { m_computerIsWhite = white; }
    bool forceMode() const { return m_forceMode; }
    void setForceMode(bool on) { m_forceMode = on; }
    bool ponderEnabled() const { return m_ponderEnabled; }
    void setPonderEnabled(bool on) { m_ponderEnabled = on; }
    bool icsMode() const { return m_icsMode; }
    void setIcsMode(bool on) { m_icsMode = on; }
    bool kibitzEnabled() const { return m_kibitzEnabled; }
    void setKibitzEnabled(bool on) { m_kibitzEnabled = on; }
    int engineState() const { return m_engineState; }
    void setEngineState(int state) { m_engineState = state; }
    bool wild5() const { return m_wild5; }

    // Resign thresholds in millipawns (0: never resign).
    int resignThreshold() const { return m_resignCurrent; }
    // setr[esign]: the new current threshold, stored for the kind of game being played.
    void setResignThreshold(int threshold);
    int resignCounter() const { return m_resignCounter; }

    // ---- Game flow ----------------------------------------------------------------------
    // The start-up and `new` initialisation: start position, clocks, search settings, table.
    void newGame();
    // The engine plays a move in the current position (unless the game is over).
    void thinkAndMove();
    // `go *ponder`: ponders on the predicted reply; plays its move after a ponder hit.
    void ponderStep();
    // anal[yze]: analysis mode on the current position until `exit` or a game change.
    void analyse();
    // After a change of the game in analysis mode: analyse the new position.
    void restartAnalysis();
    // Prints " Game finished test: %d" and the result line; true when the game is over.
    bool gameFinishedTest();
    // After a new position: sets or clears wild 5 (start position turned around) and the
    // resign threshold that goes with it, with the message for the wild 5 case.
    void detectWild5(const CPosition& position);
    // On a chess server, at move 1: the greeting kibitz lines.
    void greetOnFirstMove(const CPosition& position);
    // usermove while pondering: true when the move is the one being pondered on.
    bool isPonderHit(Move move) const;
    // The predicted move arrived: the ponder search continues as the engine's own search.
    void acceptPonderHit();
    // draw: the opponent's offer; prints "draw" when the engine accepts.
    void considerDrawOffer();
    // ping while the engine thinks on its own move: "pong N" goes out after the move.
    void deferPong(const std::string& number);

private:
    // After a think (or a ponder search turned think) that played a move: announce, charge
    // the clock, annotate the record, test for the end, resign, offer a draw, queue pondering.
    void playResult(const SearchReport& result);
    bool drawOfferDue() const;
    void resetSettingsForNewGame();
    void sendDeferredPongs();

    bool m_xboardMode = false;
    bool m_computerIsWhite = true;
    bool m_forceMode = false;
    bool m_ponderEnabled = false;
    bool m_icsMode = false;
    bool m_kibitzEnabled = false;
    bool m_wild5 = false;
    int m_engineState = ENGINE_PLAYING;
    int m_resignStandard = RESIGN_STANDARD_DEFAULT;
    int m_resignWild5 = RESIGN_WILD5_DEFAULT;
    int m_resignCurrent = RESIGN_STANDARD_DEFAULT;
    int m_resignCounter = 0;
    int m_lastDrawOfferMove = 0;
    bool m_analysisLoopRunning = false;
    std::vector<std::string> m_deferredPongs;
};

CGameDriver& theDriver();
