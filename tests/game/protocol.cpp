// The engine binary driven over pipes as a WinBoard interface drives it: games, clocks, force
// mode, move-now, pondering, analysis, quitting and the end of input. The handshake and the
// replies to the plain protocol commands are pinned by the golden transcript xboard.in / .out.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <iterator>

#include "support/engineprocess.h"
#include "support/helpers.h"

namespace
{
double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string withoutCarriageReturnLines(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 2);
    return text;
}

// One engine in xboard mode, and the game as the interface sees it.
class CSession
{
public:
    explicit CSession(const std::vector<std::string>& args = {"-hash", "4"})
    {
        m_dir = CEngineProcess::makeTempDir();
        m_started = m_engine.start(args, m_dir);
    }
    ~CSession()
    {
        // No test may ever see a bell byte on the interface's pipe.
        EXPECT_EQ(m_engine.output().find('\a'), std::string::npos);
    }

    bool handshake()
    {
        return m_started && m_engine.send("xboard") && m_engine.send("protover 2") &&
               m_engine.waitFor("feature done=1\n", 30);
    }
    CEngineProcess& engine() { return m_engine; }
    const std::string& dir() const { return m_dir; }
    CPosition& position() { return m_position; }

    void send(const std::string& line) { m_engine.send(line); }

    // The rest of the line after the next occurrence of `prefix` at a line start.
    bool lineAfter(const std::string& prefix, std::string& rest, double timeout)
    {
        if (!m_engine.waitFor("\n" + prefix, timeout) || !m_engine.waitFor("\n", 5))
            return false;
        rest = m_engine.consumed();
        while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r'))
            rest.pop_back();
        return true;
    }

    // Waits for the engine's move and plays it on the interface's board; "" if none came or
    // it is not legal there.
    std::string engineMove(double timeout)
    {
        std::string text;
        if (!lineAfter("move ", text, timeout))
            return "";
        return playOnBoard(text) ? text : "illegal:" + text;
    }

    // The engine's move came, legal on the interface's board (failures are recorded).
    bool legalMove(double timeout)
    {
        const std::string move = engineMove(timeout);
        EXPECT_FALSE(move.empty()) << "no move in " << m_position.toFen();
        EXPECT_EQ(move.find("illegal"), std::string::npos) << move << " in " << m_position.toFen();
        return !move.empty() && move.find("illegal") == std::string::npos;
    }

    bool playOnBoard(const std::string& text)
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
        for (; halfMoves > 0; --halfMoves) {
            if (m_earlier.empty())
                return false;
            m_position = m_earlier.back();
            m_earlier.pop_back();
        }
        return true;
    }

    // Sends an opponent move and plays it on the interface's board.
    bool opponentMove(const std::string& text)
    {
        if (!playOnBoard(text))
            return false;
        send("usermove " + text);
        return true;
    }

    bool setBoard(const std::string& fen)
    {
        send("setboard " + fen);
        m_earlier.clear();
        return m_position.setFromFen(fen);
    }

private:
    CEngineProcess m_engine;
    std::string m_dir;
    bool m_started = false;
    CPosition m_position;
    std::vector<CPosition> m_earlier;
};

std::vector<Move> legalMoves(const CPosition& position)
{
    CMoveList list;
    position.generateLegal(list);
    return std::vector<Move>(list.begin(), list.end());
}

std::string coordinate(Move move) { return moveToCoordinate(move); }
}  // namespace

