// The engine binary driven over pipes as a WinBoard or a UCI interface drives it: games, clocks,
// force mode, move-now, pondering, analysis, quitting and the end of input. The handshakes and
// the replies to the plain commands are pinned by the golden transcripts xboard, game_ping and
// uci_handshake.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <regex>

#include "support/engineprocess.h"
#include "support/helpers.h"

namespace
{
const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

std::vector<Move> legalMoves(const CPosition& position)
{
    CMoveList list;
    position.generateLegal(list);
    return std::vector<Move>(list.begin(), list.end());
}

// One engine in a fresh folder, and the game as the interface sees it.
class Protocol : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_engine.start({"-hash", "4"}, m_dir)); }
    // No test may ever see a bell byte on the interface's pipe.
    void TearDown() override { EXPECT_EQ(m_engine.output().find('\a'), std::string::npos); }

    void send(const std::string& line) { m_engine.send(line); }
    void sendLines(std::initializer_list<const char*> lines)
    {
        for (const char* line : lines)
            m_engine.send(line);
    }
    bool waitFor(const std::string& text, double timeout) { return m_engine.waitFor(text, timeout); }

    // The rest of the line after the next `text` ("\n" in front for a line start).
    bool lineAfter(const std::string& text, std::string& rest, double timeout)
    {
        if (!waitFor(text, timeout) || !waitFor("\n", 5))
            return false;
        rest = m_engine.consumed();
        rest.erase(rest.find_first_of("\r\n"));
        return true;
    }

    // The first word after the next `prefix` ("\nmove ", "bestmove "), which must be a legal
    // move on the interface's board: then it is played there and returned; else "" (recorded).
    std::string engineMove(double timeout, const std::string& prefix = "\nmove ")
    {
        std::string text;
        const bool came = lineAfter(prefix, text, timeout);
        text = text.substr(0, text.find(' '));
        const bool legal = came && play(text);
        EXPECT_TRUE(legal) << (came ? text + " is illegal" : "no move") << " in " << m_position.toFen();
        return legal ? text : "";
    }

    bool play(const std::string& text)
    {
        Move move = NO_MOVE;
        if (!m_position.parseMove(text, move))
            return false;
        m_earlier.push_back(m_position);
        m_position.makeMove(move);
        return true;
    }

    // Takes back half-moves on the interface's board, as remove (2) and undo (1) do.
    bool takeBack(size_t halfMoves)
    {
        if (halfMoves > m_earlier.size())
            return false;
        m_position = m_earlier[m_earlier.size() - halfMoves];
        m_earlier.resize(m_earlier.size() - halfMoves);
        return true;
    }

    // Sends an opponent move (the first legal one when none is named) and plays it on the board.
    bool opponentMove(std::string text = "")
    {
        if (text.empty() && !legalMoves(m_position).empty())
            text = moveToCoordinate(legalMoves(m_position)[0]);
        if (!play(text))
            return false;
        send("usermove " + text);
        return true;
    }

    // Sets up the interface's board, and the engine's too unless it is told otherwise.
    bool setBoard(const std::string& fen, bool tell = true)
    {
        if (tell)
            send("setboard " + fen);
        m_earlier.clear();
        return m_position.setFromFen(fen);
    }

    void newGame()
    {
        send("new");
        setBoard(START_FEN, false);
    }

    // The reply the engine ponders on, from its " Pondering e7e5..." line (NO_MOVE if none).
    Move predicted()
    {
        std::string text;
        Move move = NO_MOVE;
        if (lineAfter("\n Pondering ", text, 10) && text.size() > 3)
            m_position.parseMove(text.substr(0, text.size() - 3), move);
        return move;
    }

    // The engine takes commands in its idle loop again: it answers at once.
    bool idle()
    {
        send("xboard");
        return waitFor(" Noise level set to: 0\n", 5);
    }

    // The fields of the status line "." asks for (-1 for those that do not come).
    std::vector<int> status()
    {
        send(".");
        std::string line;
        std::vector<int> f(5, -1);
        if (lineAfter("\nstat01: ", line, 5))
            std::sscanf(line.c_str(), "%d %d %d %d %d", &f[0], &f[1], &f[2], &f[3], &f[4]);
        return f;
    }

    std::string m_dir = CEngineProcess::makeTempDir();
    CEngineProcess m_engine;
    CPosition m_position;
    std::vector<CPosition> m_earlier;
};

