// The UCI session: what its commands do with options, positions and searches.
#include "game/uci.h"

#include "base/input.h"
#include "base/output.h"
#include "base/text.h"
#include "board/game.h"
#include "board/notation.h"
#include "book/bookchoice.h"
#include "book/commands.h"
#include "endgame/kpk.h"
#include "game/commands.h"
#include "game/driver.h"
#include "game/gamesettings.h"
#include "game/player.h"
#include "game/thinking.h"
#include "game/timecontrol.h"
#include "game/ucithinking.h"
#include "search/commands.h"
#include "search/hashtable.h"
#include "search/search.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace
{
constexpr int HASH_MIN_MB = 1;
constexpr int HASH_MAX_MB = 1024;
constexpr int64_t BYTES_PER_MB = 1048576;
// A search without a time limit is given a year, as analysis is.
constexpr double ENDLESS_SECONDS = 365.0 * 86400.0;
constexpr int MAX_DEPTH = CTimeControl::DEFAULT_MAX_DEPTH;

void pollUciSearch(const volatile int& stopRequest) { theUciSession().pollDuringSearch(stopRequest); }

bool readNumber(const std::string& word, int64_t& value)
{
    char* end = nullptr;
    long long v = std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0')
        return false;
    value = v;
    return true;
}

bool readCheck(const std::string& value) { return equalsIgnoringCase(value, "true"); }

// The legal move of the position that is the same move as this one, or NO_MOVE.
Move legalIn(const CPosition& position, Move move)
{
    CMoveList legal;
    position.generateLegal(legal);
    for (Move candidate : legal)
        if (move != NO_MOVE && sameMove(candidate, move))
            return candidate;
    return NO_MOVE;
}
}  // namespace

bool UciGoLimits::endless() const
{
    return infinite || (whiteTime < 0 && blackTime < 0 && moveTime <= 0 && depth <= 0 && nodes <= 0 && mate <= 0);
}

UciGoLimits parseGoLimits(const std::string& args)
{
    UciGoLimits limits;
    std::istringstream in(args);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    static const char* const KEYWORDS[] = {"wtime", "btime", "winc", "binc",     "movestogo", "movetime",
                                           "depth", "nodes", "mate", "infinite", "ponder",    "searchmoves"};
    auto isKeyword = [](const std::string& word) {
        for (const char* keyword : KEYWORDS)
            if (word == keyword)
                return true;
        return false;
    };
    for (size_t i = 0; i < words.size(); ++i)
    {
        const std::string& key = words[i];
        if (key == "infinite")
        {
            limits.infinite = true;
            continue;
        }
        if (key == "ponder")
        {
            limits.ponder = true;
            continue;
        }
        if (key == "searchmoves")
        {
            // The search always looks at every root move.
            while (i + 1 < words.size() && !isKeyword(words[i + 1]))
                ++i;
            continue;
        }
        int64_t value = 0;
        if (i + 1 >= words.size() || !readNumber(words[i + 1], value))
            continue;
        ++i;
        // Interfaces send a clock below zero once it has run out; it counts as empty.
        const int64_t time = std::max<int64_t>(value, 0);
        const int count = int(std::min<int64_t>(std::max<int64_t>(value, 0), 1000000));
        if (key == "wtime")
            limits.whiteTime = time;
        else if (key == "btime")
            limits.blackTime = time;
        else if (key == "winc")
            limits.whiteIncrement = time;
        else if (key == "binc")
            limits.blackIncrement = time;
        else if (key == "movestogo")
            limits.movesToGo = count;
        else if (key == "movetime")
            limits.moveTime = time;
        else if (key == "depth")
            limits.depth = count;
        else if (key == "nodes")
            limits.nodes = time;
        else if (key == "mate")
            limits.mate = count;
    }
    return limits;
}

void sendUci(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = formatTextV(format, args);
    va_end(args);
    // Past the hold on engine text, through the log and the console as everything else.
    std::string* held = setOutputCapture(nullptr);
    output("%s", text.c_str());
    setOutputCapture(held);
}

void CUciSession::start()
{
    if (!m_started)
    {
        m_started = true;
        // From here on only UCI lines reach the interface; the log keeps the rest.
        setOutputCapture(&m_engineText);
        theSearch().setObserver(&theUciThinking());
        m_commandPoll = theSearch().inputPoll();
        theSearch().setInputPoll(pollUciSearch);
        // Built now rather than in the first search, whose clock would pay for it.
        if (!theKpkTable().isGenerated())
            theKpkTable().generate();
    }
    identify();
}

