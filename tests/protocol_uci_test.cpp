// The engine binary driven over pipes by a UCI interface, and the xboard commands that sit
// beside the protocol's original ones (ping, memory, name, cores).
#include "board/position.h"
#include "support/engineprocess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

namespace
{
const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// The engine's start-up ends with the report on its third book (none in a fresh folder).
const char* const STARTUP_END = "tertiary.hbk\"\nReason: The file does not exist\n";

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The move of a "bestmove" line (its second word), read up to the line end.
std::string bestMove(CEngineProcess& engine, double timeout)
{
    if (!engine.waitFor("bestmove ", timeout) || !engine.waitFor("\n", 5))
        return "";
    std::istringstream line(engine.consumed());
    std::string move;
    line >> move;
    return move;
}

// Whether the move is legal after the moves of a "position startpos|fen ... [moves ...]" line.
bool legalAfter(const std::string& positionLine, const std::string& move)
{
    std::istringstream words(positionLine);
    std::string word, fen;
    words >> word >> word;
    if (word == "fen")
        while (words >> word && word != "moves")
            fen += (fen.empty() ? "" : " ") + word;
    else
        words >> word;
    CPosition position;
    if (!position.setFromFen(fen.empty() ? START_FEN : fen))
        return false;
    Move parsed = NO_MOVE;
    while (words >> word) {
        if (!position.parseMove(word, parsed))
            return false;
        position.makeMove(parsed);
    }
    return move.size() >= 4 && position.parseMove(move, parsed);
}
}  // namespace

TEST(ProtocolXboardAdditions, PingNameCoresAndMemory)
{
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-hash", "4"}, CEngineProcess::makeTempDir()));
    engine.send("xboard");
    engine.send("protover 2");
    ASSERT_TRUE(engine.waitFor("feature ping=1 memory=1\nfeature done=1\n", 30)) << engine.output();

    // Idle: the commands an interface sends at a game's start are taken silently, and the pong
    // comes at once.
    engine.send("name Some Opponent");
    engine.send("cores 2");
    engine.send("ping 7");
    ASSERT_TRUE(engine.waitFor("pong 7\n", 10));
    EXPECT_EQ(engine.consumed().find("Invalid move"), std::string::npos) << engine.consumed();
    engine.send("memory 16");
    ASSERT_TRUE(engine.waitFor(" Hash table size set to: ", 10));

    // Thinking on its own move: the pong follows the move.
    engine.send("new");
    engine.send("st 1");
    engine.send("go");
    ASSERT_TRUE(engine.waitFor(" Ply    CE", 10));
    engine.send("ping 8");
    ASSERT_TRUE(engine.waitFor("pong 8\n", 30)) << engine.output();
    EXPECT_NE(engine.consumed().find("\nmove "), std::string::npos) << engine.consumed();

    engine.closeInput();
    EXPECT_EQ(engine.waitExit(30), 0);
}

TEST(ProtocolUci, SessionSpeaksOnlyUci)
{
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-hash", "4"}, CEngineProcess::makeTempDir()));
    ASSERT_TRUE(engine.waitFor(STARTUP_END, 30));
    const size_t sessionStart = engine.output().size();

    engine.send("uci");
    ASSERT_TRUE(engine.waitFor("uciok\n", 30));
    const std::string handshake = engine.consumed();
    for (const char* expected : {"id name Vekran", "id author ", "option name Hash type spin default 4 min 1 max ",
                                 "option name Ponder type check default false\n",
                                 "option name OwnBook type check default true\n",
                                 "option name BookFile type string default primary.hbk\n",
                                 "option name Clear Hash type button\n"})
        EXPECT_NE(handshake.find(expected), std::string::npos) << expected << "\n" << handshake;

    engine.send("setoption name Hash value 16");
    engine.send("isready");
    ASSERT_TRUE(engine.waitFor("readyok\n", 30));
    EXPECT_NE(engine.consumed().find("info string Hash table size set to: "), std::string::npos);

    // Searches that end by themselves; castling is the king's two-square move both ways.
    struct Case
    {
        const char* position;
        const char* go;
        const char* expected;  // "" for any legal move
    } cases[] = {
        {"position startpos moves e2e4 e7e5", "go depth 3", ""},
        {"position startpos moves e2e4 e7e5 g1f3 g8f6 f1c4 f8c5 e1g1", "go depth 2", ""},
        {"position fen 8/8/8/8/N3B3/5N2/3PPP2/2k1K2R w K - 0 1", "go depth 3", "e1g1"},
        {"position startpos moves d2d4", "go wtime 3000 btime 3000 winc 100 binc 100", ""},
        {"position startpos", "go movetime 200", ""},
    };
    for (const Case& c : cases) {
        engine.send(c.position);
        engine.send(c.go);
        std::string move = bestMove(engine, 30);
        EXPECT_TRUE(legalAfter(c.position, move)) << c.position << " -> " << move;
        if (*c.expected) {
            EXPECT_EQ(move, c.expected) << c.position;
        }
    }
    EXPECT_NE(engine.output().find("score mate 1 "), std::string::npos);

    // go infinite answers isready at once and ends only on stop.
    engine.send("position startpos");
    engine.send("go infinite");
    ASSERT_TRUE(engine.waitFor("info depth 2 ", 30));
    auto asked = std::chrono::steady_clock::now();
    engine.send("isready");
    ASSERT_TRUE(engine.waitFor("readyok\n", 10));
    EXPECT_LT(secondsSince(asked), 1.0);
    EXPECT_EQ(engine.consumed().find("bestmove"), std::string::npos);
    engine.send("stop");
    EXPECT_TRUE(legalAfter("position startpos", bestMove(engine, 10)));

    // go ponder searches until ponderhit turns it into the engine's own timed search, even
    // when it has finished early (here: a mate in one is found at once).
    for (const char* position : {"position startpos moves e2e4 e7e5 g1f3",
                                  "position fen 8/8/8/8/N3B3/5N2/2kPPP2/4K2R b K - 0 1 moves c2c1"}) {
        engine.send(position);
        engine.send("go ponder wtime 3000 btime 3000");
        ASSERT_TRUE(engine.waitFor("info depth 2 ", 30));
        engine.send("isready");
        ASSERT_TRUE(engine.waitFor("readyok\n", 10));
        EXPECT_EQ(engine.consumed().find("bestmove"), std::string::npos) << position;
        engine.send("ponderhit");
        EXPECT_TRUE(legalAfter(position, bestMove(engine, 30))) << position;
    }

    engine.send("quit");
    EXPECT_EQ(engine.waitExit(30), 0);
    // From "uci" on, every line is a UCI line.
    std::istringstream session(engine.output().substr(sessionStart));
    for (std::string line; std::getline(session, line);) {
        bool uciLine = false;
        for (const char* word : {"id ", "option ", "uciok", "readyok", "info ", "bestmove "})
            uciLine = uciLine || line.compare(0, std::string(word).size(), word) == 0;
        EXPECT_TRUE(uciLine) << "[" << line << "]";
    }
}