TEST(ProtocolXboard, GameFromNewToResult)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    session.send("new");
    session.send("st 0.05");
    uint32_t seed = 12345;
    std::vector<std::string> engineMoves;
    std::string claimed;
    // The engine plays Black against a random mover until the game ends.
    for (int ply = 0; ply < 160; ++ply) {
        std::vector<Move> moves = legalMoves(session.position());
        if (moves.empty())
            break;
        seed = seed * 1103515245u + 12345u;
        ASSERT_TRUE(session.opponentMove(coordinate(moves[(seed >> 8) % moves.size()])));
        if (legalMoves(session.position()).empty()) {
            // The random mover ended the game: the engine says so instead of moving.
            ASSERT_TRUE(session.lineAfter(" Game finished test: ", claimed, 10));
            break;
        }
        std::string reply = session.engineMove(10);
        ASSERT_FALSE(reply.empty()) << "no move at ply " << ply;
        ASSERT_EQ(reply.find("illegal"), std::string::npos) << reply << " after " << session.position().toFen();
        engineMoves.push_back(reply);
        if (legalMoves(session.position()).empty()) {
            ASSERT_TRUE(session.lineAfter(" Game finished test: ", claimed, 10));
            break;
        }
    }
    ASSERT_GE(engineMoves.size(), 5u);
    if (legalMoves(session.position()).empty()) {
        bool mate = session.position().isInCheck();
        EXPECT_EQ(claimed, mate ? "5" : "4");
        // The result line follows the test line directly.
        std::string resultLine = !mate ? "1/2-1/2 {Stalemate}\n"
                                 : session.position().sideToMove() == WHITE ? "0-1 {Black Mates}\n"
                                                                            : "1-0 {White Mates}\n";
        ASSERT_TRUE(session.engine().waitFor(resultLine, 5));
        EXPECT_EQ(withoutCarriageReturnLines(session.engine().consumed()), resultLine);
    }
    session.send("result 1-0 {over}");
    session.send("quit");
    EXPECT_EQ(session.engine().waitExit(10), 0);

    // Every move the engine announced is in its game record, in order.
    const std::string text = fileText(session.dir() + "/game.pgn");
    size_t at = 0;
    for (const std::string& move : engineMoves) {
        at = text.find(move + "\n", at);
        ASSERT_NE(at, std::string::npos) << move;
    }
}

TEST(ProtocolXboard, ClocksAndTimeControls)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    CEngineProcess& engine = session.engine();
    session.send("new");
    session.send("level 40 5 0");
    session.send("time 30000");
    session.send("otim 30000");
    session.send("go");
    ASSERT_TRUE(engine.waitFor(" SetupTime( 1, 05:00.00 )\n  time limit 7.38 (40 moves left)  max time limit 22.12\n", 10));
    // Move now: the best move so far comes at once, long before the 7.38 s allotted.
    session.send("?");
    EXPECT_TRUE(session.legalMove(5));
    ASSERT_TRUE(engine.waitFor(" SetupTimePostMove( 1, ", 5));
    ASSERT_TRUE(engine.waitFor("  time left ", 5));

    session.send("level 40 5");
    ASSERT_TRUE(engine.waitFor("Error (Invalid time control): level\n", 5));

    // Taking over the other side: the clock the interface gave is still the engine's.
    session.send("new");
    session.position() = CPosition();
    session.send("black");
    session.send("level 0 1 0");
    session.send("time 6000");
    session.send("otim 100");
    session.send("go");
    ASSERT_TRUE(engine.waitFor(" SetupTime( 1, 01:00.00 )\n", 10));
    session.send("?");
    EXPECT_FALSE(session.engineMove(5).empty());

    // Fractional increments as interfaces send them.
    session.send("new");
    session.position() = CPosition();
    session.send("level 0 0:10 0.1");
    session.send("time 1000");
    session.send("otim 1000");
    auto start = std::chrono::steady_clock::now();
    session.send("go");
    ASSERT_TRUE(engine.waitFor(" SetupTime( 1, 10.00 )\n  time limit 0.26 (50 moves left)  max time limit 0.78\n", 10));
    std::string move = session.engineMove(5);
    double used = secondsSince(start);
    EXPECT_EQ(move.find("illegal"), std::string::npos);
    EXPECT_FALSE(move.empty());
    // The clock lost what the move took and gained the increment.
    std::string left;
    ASSERT_TRUE(session.lineAfter("  time left ", left, 5));
    EXPECT_GT(std::atof(left.c_str()), 10.0 - used + 0.1 - 0.02) << left;
    EXPECT_LT(std::atof(left.c_str()), 10.1) << left;

    // Fixed time with a fraction, and a depth limit that ends the search long before its time.
    session.send("new");
    session.position() = CPosition();
    session.send("st 0.3");
    session.send("go");
    ASSERT_TRUE(engine.waitFor("  time limit 0.30 (1 moves left)  max time limit 0.30\n", 10));
    EXPECT_FALSE(session.engineMove(10).empty());
    session.send("new");
    session.position() = CPosition();
    session.send("st 30");
    session.send("sd 2");
    session.send("go");
    EXPECT_FALSE(session.engineMove(20).empty());  // a hang guard: well below the 30 s
}

