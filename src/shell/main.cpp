// Entry point: start-up order and the idle loop.
#include "board/bitboard.h"
#include "board/random.h"
#include "book/bookchoice.h"
#include "eval/parameters.h"
#include "eval/tables.h"
#include "game/driver.h"
#include "game/gamesettings.h"
#include "game/thinking.h"
#include "game/uci.h"
#include "platform/pipe.h"
#include "search/hashtable.h"
#include "search/search.h"
#include "shell/command.h"
#include "shell/commandline.h"
#include "shell/console.h"
#include "shell/hooks.h"
#include "base/output.h"
#include "shell/settings.h"
#include "base/text.h"
#include "base/version.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace
{
// The process environment the engine needs: user interfaces send SIGINT to engines (to
// interrupt their thinking in older protocols) and it must not end the engine; a user
// interface that goes away must turn writes into failed writes, not kill the process.
bool initialiseRuntime() { return signal(SIGINT, SIG_IGN) != SIG_ERR && signal(SIGPIPE, SIG_IGN) != SIG_ERR; }

// Reads and runs commands until "quit" (or the end of input, which queues "quit").
void idleLoop(CConsole& console)
{
    CSettings& settings = theSettings();
    const CCommandList& idleCommands = modeList(MODE_IDLE);
    bool firstLine = true;
    bool uci = false;  // the first line was "uci": the rest of the run speaks UCI
    for (;;)
    {
        console.setPrompt(uci ? "" : ">");
        console.readCharBlocking();
        std::string line;
        while (console.takeLine(line))
        {
            line = trimmed(line);
            if ((uci || theDriver().xboardMode()) && settings.m_loggingEnabled && settings.m_logFile)
            {
                std::fprintf(settings.m_logFile, "--> %s\n", line.c_str());
                std::fflush(settings.m_logFile);
            }
            if (line.empty())
                continue;
            if (equalsIgnoringCase(line, "quit"))
                return;
            if (firstLine)
            {
                firstLine = false;
                uci = console.speaksUci();
                if (uci)
                {
                    console.setPrompt("");
                    startUciSession();
                }
            }
            else if (uci)
            {
                modeList(MODE_UCI).dispatch(line);
                if (!uciSessionGoesOn())
                    return;
            }
            if (!uci)
                idleCommands.dispatch(line);
            settings.flushFiles();
        }
        // A handler may have read the input to its end (load -): nothing will arrive any more.
        if (console.endOfInput() && console.queuedLines() == 0)
            return;
    }
}
}

int main(int argc, char* argv[])
{
    // Runtime first: nothing else may run before the signals are set.
    if (!initialiseRuntime())
    {
        std::fputs("Fatal Error: MFC initialization failed\n", stderr);
        std::fflush(stderr);
        return 1;
    }

    // Command table and mode lists.
    buildCommandTable();

    // Output sinks (log before console, so the log never misses a text that reached the screen),
    // the input source polled by searches, the hooks through which the lower layers reach the
    // console, the command loops and each other, and the observer that prints thinking lines.
    static CLogSink logSink;
    CConsole& console = theConsole();
    installOutputSinks(&logSink, &console);
    installInputSource(&console);
    installLayerHooks();
    theSearch().setObserver(&theThinkingOutput());

    // One-time tables of the search board and of the evaluation. Their subsystems build them
    // before main already; asking for them here keeps the order explicit and costs nothing.
    attacks::initialize();
    evalTables();

    // The log is opened before anything is printed, so the banner is logged too.
    CSettings& settings = theSettings();
    std::vector<std::string> args(argv + 1, argv + argc);
    CCommandLine commandLine(args);
    if (commandLine.takeLogOption())
        settings.openLogFile();

    // Names and banner.
    CGameSettings& gameSettings = theGameSettings();
    gameSettings.m_winboardName = fullEngineName();
    output("%s\n", engineName().c_str());
    output("Version %s\n", versionText().c_str());
    if (settings.m_loggingEnabled)
        output("Logging output to file \"%s\"\n", settings.logFileName().c_str());

    // Other options; the usage text goes to standard output only (it is not worth logging).
    if (commandLine.applyOptions(gameSettings))
    {
        std::string usage = CCommandLine::usageText();
        writeStdout(usage.data(), usage.size());
        return 1;
    }

    // Game record file; without it the engine goes on and skips the writes.
    if (gameSettings.createGameRecordFile())
        writeGameRecord("[event \"new game\"]\n\n");

    // Evaluation parameters (the learning file with -td).
    loadStartupEvaluation(gameSettings.m_learning);

    // Quiescence moves are shown in principal variations.
    theThinkingOutput().setShowPvQuiescence(true);

    if (console.isTerminal())
        output(" Console is a TTY\n");

    // New game, which also sizes and clears the transposition table.
    theDriver().newGame();

    // Random seeding: every run plays differently.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    int steps = std::rand() % 1000;
    for (int i = 0; i < steps; ++i)
        theTT800().next();

    output("Hash table size is %1.1fMB\n", theHashTable().sizeInBytes() * 9.5367431640625e-07);

    // Opening books: primary, secondary, tertiary; each reports how it went.
    theBooks().openStartupBooks(gameSettings.m_primaryBookName, gameSettings.m_secondaryBookName,
                                gameSettings.m_tertiaryBookName);

    console.setPrompt(">");
    idleLoop(console);

    // Shutdown.
    console.setPrompt("");
    gameSettings.closeGameRecordFile();
    return 0;
}
