// The UCI protocol. When the first line the engine reads is "uci", it speaks UCI for the rest
// of the run: the idle loop and the searches read with the commands of the MODE_UCI and
// MODE_UCI_SEARCHING lists instead of the WinBoard ones.
//
// The same game record, player, search, books and time manager serve UCI as they serve the
// WinBoard protocol; only the words differ. Everything the engine prints through output()
// in this mode is held back (the log still gets it): UCI lines go out through sendUci, and
// messages a UCI user should see (hash size, books, bad positions) as "info string" lines.
#pragma once

#include <cstdint>
#include <string>

#include "board/types.h"

// What one "go" asks for (times in milliseconds; 0 or false when not given).
struct UciGoLimits
{
    int64_t whiteTime = -1;  // -1: not given
    int64_t blackTime = -1;
    int64_t whiteIncrement = 0;
    int64_t blackIncrement = 0;
    int movesToGo = 0;
    int64_t moveTime = 0;
    int depth = 0;
    int64_t nodes = 0;
    int mate = 0;
    bool infinite = false;
    bool ponder = false;

    bool hasClock(bool white) const { return (white ? whiteTime : blackTime) >= 0; }
    // A search that ends only on "stop": infinite, or no limit given at all (as UCI
    // interfaces expect of a bare go).
    bool endless() const;
};

// Reads the words after "go"; unknown words are skipped, as are the moves after searchmoves.
UciGoLimits parseGoLimits(const std::string& args);

class CUciSession
{
public:
    // Answers the "uci" line: holds back engine text from now on, prints id, options, uciok.
    void start();
    bool quitRequested() const { return m_quit; }
    // A go is being answered (searching, or waiting for stop or ponderhit).
    bool searching() const { return m_searching; }

    // What the commands do (game/commands.h names the handlers of the command table).
    void identify();
    void isReady();
    void setOption(const std::string& args);
    void newGame();
    void position(const std::string& args);
    void go(const std::string& args);
    void stop();
    void ponderHit();
    void quit();
    // A command that must wait for the search to end (position, go, ...): ends the search,
    // which answers with its bestmove, and reads the line again afterwards.
    void deferUntilSearchEnds(const std::string& line);

    // The search's input poll: node limit, then the commands waiting.
    void pollDuringSearch(const volatile int& stopRequest);

    // Engine text printed through output() since the last call: relayed as "info string" lines,
    // or dropped.
    void relayEngineText();
    void dropEngineText() { m_engineText.clear(); }

private:
    bool applyPosition(const std::string& args, bool report);
    void runSearch(const UciGoLimits& limits);
    // The move a think or ponder search played (NO_MOVE: none), checked against the
    // interface's position, with the reply expected.
    void sendBestMove(Move played);

    bool m_started = false;
    bool m_quit = false;
    bool m_ownBook = true;
    std::string m_engineText;
    std::string m_positionArgs = "startpos";
    std::string m_startPosition;  // the start of the last position command ("" after ucinewgame)
    bool m_searching = false;
    bool m_ponderHit = false;
    bool m_stopped = false;
    int64_t m_nodeLimit = 0;
    volatile int m_waitEnd = 0;
    // The command poll the search had before the session (the shell's dispatch).
    void (*m_commandPoll)(const volatile int& stopRequest) = nullptr;
};

CUciSession& theUciSession();

// Prints one UCI line (with printf rules) to the interface and the log, past the hold on
// engine text.
void sendUci(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Answers the first line, "uci", and starts the session.
void startUciSession();
// After each line of the session (dispatched through the MODE_UCI commands): false once the
// session has ended.
bool uciSessionGoesOn();