TEST(ProtocolXboard, ForceModeThenGo)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    CEngineProcess& engine = session.engine();
    session.send("new");
    session.send("st 0.2");
    session.send("force");
    ASSERT_TRUE(session.opponentMove("e2e4"));
    ASSERT_TRUE(session.opponentMove("e7e5"));
    engine.readFor(0.5);
    EXPECT_EQ(engine.pending().find("\nmove "), std::string::npos);
    session.send("go");
    ASSERT_TRUE(engine.waitFor(" fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq", 10));
    EXPECT_TRUE(session.legalMove(10));

    // force while thinking: the search stops and nothing is played.
    session.send("st 30");
    ASSERT_TRUE(session.opponentMove(coordinate(legalMoves(session.position())[0])));
    ASSERT_TRUE(engine.waitFor(" Ply", 10));
    session.send("force");
    engine.readFor(1.0);
    EXPECT_EQ(engine.pending().find("\nmove "), std::string::npos);
    // ...and the engine is idle again: it answers at once.
    session.send("xboard");
    EXPECT_TRUE(engine.waitFor(" Noise level set to: 0\n", 2));

    // The game's result while thinking ends the search too, without a move.
    session.send("go");
    ASSERT_TRUE(engine.waitFor(" Ply", 10));
    session.send("result 0-1 {White resigns}");
    engine.readFor(1.0);
    EXPECT_EQ(engine.pending().find("\nmove "), std::string::npos);
    session.send("xboard");
    EXPECT_TRUE(engine.waitFor(" Noise level set to: 0\n", 2));
}

TEST(ProtocolXboard, QuitEndOfInputAndInterruptsDuringThinking)
{
    {
        CSession session;
        ASSERT_TRUE(session.handshake());
        session.send("new");
        session.send("st 60");
        session.send("go");
        ASSERT_TRUE(session.engine().waitFor(" Ply", 10));
        // An interrupt from the interface does not end the engine.
        ASSERT_TRUE(session.engine().signal(SIGINT));
        session.engine().readFor(0.3);
        ASSERT_TRUE(session.engine().running());
        session.send("quit");
        EXPECT_EQ(session.engine().waitExit(30), 0);  // long before the 60 s of the search
        EXPECT_EQ(session.engine().output().find("\nmove "), std::string::npos);
    }
    {
        CSession session;
        ASSERT_TRUE(session.handshake());
        session.send("new");
        session.send("st 60");
        session.send("go");
        ASSERT_TRUE(session.engine().waitFor(" Ply", 10));
        session.engine().closeInput();
        EXPECT_EQ(session.engine().waitExit(30), 0);
    }
}