void CUciSession::identify()
{
    const CGameSettings& settings = theGameSettings();
    int64_t hashMegabytes = std::clamp<int64_t>(hashSizeSetting() / BYTES_PER_MB, HASH_MIN_MB, HASH_MAX_MB);
    sendUci("id name %s\n", settings.m_winboardName.c_str());
    sendUci("id author The Vekran developers\n");
    sendUci("option name Hash type spin default %d min %d max %d\n", int(hashMegabytes), HASH_MIN_MB, HASH_MAX_MB);
    sendUci("option name Ponder type check default %s\n", theDriver().ponderEnabled() ? "true" : "false");
    sendUci("option name OwnBook type check default %s\n", m_ownBook ? "true" : "false");
    sendUci("option name BookFile type string default %s\n", settings.m_primaryBookName.c_str());
    sendUci("option name Clear Hash type button\n");
    sendUci("uciok\n");
}

void CUciSession::relayEngineText()
{
    std::istringstream text(m_engineText);
    m_engineText.clear();
    for (std::string line; std::getline(text, line);)
    {
        line = trimmed(line);
        if (!line.empty())
            sendUci("info string %s\n", line.c_str());
    }
}

void CUciSession::isReady() { sendUci("readyok\n"); }

void CUciSession::setOption(const std::string& args)
{
    // setoption name <id> [value <x>]; the name may hold blanks ("Clear Hash").
    std::string text = trimmed(args);
    if (text.compare(0, 5, "name ") != 0)
    {
        sendUci("info string Error (invalid setoption): setoption %s\n", text.c_str());
        return;
    }
    text = trimmed(text.substr(5));
    std::string name = text, value;
    size_t at = text.find(" value ");
    if (at != std::string::npos)
    {
        name = trimmed(text.substr(0, at));
        value = trimmed(text.substr(at + 7));
    }
    else if (text.size() >= 6 && equalsIgnoringCase(text.substr(text.size() - 6), " value"))
    {
        name = trimmed(text.substr(0, text.size() - 6));
    }
    dropEngineText();
    if (equalsIgnoringCase(name, "Hash"))
    {
        int64_t megabytes = 0;
        if (!readNumber(value, megabytes))
        {
            sendUci("info string Error (invalid value): Hash %s\n", value.c_str());
            return;
        }
        megabytes = std::clamp<int64_t>(megabytes, HASH_MIN_MB, HASH_MAX_MB);
        handleHash(std::to_string(megabytes));
    }
    else if (equalsIgnoringCase(name, "Ponder"))
    {
        // Only the time manager cares: with pondering ahead it may spend a little more.
        theDriver().setPonderEnabled(readCheck(value));
    }
    else if (equalsIgnoringCase(name, "OwnBook"))
    {
        m_ownBook = readCheck(value);
        theBooks().setEnabled(m_ownBook);
    }
    else if (equalsIgnoringCase(name, "BookFile"))
    {
        // The whole value is one path: unlike the `book` command's list of names, a blank
        // here is part of the file name, and the other books stay as they are.
        if (!value.empty() && value != "<empty>")
            openBook(COpeningBooks::PRIMARY, value);
    }
    else if (equalsIgnoringCase(name, "Clear Hash"))
    {
        theHashTable().clear();
    }
    else
    {
        sendUci("info string No such option: %s\n", name.c_str());
    }
    relayEngineText();
}

void CUciSession::newGame()
{
    // As `new`: clocks, search settings, a cleared table, the book in use again.
    theDriver().newGame();
    relayEngineText();
    theBooks().setEnabled(m_ownBook);
    m_startPosition.clear();
    m_positionArgs = "startpos";
}

bool CUciSession::applyPosition(const std::string& args, bool report)
{
    std::istringstream in(args);
    std::string word, start;
    in >> word;
    CGame& game = theGame();
    if (word == "startpos")
    {
        game.reset();
        start = word;
        in >> word;
    }
    else if (word == "fen")
    {
        std::string fen;
        while (in >> word && word != "moves")
            fen += (fen.empty() ? "" : " ") + word;
        CPosition position;
        if (!position.setFromFen(fen) || !game.setStartPosition(position))
        {
            if (report)
                sendUci("info string Error (invalid FEN): %s\n", fen.c_str());
            return false;
        }
        start = "fen " + fen;
    }
    else
    {
        if (report)
            sendUci("info string Error (invalid position): position %s\n", args.c_str());
        return false;
    }
    // Book moves count from the move the game started at, as after new or setboard: a
    // position that goes on from the last one keeps the count.
    if (start != m_startPosition)
    {
        theBooks().setReferenceMoveNumber(start == "startpos" ? 0 : game.moveNumber());
        m_startPosition = start;
    }
    if (word != "moves")
        return true;
    while (in >> word)
    {
        Move move = NO_MOVE;
        if (!game.parseMove(word, move))
        {
            if (report)
                sendUci("info string Invalid move: %s\n", word.c_str());
            return false;
        }
        game.makeMove(move);
    }
    return true;
}