// In xboard mode with a new game under way.
class ProtocolXboard : public Protocol
{
protected:
    void SetUp() override
    {
        Protocol::SetUp();
        send("xboard");
        send("protover 2");
        ASSERT_TRUE(waitFor("feature done=1\n", 30));
        newGame();
    }
};

using ProtocolUci = Protocol;
}  // namespace

TEST_F(ProtocolXboard, GameFromNewToResult)
{
    send("st 0.05");
    uint32_t seed = 12345;
    std::vector<std::string> engineMoves;
    std::string claimed;
    // The engine plays Black against a random mover until the game ends, and says so instead
    // of moving when it has.
    for (int ply = 0; ply < 160 && claimed.empty(); ++ply)
    {
        std::vector<Move> moves = legalMoves(m_position);
        seed = seed * 1103515245u + 12345u;
        ASSERT_TRUE(opponentMove(moveToCoordinate(moves[(seed >> 8) % moves.size()])));
        if (!legalMoves(m_position).empty())
        {
            engineMoves.push_back(engineMove(10));
            ASSERT_FALSE(engineMoves.back().empty()) << "at ply " << ply;
        }
        if (legalMoves(m_position).empty())
        {
            ASSERT_TRUE(lineAfter("\n Game finished test: ", claimed, 10));
        }
    }
    ASSERT_GE(engineMoves.size(), 5u);
    if (!claimed.empty())
    {
        const bool mate = m_position.isInCheck();
        EXPECT_EQ(claimed, mate ? "5" : "4");
        // The result line follows the test line directly.
        const std::string resultLine = !mate                              ? "1/2-1/2 {Stalemate}\n"
                                       : m_position.sideToMove() == WHITE ? "0-1 {Black Mates}\n"
                                                                          : "1-0 {White Mates}\n";
        ASSERT_TRUE(waitFor(resultLine, 5));
        const std::string between = m_engine.consumed();
        EXPECT_EQ(between.substr(between.find_first_not_of("\r\n")), resultLine);
    }
    sendLines({"result 1-0 {over}", "quit"});
    EXPECT_EQ(m_engine.waitExit(10), 0);
    // Every move the engine announced is in its game record, in order.
    const std::string text = fileText(m_dir + "/game.pgn");
    size_t at = 0;
    for (const std::string& move : engineMoves)
    {
        at = text.find(move + "\n", at);
        ASSERT_NE(at, std::string::npos) << move;
    }
}

TEST_F(ProtocolXboard, ClocksAndTimeControlsAndPingWhileThinking)
{
    sendLines({"level 40 5 0", "time 30000", "otim 30000", "go"});
    ASSERT_TRUE(waitFor(" SetupTime( 1, 05:00.00 )\n  time limit 7.38 (40 moves left)  max time limit 22.12\n", 10));
    // A ping while thinking is answered after the move. Move now: the best move so far comes
    // at once, long before the 7.38 s allotted.
    sendLines({"ping 8", "?"});
    engineMove(5);
    ASSERT_TRUE(waitFor(" SetupTimePostMove( 1, ", 5));
    ASSERT_TRUE(waitFor("pong 8\n", 5));
    send("level 40 5");
    ASSERT_TRUE(waitFor("Error (Invalid time control): level\n", 5));

    // Taking over the other side: the clock the interface gave is still the engine's.
    newGame();
    sendLines({"black", "level 0 1 0", "time 6000", "otim 100", "go"});
    ASSERT_TRUE(waitFor(" SetupTime( 1, 01:00.00 )\n", 10));
    send("?");
    engineMove(5);

    // Fractional increments as interfaces send them.
    newGame();
    sendLines({"level 0 0:10 0.1", "time 1000", "otim 1000"});
    auto start = std::chrono::steady_clock::now();
    send("go");
    ASSERT_TRUE(waitFor(" SetupTime( 1, 10.00 )\n  time limit 0.26 (50 moves left)  max time limit 0.78\n", 10));
    engineMove(5);
    double used = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The clock lost what the move took and gained the increment.
    std::string left;
    ASSERT_TRUE(lineAfter("\n  time left ", left, 5));
    EXPECT_GT(std::atof(left.c_str()), 10.0 - used + 0.1 - 0.02) << left;
    EXPECT_LT(std::atof(left.c_str()), 10.1) << left;

    // Fixed time with a fraction, and a depth limit that ends the search long before its time.
    newGame();
    sendLines({"st 0.3", "go"});
    ASSERT_TRUE(waitFor("  time limit 0.30 (1 moves left)  max time limit 0.30\n", 10));
    engineMove(10);
    newGame();
    sendLines({"st 30", "sd 2", "go"});
    engineMove(20);  // a hang guard: well below the 30 s
}