TEST(ProtocolXboard, PonderHitAndMiss)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    CEngineProcess& engine = session.engine();
    session.send("new");
    session.send("st 0.5");
    session.send("hard");
    ASSERT_TRUE(session.opponentMove("e2e4"));
    ASSERT_FALSE(session.engineMove(10).empty());

    // The engine ponders on the reply it expects; playing that reply continues the search.
    std::string predicted;
    ASSERT_TRUE(session.lineAfter(" Pondering ", predicted, 10));
    ASSERT_GE(predicted.size(), 3u);
    predicted.erase(predicted.size() - 3);  // the "..." after the move
    Move move = NO_MOVE;
    ASSERT_TRUE(session.position().parseMove(predicted, move)) << predicted;
    engine.readFor(0.2);
    ASSERT_TRUE(session.opponentMove(coordinate(move)));
    EXPECT_TRUE(session.legalMove(10));
    EXPECT_EQ(engine.output().find("!ponder has exited"), std::string::npos);
    EXPECT_NE(engine.output().find("ponder efficiency"), std::string::npos);

    // A different reply stops the ponder search; the engine thinks afresh and answers it.
    ASSERT_TRUE(session.lineAfter(" Pondering ", predicted, 10));
    predicted.erase(predicted.size() - 3);
    ASSERT_TRUE(session.position().parseMove(predicted, move)) << predicted;
    Move other = NO_MOVE;
    for (Move candidate : legalMoves(session.position())) {
        if (!sameMove(candidate, move)) {
            other = candidate;
            break;
        }
    }
    ASSERT_NE(other, NO_MOVE);
    ASSERT_TRUE(session.opponentMove(coordinate(other)));
    EXPECT_TRUE(session.legalMove(5));
    session.send("easy");
    session.send("quit");
    EXPECT_EQ(engine.waitExit(5), 0);
}

TEST(ProtocolXboard, AnalysisFollowsTheGame)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    CEngineProcess& engine = session.engine();
    session.send("new");
    session.send("force");
    // Fifteen moves for White here: king 5 and castling, rook 9.
    session.setBoard("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    session.send("analyze");
    ASSERT_TRUE(engine.waitFor(" Ply", 10));
    session.send(".");
    std::string status;
    ASSERT_TRUE(session.lineAfter("stat01: ", status, 5));
    EXPECT_EQ(status.find('\a'), std::string::npos);
    int fields[5] = {};
    ASSERT_EQ(std::sscanf(status.c_str(), "%d %d %d %d %d", &fields[0], &fields[1], &fields[2], &fields[3], &fields[4]), 5)
        << status;
    EXPECT_EQ(fields[4], 15);
    EXPECT_GE(fields[3], 1);
    EXPECT_LE(fields[3], 15);

    // The number of root moves in the status line that "." asks for (-1 when none comes).
    auto movesInStatus = [&] {
        session.send(".");
        std::string line;
        int f[5] = {0, 0, 0, 0, 0};
        bool read = session.lineAfter("stat01: ", line, 5) &&
                    std::sscanf(line.c_str(), "%d %d %d %d %d", &f[0], &f[1], &f[2], &f[3], &f[4]) == 5;
        return read ? f[4] : -1;
    };

    // A move restarts the analysis on the new position (Black: five king moves).
    session.send("usermove e1e2");
    ASSERT_TRUE(engine.waitFor(" fen 4k3/8/8/8/8/8/4K3/7R b - -", 5));
    ASSERT_TRUE(engine.waitFor(" Ply", 5));
    EXPECT_EQ(movesInStatus(), 5);

    // undo goes back and analyses the earlier position again.
    session.send("undo");
    ASSERT_TRUE(engine.waitFor(" Ply", 5));
    EXPECT_EQ(movesInStatus(), 15);

    // A new position set up during analysis is analysed at once.
    session.send("setboard 4k3/8/8/8/8/8/8/R3K3 b Q - 0 1");
    ASSERT_TRUE(engine.waitFor(" Ply", 5));
    EXPECT_EQ(movesInStatus(), 5);

    // exit ends the analysis: no status any more, and the engine takes commands again.
    session.send("exit");
    session.send(".");
    session.send("xboard");
    ASSERT_TRUE(engine.waitFor(" Noise level set to: 0\n", 5));
    EXPECT_EQ(engine.consumed().find("stat01"), std::string::npos);
    session.send("new");
    session.send("st 0.1");
    session.send("go");
    session.position() = CPosition();
    EXPECT_TRUE(session.legalMove(5));
}

