// The command table: every command the engine understands, in its fixed order.
#include "shell/command.h"

#include "board/commands.h"
#include "book/commands.h"
#include "endgame/commands.h"
#include "eval/commands.h"
#include "game/commands.h"
#include "search/commands.h"
#include "shell/help.h"
#include "tools/commands.h"

#include <vector>

namespace
{
const int I = MODE_IDLE;
const int T = MODE_THINKING;
const int A = MODE_ANALYSING;
const int P = MODE_PONDERING;
const int E = MODE_EPD_TEST;

const int MAIN = CATEGORY_MAIN;
const int BOOK = CATEGORY_BOOK;
const int SETTINGS = CATEGORY_SETTINGS;
const int WINBOARD = CATEGORY_WINBOARD;
const int TEST = CATEGORY_TEST;

const int U = MODE_UCI;
const int S = MODE_UCI_SEARCHING;

const int MODE_BITS[] = {MODE_IDLE,     MODE_THINKING, MODE_ANALYSING,    MODE_PONDERING,
                         MODE_EPD_TEST, MODE_UCI,      MODE_UCI_SEARCHING};
const int MODE_BIT_COUNT = 7;

std::vector<CCommand>& commands()
{
    static std::vector<CCommand> table;
    return table;
}

// The commands of a UCI session: a table of their own, outside help and the WinBoard modes.
std::vector<CCommand>& uciCommands()
{
    static std::vector<CCommand> table;
    return table;
}

CCommandList g_fullTable;
CCommandList g_modeLists[MODE_BIT_COUNT];
bool g_built = false;

int modeIndex(int modeBit)
{
    for (int i = 0; i < MODE_BIT_COUNT; ++i)
    {
        if (MODE_BITS[i] == modeBit)
            return i;
    }
    return 0;
}
}