TEST_F(ProtocolXboard, ForceModeThenGo)
{
    sendLines({"st 0.2", "force"});
    ASSERT_TRUE(opponentMove("e2e4"));
    ASSERT_TRUE(opponentMove("e7e5"));
    m_engine.readFor(0.5);
    EXPECT_EQ(m_engine.pending().find("\nmove "), std::string::npos);
    send("go");
    ASSERT_TRUE(waitFor(" fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq", 10));
    engineMove(10);

    // force, or the game's result, while thinking: the search stops, nothing is played and
    // the engine is idle again.
    sendLines({"st 30", "force"});
    for (const char* stop : {"force", "result 0-1 {White resigns}"})
    {
        ASSERT_TRUE(opponentMove());
        send("go");
        ASSERT_TRUE(waitFor(" Ply", 10)) << stop;
        send(stop);
        m_engine.readFor(1.0);
        EXPECT_EQ(m_engine.pending().find("\nmove "), std::string::npos) << stop;
        EXPECT_TRUE(idle()) << stop;
    }
}

TEST_F(ProtocolXboard, QuitEndOfInputAndInterruptsDuringThinking)
{
    sendLines({"st 60", "go"});
    ASSERT_TRUE(waitFor(" Ply", 10));
    // An interrupt from the interface does not end the engine.
    ASSERT_TRUE(m_engine.signal(SIGINT));
    m_engine.readFor(0.3);
    ASSERT_TRUE(m_engine.running());
    send("quit");
    EXPECT_EQ(m_engine.waitExit(30), 0);  // long before the 60 s of the search
    EXPECT_EQ(m_engine.output().find("\nmove "), std::string::npos);

    CEngineProcess second;
    ASSERT_TRUE(second.start({"-hash", "4"}, m_dir));
    for (const char* line : {"xboard", "new", "st 60", "go"})
        second.send(line);
    ASSERT_TRUE(second.waitFor(" Ply", 10));
    second.closeInput();
    EXPECT_EQ(second.waitExit(30), 0);
}