void CUciSession::position(const std::string& args)
{
    m_positionArgs = trimmed(args);
    applyPosition(m_positionArgs, true);
}

void CUciSession::go(const std::string& args) { runSearch(parseGoLimits(args)); }

void CUciSession::runSearch(const UciGoLimits& limits)
{
    CTimeControl& tc = theTimeControl();
    CGame& game = theGame();
    const bool white = game.sideToMove() == WHITE;
    const bool ponderEnabled = theDriver().ponderEnabled();
    const bool endless = limits.endless();
    // A ponder search needs the move it ponders on: the last one of the position.
    const bool ponderOnMove = limits.ponder && game.canUndo();

    // The clocks reach the time manager as level, time and otim would bring them.
    TimeAllotment allotment;
    allotment.allotted = allotment.maximum = ENDLESS_SECONDS;
    bool clockMode = false;
    bool onClock = false;
    if (!endless && limits.hasClock(white))
    {
        int64_t own = white ? limits.whiteTime : limits.blackTime;
        int64_t theirs = limits.hasClock(!white) ? (white ? limits.blackTime : limits.whiteTime) : own;
        double increment = double(white ? limits.whiteIncrement : limits.blackIncrement) / 1000.0;
        int moves = 0;
        int moveNumber = game.moveNumber();
        if (limits.movesToGo > 0)
        {
            // The time manager counts the moves left in a control from the move number; a
            // control of at least two moves keeps the last move of one from counting as a
            // fixed time per move.
            moves = std::max(limits.movesToGo, 2);
            moveNumber = moves - limits.movesToGo + 1;
        }
        tc.setLevel(formatText("%d 0 %.3f", moves, increment));
        tc.setEngineClockCentis(std::to_string(own / 10));
        tc.setOpponentClockCentis(std::to_string(theirs / 10));
        allotment = tc.setupTime(moveNumber, tc.engineClock(), ponderEnabled);
        clockMode = !tc.fixedTimePerMove();
        onClock = true;
    }
    else if (!endless && limits.moveTime > 0)
    {
        tc.setFixedTime(formatText("%.3f", double(limits.moveTime) / 1000.0));
        allotment = tc.setupTime(game.moveNumber(), tc.engineClock(), ponderEnabled);
        onClock = true;
    }
    if (limits.ponder && !ponderOnMove)
    {
        // Nothing to ponder on: search without a limit until ponderhit or stop.
        allotment.allotted = allotment.maximum = ENDLESS_SECONDS;
    }
    int depth = tc.maxDepth();
    if (limits.depth > 0)
        depth = std::min(limits.depth, MAX_DEPTH);
    if (limits.mate > 0)
        depth = std::min(depth, std::min(2 * limits.mate - 1, MAX_DEPTH));
    CPlayer& player = thePlayer();
    player.setAllotment(allotment);
    player.setMaxDepth(depth);
    // The book answers ordinary moves only, not analysis, pondering or a mate search.
    theBooks().setEnabled(m_ownBook && !endless && !limits.ponder && limits.mate <= 0);

    theThinkingOutput().reset();
    m_searching = true;
    m_ponderHit = false;
    m_stopped = false;
    m_waitEnd = 0;
    m_nodeLimit = limits.nodes;
    CInputService& input = theInput();
    input.selectSearchMode(MODE_UCI_SEARCHING, nullptr);
    PlayResult result;
    if (ponderOnMove)
    {
        Move predicted = game.currentMove();
        game.undo();
        result = player.ponder(predicted, clockMode);
    }
    else
    {
        result = player.think(clockMode);
    }
    const bool played = result.played.kind != 0 && !result.played.pv.empty();
    // Analysis and pondering never end by themselves: a search that is done early waits for
    // stop (or ponderhit) before it answers.
    if (!m_stopped && !m_quit && (endless || (limits.ponder && !m_ponderHit)))
        input.waitForCommands(m_waitEnd);
    input.selectSearchMode(0, nullptr);
    m_searching = false;
    m_nodeLimit = 0;
    theBooks().setEnabled(m_ownBook);
    if (m_quit)
        return;

    const int64_t moveNumber = game.moveNumber() - (played && game.sideToMove() == WHITE ? 1 : 0);
    if (played && onClock)
    {
        tc.chargeMove(player.lastSearchTime());
        tc.setupTimePostMove(int(moveNumber), tc.engineClock(), ponderEnabled);
    }
    sendBestMove(played ? result.played.pv.front() : NO_MOVE);
    dropEngineText();
}