TEST(ProtocolXboard, HopelessEngineResigns)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    session.send("new");
    session.send("force");
    ASSERT_TRUE(session.setBoard("4k3/8/8/8/8/8/8/RQQ1K3 b - - 0 1"));
    session.send("st 0.1");
    session.send("go");
    int engineMoves = 0;
    for (; engineMoves < 3; ++engineMoves) {
        ASSERT_TRUE(session.legalMove(5));
        if (engineMoves == 2)
            break;
        // White shuffles its king; Black's position stays lost.
        Move reply = NO_MOVE;
        for (Move candidate : legalMoves(session.position())) {
            if (movePiece(candidate) == KING) {
                reply = candidate;
                break;
            }
        }
        ASSERT_NE(reply, NO_MOVE);
        ASSERT_TRUE(session.opponentMove(coordinate(reply)));
    }
    EXPECT_TRUE(session.engine().waitFor("\nresign\n", 5));
}

// What xboard sends while the engine ponders (clock lines, take-backs, a new game, analysis)
// is carried out as the idle loop would; only a move is a ponder hit or miss.
TEST(ProtocolXboard, CommandsWhilePonderingAreNotMoves)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    CEngineProcess& engine = session.engine();
    session.send("new");
    session.send("st 0.3");
    session.send("hard");
    // The engine's reply must be legal on the interface's board; then it ponders on `predicted`.
    std::string predicted;
    auto replyAndPonder = [&] {
        std::string move = session.engineMove(10);
        EXPECT_EQ(move.find("illegal"), std::string::npos) << move << " in " << session.position().toFen();
        bool pondering = !move.empty() && session.lineAfter(" Pondering ", predicted, 10) &&
                         engine.waitFor(" Ply", 10);
        EXPECT_TRUE(pondering) << engine.pending();
        return pondering && move.find("illegal") == std::string::npos;
    };
    auto anyOpponentMove = [&] { return session.opponentMove(coordinate(legalMoves(session.position())[0])); };
    ASSERT_TRUE(session.opponentMove("e2e4"));
    ASSERT_TRUE(replyAndPonder());

    // Clock lines keep the ponder search going: the predicted move is then a hit, which sets up
    // no new search before the reply.
    session.send("time 6000");
    session.send("otim 6000");
    Move hit = NO_MOVE;
    ASSERT_TRUE(session.position().parseMove(predicted.substr(0, predicted.size() - 3), hit)) << predicted;
    ASSERT_TRUE(session.opponentMove(coordinate(hit)));
    ASSERT_TRUE(engine.waitFor("\nmove ", 10));
    EXPECT_EQ(engine.consumed().find("SetupTime("), std::string::npos) << engine.consumed();
    ASSERT_TRUE(engine.waitFor("\n", 5));
    std::string move = engine.consumed();
    ASSERT_TRUE(session.playOnBoard(move.substr(0, move.find_first_of("\r\n")))) << move;
    ASSERT_TRUE(session.lineAfter(" Pondering ", predicted, 10) && engine.waitFor(" Ply", 10));

    // Take-backs: remove (two half-moves), then the opponent plays another move.
    session.send("remove");
    ASSERT_TRUE(session.takeBack(2));
    ASSERT_TRUE(anyOpponentMove());
    ASSERT_TRUE(replyAndPonder());
    // undo (one half-move): the engine is to move again and does so when told.
    session.send("undo");
    ASSERT_TRUE(session.takeBack(1));
    session.send("go");
    ASSERT_TRUE(replyAndPonder());
    // Move now means nothing while pondering; the game goes on.
    session.send("?");
    ASSERT_TRUE(anyOpponentMove());
    ASSERT_TRUE(replyAndPonder());
    // A new position, then analysis and its end, then a new game.
    ASSERT_TRUE(session.setBoard("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
    ASSERT_TRUE(anyOpponentMove());
    ASSERT_TRUE(replyAndPonder());
    session.send("analyze");
    session.send(".");
    ASSERT_TRUE(engine.waitFor("\nstat01: ", 10));
    session.send("exit");
    ASSERT_TRUE(anyOpponentMove());
    ASSERT_TRUE(replyAndPonder());
    session.send("new");
    session.position() = CPosition();
    session.send("go");
    ASSERT_TRUE(replyAndPonder());
    session.send("quit");
    EXPECT_EQ(engine.waitExit(5), 0);
    EXPECT_EQ(engine.output().find("Invalid move"), std::string::npos);
}

// An analysis with nothing to search (mate, stalemate, bare kings) waits for commands without
// using the processor, and the analysis commands keep working; so do idle-loop commands.
TEST(ProtocolXboard, AnalysisOfFinishedPositionsWaitsForCommands)
{
    CSession session;
    ASSERT_TRUE(session.handshake());
    CEngineProcess& engine = session.engine();
    auto cpuSeconds = [&engine] {
        std::ifstream stat("/proc/" + std::to_string(engine.pid()) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            ticks += i >= 14 ? std::atof(field.c_str()) : 0;  // user and system time
        return ticks / double(sysconf(_SC_CLK_TCK));
    };
    auto analysing = [&] {
        session.send(".");
        return engine.waitFor("\nstat01: ", 10);
    };
    session.send("new");
    session.send("force");
    for (const char* move : {"f2f3", "e7e5", "g2g4", "d8h4"})
        ASSERT_TRUE(session.opponentMove(move));
    session.send("analyze");
    ASSERT_TRUE(engine.waitFor(" No legal move to analyse (checkmate)\n", 10));
    double cpu = cpuSeconds();
    engine.readFor(1.0);
    EXPECT_LT(cpuSeconds() - cpu, 0.5);
    EXPECT_TRUE(analysing());
    // undo analyses the position before the mate; the mate again waits.
    session.send("undo");
    ASSERT_TRUE(engine.waitFor(" Ply", 10));
    session.send("d8h4");
    ASSERT_TRUE(engine.waitFor(" No legal move to analyse (checkmate)\n", 10));
    session.send("exit");
    session.send("new");
    session.send("st 0.2");
    session.send("go");
    session.position() = CPosition();
    EXPECT_TRUE(session.legalMove(10));

    // Stalemate, then bare kings (searched to the last iteration at once), then a new game.
    session.send("force");
    session.send("setboard k7/8/1Q6/8/8/8/8/7K b - - 0 1");
    session.send("analyze");
    ASSERT_TRUE(engine.waitFor(" No legal move to analyse (stalemate)\n", 10));
    session.send("setboard 8/8/8/3k4/8/3K4/8/8 w - - 0 1");
    ASSERT_TRUE(engine.waitFor(" Ply", 10));
    EXPECT_TRUE(analysing());
    cpu = cpuSeconds();
    engine.readFor(1.0);
    EXPECT_LT(cpuSeconds() - cpu, 0.5);
    session.send("new");
    ASSERT_TRUE(engine.waitFor(" Ply", 10));
    // Idle-loop commands, moves that are not moves and force leave the analysis running.
    for (const char* line : {"st 0.2", "name Opponent", "e9e4", "force", "result 1-0"}) {
        session.send(line);
        EXPECT_TRUE(analysing()) << line;
    }
    EXPECT_NE(engine.output().find("Invalid move: e9e4"), std::string::npos);
    session.send("exit");
    session.send("go");
    session.position() = CPosition();
    EXPECT_TRUE(session.legalMove(10));
    session.send("quit");
    EXPECT_EQ(engine.waitExit(5), 0);
    for (const char* line : {"exit", "new", "st", "name", "force", "result"})
        EXPECT_EQ(engine.output().find(std::string("Invalid move: ") + line), std::string::npos) << line;
}