TEST_F(ProtocolXboard, AnalysisFollowsTheGame)
{
    send("force");
    // Fifteen moves for White here: king 5 and castling, rook 9.
    setBoard("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    send("analyze");
    ASSERT_TRUE(waitFor(" Ply", 10));
    std::vector<int> fields = status();
    EXPECT_EQ(fields[4], 15);
    EXPECT_GE(fields[3], 1);
    EXPECT_LE(fields[3], 15);
    // A move, undo and a new position each restart the analysis (Black: five king moves).
    for (auto [line, moves] :
         {std::pair{"usermove e1e2", 5}, {"undo", 15}, {"setboard 4k3/8/8/8/8/8/8/R3K3 b Q - 0 1", 5}})
    {
        send(line);
        ASSERT_TRUE(waitFor(" Ply", 5)) << line;
        EXPECT_EQ(status()[4], moves) << line;
    }
    // exit ends the analysis: no status any more, and the engine takes commands again.
    sendLines({"exit", "."});
    ASSERT_TRUE(idle());
    EXPECT_EQ(m_engine.consumed().find("stat01"), std::string::npos);
    newGame();
    sendLines({"st 0.1", "go"});
    engineMove(5);
}

TEST_F(ProtocolXboard, HopelessEngineResigns)
{
    send("force");
    ASSERT_TRUE(setBoard("4k3/8/8/8/8/8/8/RQQ1K3 b - - 0 1"));
    sendLines({"st 0.1", "go"});
    // White shuffles its king; Black's position stays lost.
    for (int kingMoves = 0; kingMoves < 2; ++kingMoves)
    {
        ASSERT_FALSE(engineMove(5).empty());
        std::vector<Move> moves = legalMoves(m_position);
        auto king = std::find_if(moves.begin(), moves.end(), [](Move m) { return movePiece(m) == KING; });
        ASSERT_TRUE(king != moves.end() && opponentMove(moveToCoordinate(*king)));
    }
    ASSERT_FALSE(engineMove(5).empty());
    EXPECT_TRUE(waitFor("\nresign\n", 5));
}

// What xboard sends while the engine ponders (clock lines, take-backs, a new game, analysis)
// is carried out as the idle loop would; only a move is a ponder hit or miss.
TEST_F(ProtocolXboard, PonderHitMissAndCommandsWhilePondering)
{
    sendLines({"st 0.3", "hard"});
    // The engine's reply must be legal on the interface's board; then it ponders on `hit`.
    Move hit = NO_MOVE;
    auto replyAndPonder = [&] {
        bool pondering = !engineMove(10).empty() && (hit = predicted()) != NO_MOVE && waitFor(" Ply", 10);
        EXPECT_TRUE(pondering) << m_engine.pending();
        return pondering;
    };
    ASSERT_TRUE(opponentMove("e2e4"));
    ASSERT_TRUE(replyAndPonder());

    // Clock lines keep the ponder search going: the predicted move is then a hit, which sets up
    // no new search before the reply.
    sendLines({"time 6000", "otim 6000"});
    ASSERT_TRUE(opponentMove(moveToCoordinate(hit)));
    ASSERT_TRUE(waitFor("\nmove ", 10));
    EXPECT_EQ(m_engine.consumed().find("SetupTime("), std::string::npos) << m_engine.consumed();
    ASSERT_TRUE(waitFor("\n", 5));
    std::string move = m_engine.consumed();
    ASSERT_TRUE(play(move.substr(0, move.find_first_of("\r\n")))) << move;
    ASSERT_TRUE(predicted() != NO_MOVE && waitFor(" Ply", 10));
    EXPECT_NE(m_engine.output().find("ponder efficiency"), std::string::npos);

    // Another reply stops the ponder search; the engine thinks afresh and answers it.
    std::vector<Move> others = legalMoves(m_position);
    others.erase(std::remove_if(others.begin(), others.end(), [&](Move m) { return sameMove(m, hit); }), others.end());
    ASSERT_TRUE(opponentMove(moveToCoordinate(others.at(0))));
    ASSERT_TRUE(replyAndPonder());

    // Take-backs: remove (two half-moves), then the opponent plays another move.
    send("remove");
    ASSERT_TRUE(takeBack(2));
    ASSERT_TRUE(opponentMove());
    ASSERT_TRUE(replyAndPonder());
    // undo (one half-move): the engine is to move again and does so when told.
    send("undo");
    ASSERT_TRUE(takeBack(1));
    send("go");
    ASSERT_TRUE(replyAndPonder());
    // Move now means nothing while pondering; the game goes on.
    send("?");
    ASSERT_TRUE(opponentMove());
    ASSERT_TRUE(replyAndPonder());
    // A new position, then analysis and its end, then a new game.
    ASSERT_TRUE(setBoard("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
    ASSERT_TRUE(opponentMove());
    ASSERT_TRUE(replyAndPonder());
    sendLines({"analyze", "."});
    ASSERT_TRUE(waitFor("\nstat01: ", 10));
    send("exit");
    ASSERT_TRUE(opponentMove());
    ASSERT_TRUE(replyAndPonder());
    newGame();
    send("go");
    ASSERT_TRUE(replyAndPonder());
    send("quit");
    EXPECT_EQ(m_engine.waitExit(5), 0);
    EXPECT_EQ(m_engine.output().find("Invalid move"), std::string::npos);
    EXPECT_EQ(m_engine.output().find("!ponder has exited"), std::string::npos);
}

// An analysis with nothing to search (mate, stalemate, bare kings) waits for commands without
// using the processor, and the analysis commands keep working; so do idle-loop commands.
TEST_F(ProtocolXboard, AnalysisOfFinishedPositionsWaitsForCommands)
{
    auto idleCpu = [&] {
        double cpu = m_engine.cpuSeconds();
        EXPECT_GE(cpu, 0.0);
        m_engine.readFor(1.0);
        return m_engine.cpuSeconds() - cpu;
    };
    send("force");
    for (const char* move : {"f2f3", "e7e5", "g2g4", "d8h4"})
        ASSERT_TRUE(opponentMove(move));
    send("analyze");
    ASSERT_TRUE(waitFor(" No legal move to analyse (checkmate)\n", 10));
    EXPECT_LT(idleCpu(), 0.5);
    EXPECT_EQ(status()[4], 0);
    // undo analyses the position before the mate; the mate again waits.
    send("undo");
    ASSERT_TRUE(waitFor(" Ply", 10));
    send("d8h4");
    ASSERT_TRUE(waitFor(" No legal move to analyse (checkmate)\n", 10));
    send("exit");
    newGame();
    sendLines({"st 0.2", "go"});
    engineMove(10);

    // Stalemate, then bare kings (searched to the last iteration at once), then a new game.
    sendLines({"force", "setboard k7/8/1Q6/8/8/8/8/7K b - - 0 1", "analyze"});
    ASSERT_TRUE(waitFor(" No legal move to analyse (stalemate)\n", 10));
    send("setboard 8/8/8/3k4/8/3K4/8/8 w - - 0 1");
    ASSERT_TRUE(waitFor(" Ply", 10));
    EXPECT_EQ(status()[4], 5);  // Kd3: five king steps
    EXPECT_LT(idleCpu(), 0.5);
    newGame();
    ASSERT_TRUE(waitFor(" Ply", 10));
    // Idle-loop commands, moves that are not moves and force leave the analysis running.
    for (const char* line : {"st 0.2", "name Opponent", "e9e4", "force", "result 1-0"})
    {
        send(line);
        EXPECT_EQ(status()[4], 20) << line;
    }
    EXPECT_NE(m_engine.output().find("Invalid move: e9e4"), std::string::npos);
    sendLines({"exit", "go"});
    engineMove(10);
    send("quit");
    EXPECT_EQ(m_engine.waitExit(5), 0);
    for (const char* line : {"exit", "new", "st", "name", "force", "result"})
        EXPECT_EQ(m_engine.output().find(std::string("Invalid move: ") + line), std::string::npos) << line;
}

// From "uci" on, every line is a UCI line: searches that end by themselves (castling is the
// king's two-square move), go infinite and go ponder, which answer isready at once and end
// only on stop or ponderhit, also when the ponder search has finished early (a mate in one).
TEST_F(ProtocolUci, SessionSpeaksOnlyUci)
{
    ASSERT_TRUE(waitFor("tertiary.hbk\"\nReason: The file does not exist\n", 30));  // the end of start-up
    const size_t sessionStart = m_engine.output().size();
    send("uci");
    ASSERT_TRUE(waitFor("uciok\n", 30));
    EXPECT_NE(m_engine.consumed().find("option name Hash type spin default 4 min 1 "), std::string::npos);  // -hash 4
    // A position as the interface sends it, set up on its board too.
    auto position = [&](const std::string& fen, const std::string& moves) {
        setBoard(fen.empty() ? START_FEN : fen, false);
        for (const std::string& move : splitWords(moves))
            EXPECT_TRUE(play(move)) << move;
        send((fen.empty() ? "position startpos" : "position fen " + fen) + (moves.empty() ? "" : " moves " + moves));
    };
    // The FEN ("" for the start position), the moves, the go command, what ends the search
    // ("" if it ends by itself) and the move expected ("" for any legal move).
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"", "e2e4 e7e5", "go depth 3", "", ""},
        {"", "e2e4 e7e5 g1f3 g8f6 f1c4 f8c5 e1g1", "go depth 2", "", ""},
        {"8/8/8/8/N3B3/5N2/3PPP2/2k1K2R w K - 0 1", "", "go depth 3", "", "e1g1"},
        {"", "d2d4", "go wtime 3000 btime 3000 winc 100 binc 100", "", ""},
        {"", "", "go movetime 200", "", ""},
        {"", "", "go infinite", "stop", ""},
        {"", "e2e4 e7e5 g1f3", "go ponder wtime 3000 btime 3000", "ponderhit", ""},
        {"8/8/8/8/N3B3/5N2/2kPPP2/4K2R b K - 0 1", "c2c1", "go ponder wtime 3000 btime 3000", "ponderhit", ""},
    };
    for (const auto& [fen, moves, go, end, expected] : cases)
    {
        position(fen, moves);
        send(go);
        if (*end)
        {
            ASSERT_TRUE(waitFor("info depth 2 ", 30)) << go;
            send("isready");
            ASSERT_TRUE(waitFor("readyok\n", 10)) << go;
            EXPECT_EQ(m_engine.consumed().find("bestmove"), std::string::npos) << go;
            send(end);
        }
        const std::string move = engineMove(30, "bestmove ");
        EXPECT_TRUE(!*expected || move == expected) << go << ": " << move;
    }
    EXPECT_NE(m_engine.output().find("score mate 1 "), std::string::npos);
    send("quit");
    EXPECT_EQ(m_engine.waitExit(30), 0);
    for (const std::string& line : splitLines(m_engine.output().substr(sessionStart)))
        EXPECT_TRUE(std::regex_search(line, std::regex("^(id |option |uciok$|readyok$|info |bestmove )"))) << line;
}