void CUciSession::sendBestMove(Move played)
{
    Move best = NO_MOVE, reply = NO_MOVE;
    if (played != NO_MOVE)
    {
        best = played;
        reply = thePlayer().predictedMove();
    }
    else
    {
        // Stopped while pondering, or a search that played nothing: its best move so far.
        const CSearch& search = theSearch();
        best = search.bestMove();
        const std::vector<Move>& pv = search.savedPv();
        if (pv.size() >= 2 && sameMove(pv[0], best))
            reply = pv[1];
    }
    // The game record goes back to the position the interface gave, where the answer must be
    // legal; the search played in the record, or took the pondered move back out of it.
    applyPosition(m_positionArgs, false);
    const CGame& game = theGame();
    best = legalIn(game, best);
    if (best == NO_MOVE)
    {
        CMoveList legal;
        game.generateLegal(legal);
        if (legal.empty())
        {
            sendUci("bestmove 0000\n");
            return;
        }
        best = legal[0];
        reply = NO_MOVE;
    }
    CPosition after = game;
    after.makeMove(best);
    reply = legalIn(after, reply);
    if (reply != NO_MOVE)
        sendUci("bestmove %s ponder %s\n", moveToCoordinate(best).c_str(), moveToCoordinate(reply).c_str());
    else
        sendUci("bestmove %s\n", moveToCoordinate(best).c_str());
}

void CUciSession::stop()
{
    if (!m_searching)
        return;
    m_stopped = true;
    thePlayer().moveNow();
    m_waitEnd = 1;
}

void CUciSession::ponderHit()
{
    if (!m_searching)
        return;
    m_ponderHit = true;
    CPlayer& player = thePlayer();
    if (player.isPondering())
    {
        // The search goes on as the engine's own, timed from now.
        player.ponderHit();
        return;
    }
    // The ponder search is over already (or had no move to ponder on): answer now.
    player.moveNow();
    m_waitEnd = 1;
}

void CUciSession::quit()
{
    m_quit = true;
    if (m_searching)
    {
        thePlayer().stop();
        m_waitEnd = 1;
    }
}

void CUciSession::deferUntilSearchEnds(const std::string& line)
{
    m_stopped = true;
    thePlayer().moveNow();
    m_waitEnd = 1;
    theInput().requeueFront(line);
}

void CUciSession::pollDuringSearch(const volatile int& stopRequest)
{
    // What the search prints is held back; it must not pile up in a long analysis.
    dropEngineText();
    CSearch& search = theSearch();
    if (m_nodeLimit > 0 && !search.pondering() && search.totalNodes() >= m_nodeLimit)
    {
        search.stop(STOP_MOVE_NOW);
        return;
    }
    if (m_commandPoll)
        m_commandPoll(stopRequest);
}

CUciSession& theUciSession()
{
    static CUciSession session;
    return session;
}

void startUciSession() { theUciSession().start(); }

bool uciSessionGoesOn()
{
    CUciSession& session = theUciSession();
    session.dropEngineText();
    return !session.quitRequested();
}

// The commands. Those that change the game or the settings wait until a running search has
// answered (interfaces are to send stop first; not all do).
void handleUci(const std::string&) { theUciSession().identify(); }

void handleIsReady(const std::string&) { theUciSession().isReady(); }

void handleSetOption(const std::string& args)
{
    CUciSession& session = theUciSession();
    if (session.searching())
        session.deferUntilSearchEnds("setoption " + args);
    else
        session.setOption(args);
}

void handleUciNewGame(const std::string&)
{
    CUciSession& session = theUciSession();
    if (session.searching())
        session.deferUntilSearchEnds("ucinewgame");
    else
        session.newGame();
}

void handlePosition(const std::string& args)
{
    CUciSession& session = theUciSession();
    if (session.searching())
        session.deferUntilSearchEnds("position " + args);
    else
        session.position(args);
}

void handleUciGo(const std::string& args)
{
    CUciSession& session = theUciSession();
    if (session.searching())
        session.deferUntilSearchEnds("go " + args);
    else
        session.go(args);
}

void handleUciStop(const std::string&) { theUciSession().stop(); }

void handlePonderHit(const std::string&) { theUciSession().ponderHit(); }

void handleUciQuit(const std::string&) { theUciSession().quit(); }