void buildCommandTable()
{
    if (g_built)
        return;
    g_built = true;
    std::vector<CCommand>& table = commands();
    table = {
        {"?", "", "Make computer play immediately", handleMoveNow, MAIN, I | T},
        {".", "", "Show status of search", handleStatus, WINBOARD, T | A},
        {"accepted", "", "Feature accepted [Ignored]", nullptr, WINBOARD, I | T | A | P | E},
        {"analh[ash]", "", "Analyse hash table contents", handleAnalHash, TEST, I},
        {"anal[yze]", "", "Analyse position [\"exit\" to end]", handleAnalyze, MAIN, I},
        {"autod", "", "Toggle auto display of board", handleAutod, SETTINGS, I | T | A | P | E},
        {"badd", "[-d MAXD] [-w|-b] [-bias B] file.pgn", "Add data to the current opening book file", handleBadd, BOOK,
         I},
        {"bcreate", "filename.hbk", "Create a new empty opening book file", handleBcreate, BOOK, I},
        {"bk", "[on|off]", "Book probe, or switch book on/off", handleBk, BOOK, I},
        {"book", "filename", "Set which opening book file to use", handleBook, BOOK, I},
        {"bset", "[variable value]", "Show/Set book variable (e.g. Threshold, ScoreBias)", handleBset, BOOK, I},
        {"black", "", "Change computer to black side", handleBlack, WINBOARD, I},
        {"clock", "time", "Sets how much clock time is available in a tournament", handleClock, MAIN,
         I | T | A | P | E},
        {"computer", "", "Tells VEK that it is playing against a computer", handleComputer, WINBOARD, I},
        {"cores", "cpu-count", "Number of processors to use [Ignored]", nullptr, WINBOARD, I | T | A | P | E},
        {"d[isplay]", "", "Display board", handleDisplay, MAIN, I | T | A | P | E},
        {"draw", "", "Draw offer", handleDraw, MAIN, I | T | A | P | E},
        {"easy", "", "Pondering off", handleEasy, MAIN, I | T | A | P | E},
        {"epd", "secs file-in [#test-nr] [file-out]", "Run EPD test suite (optionally just 1 test)", handleEpd, MAIN,
         I},
        {"endt[est]", "", "Run test for whether game is finished", handleEndTest, TEST, I},
        {"exit", "", "Exit from analysis mode [Analyse mode only]", handleExit, MAIN, A | E},
        {"ext", "[chk recap pp 1rep]", "Show/Set extension values", handleExt, SETTINGS, I | T | A | P | E},
        {"fen", "[fen-string]", "Show current fen/Setup position from fen", handleFen, MAIN, I | A},
        {"force", "", "Force mode... don't move automatically", handleForce, MAIN, I | T | A | P | E},
        {"go", "", "Start computer thinking", handleGo, MAIN, I},
        {"goto", "move-number", "Goto particular move", handleGoto, MAIN, I | A},
        {"hard", "", "Pondering on", handleHard, MAIN, I | T | A | P | E},
        {"hash", "[hash-MB]", "Show/Set hash table size (in mega-bytes)", handleHash, SETTINGS, I},
        {"hamm", "[max-hamm-dist]", "Check hamming distance/Generate hash key data", handleHamm, TEST, I},
        {"h[elp]", "[category]", "Show help on commands (show this list)", handleHelp, MAIN, I | T | A | P | E},
        {"hint", "", "Show hint [Ignored]", nullptr, WINBOARD, I | T | A | P | E},
        {"ics", "[ics-inet-addr]", "Says we are playing on the internet", handleIcs, WINBOARD, I | T | A | P | E},
        {"kib[itz]", "", "Toggle kibitzing if running on a chess server", handleKibitz, MAIN, I | T | A | P | E},
        {"kpk", "", "Probe KPK endgame table (for current position)", handleKpk, TEST, I | T | A | P | E},
        {"kpktest", "edwards-dir", "Test KPK endgame table against Edwards tablebase", handleKpkTest, TEST, I},
        {"level", "moves time/m incr/s", "Set time mode", handleLevel, MAIN, I | T | A | P | E},
        {"l[oad]", "[file-name|-]", "Load/Browse pgn file (if \"-\", reads from stdin)", handleLoad, MAIN, I},
        {"loade[val]", "[file-name]", "Load evaluation settings [default=\"vek.eval\"]", handleLoadEval, SETTINGS, I},
        {"memory", "hash-MB", "Set hash table size (in mega-bytes)", handleHash, WINBOARD, I},
        {"name", "opponent-name", "Name of the opponent [Ignored]", nullptr, WINBOARD, I | T | A | P | E},
        {"new", "", "Start a new game", handleNew, MAIN, I},
        {"noi[se]", "noise-level", "Set noise level for thinking posts", handleNoise, SETTINGS, I | T | A | P | E},
        {"nopost", "", "Don't show thinking", handleNopost, WINBOARD, I | T | A | P | E},
        {"null", "", "Toggle null move pruning in search", handleNull, SETTINGS, I | T | A | P | E},
        {"otim", "centi-seconds", "Time for opponents clock", handleOtim, WINBOARD, I | T | A | P | E},
        {"perf", "", "Psuedo move generation/move performance test", handlePerf, TEST, I},
        {"perfc", "", "Capture move generation/move performance test", handlePerfc, TEST, I},
        {"perft", "[depth]", "Psuedo move generation tree test", handlePerft, TEST, I},
        {"ping", "number", "Answer \"pong number\" once earlier commands are done", handlePing, WINBOARD,
         I | T | A | P | E},
        {"post", "", "Show thinking", handlePost, WINBOARD, I | T | A | P | E},
        {"protover", "version", "Says protocol version in use", handleProtover, WINBOARD, I | T | A | P | E},
        {"quit", "", "Quit from program", handleQuit, MAIN, I | T | A | P | E},
        {"r[edo]", "", "Redo move", handleRedo, MAIN, I | A},
        {"redoa[ll]", "", "Redo all moves", handleRedoAll, MAIN, I | A},
        {"rejected", "", "Feature rejected [Ignored]", nullptr, WINBOARD, I | T | A | P | E},
        {"result", "", "Result of game (used to trigger TD learning)", handleResult, WINBOARD, I | T | A | P | E},
        {"rem[ove]", "", "Undo 2 moves (1 full move)", handleRemove, MAIN, I | A},
        {"savee[val]", "[file-name]", "Save evaluation settings [default=\"vek.eval\"]", handleSaveEval, SETTINGS,
         I | T | A | P | E},
        {"sc[ore]", "", "Show evaluation of current position", handleScore, TEST, I},
        {"setb[oard]", "[fen-string]", "Show current fen/Setup position from fen", handleSetboard, WINBOARD, I | A},
        {"setr[esign]", "[resign-score-in-pawns]", "Show/Set the resign score to use (set to 0 to disable resigning)",
         handleSetResign, SETTINGS, I | T | A | P | E},
        {"showpvh", "", "Toggle display of hash key values in PV", handleShowPvh, SETTINGS, I | T | A | P | E},
        {"showpvq", "", "Toggle display of quiesence moves in PV", handleShowPvq, SETTINGS, I | T | A | P | E},
        {"st", "secs", "Set to fixed time per move", handleSt, WINBOARD, I},
        {"sd", "depth", "Set maximum depth", handleSd, WINBOARD, I},
        {"tba[nal]", "KxKy w|b [major [minor]]", "Analyse Edwards tablebase file", handleTbAnal, TEST, I},
        {"tbp[robe]", "[edwards-dir]", "Probe Edwards TB/Set Edwards TB directory", handleTbProbe, TEST, I},
        {"teste[val]", "", "Test evaluation for black/white consistency", handleTestEval, TEST, I},
        {"time", "centisecs", "Time for computers clock", handleTime, WINBOARD, I | T | A | P | E},
        {"random", "", "Random delta on evals [Ignored]", nullptr, WINBOARD, I | T | A | P | E},
        {"u[ndo]", "", "Undo move", handleUndo, MAIN, I | A},
        {"undoa[ll]", "", "Undo all moves", handleUndoAll, MAIN, I | A},
        {"usermove", "move", "Make move passed from user", handleUsermove, MAIN, I | A | P},
        {"variant", "", "Choose chess variant [Ignored]", nullptr, WINBOARD, I | T | A | P | E},
        {"white", "", "Change computer to white side", handleWhite, WINBOARD, I},
        {"xboard", "[off]", "Set into xboard mode", handleXboard, WINBOARD, I | T | A | P | E},
    };
    std::vector<CCommand>& uci = uciCommands();
    uci = {
        {"uci", "", "Identify the engine and its options", handleUci, WINBOARD, U},
        {"debug", "[on|off]", "Debug output [Ignored]", nullptr, WINBOARD, U | S},
        {"isready", "", "Answer readyok", handleIsReady, WINBOARD, U | S},
        {"setoption", "name id [value x]", "Set an option", handleSetOption, WINBOARD, U | S},
        {"register", "", "Registration [Ignored]", nullptr, WINBOARD, U | S},
        {"ucinewgame", "", "Start a new game", handleUciNewGame, WINBOARD, U | S},
        {"position", "startpos|fen FEN [moves ...]", "Set up the position", handlePosition, WINBOARD, U | S},
        {"go", "[limits]", "Search the position", handleUciGo, WINBOARD, U | S},
        {"stop", "", "End the search: bestmove", handleUciStop, WINBOARD, U | S},
        {"ponderhit", "", "The pondered move was played", handlePonderHit, WINBOARD, U | S},
        {"quit", "", "Quit from program", handleUciQuit, WINBOARD, U | S},
    };
    // The vectors are never resized again, so pointers into them stay valid for the whole run.
    for (const CCommand& command : table)
        g_fullTable.add(&command);
    for (const std::vector<CCommand>* commandSet : {&table, &uci})
    {
        for (const CCommand& command : *commandSet)
        {
            for (int i = 0; i < MODE_BIT_COUNT; ++i)
            {
                if (command.modeMask() & MODE_BITS[i])
                    g_modeLists[i].add(&command);
            }
        }
    }
}

const CCommandList& commandTable()
{
    buildCommandTable();
    return g_fullTable;
}

const CCommandList& modeList(int modeBit)
{
    buildCommandTable();
    return g_modeLists[modeIndex(modeBit)];
}
