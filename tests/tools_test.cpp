// The EPD runner (a golden transcript through the real engine, and its summary) and
// temporal-difference learning (on a constructed game record, and through the engine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "board/board.h"
#include "eval/evaluate.h"
#include "eval/learning.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "base/output.h"
#include "support/engineprocess.h"
#include "tools/epd.h"

namespace
{
const std::string GOLDEN = std::string(VEKRAN_TEST_DATA) + "/golden/epd/";
const char* const RULE = " ======================================================\n";

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Compares with the expected file, or rewrites it when VEKRAN_UPDATE_GOLDEN is set.
void expectGolden(const std::string& name, const std::string& actual)
{
    if (std::getenv("VEKRAN_UPDATE_GOLDEN"))
        std::ofstream(GOLDEN + name, std::ios::binary) << actual;
    EXPECT_EQ(fileText(GOLDEN + name), actual) << name;
}

// The runner's own lines: the search output of each test (from " Test [..]..." to the rule of
// its result) is left out, and the solve times, which vary, are masked.
std::string runnerText(const std::string& output)
{
    static const std::regex TEST_START(R"(^ Line \d+: Test \[.*\]\.\.\.$)");
    static const std::regex TABLE_LINE(R"(^ *\d+( +\d+\.\d\d| \*fail\*|  #bad#)+$)");
    static const std::regex TIME(R"(\d+\.\d\d(?= seconds \[|$| ))");
    static const std::regex AVERAGE(R"((solutions: )\S+( seconds))");
    std::istringstream in(output);
    std::string line, text, skipped;
    bool inSearch = false;
    while (std::getline(in, line))
    {
        if (inSearch && line != " --------------------------------------------")
        {
            skipped = line;
            continue;
        }
        if (inSearch && skipped == " ")
            text += " \n";
        inSearch = std::regex_match(line, TEST_START);
        if (line.find(": passed in ") != std::string::npos || std::regex_match(line, TABLE_LINE))
            line = line.substr(0, 3) + std::regex_replace(line.substr(3), TIME, "#.##");
        text += std::regex_replace(line, AVERAGE, "$1#$2") + "\n";
    }
    return text;
}

// Waits until the engine has answered one more epd command (an error, or its whole summary).
bool waitForEpdAnswer(CEngineProcess& engine, long answers)
{
    static const std::regex ANSWER("Invalid parameters\n| file for (input|output)\n|=\n \n");
    for (int tenths = 0; tenths < 600; engine.readFor(0.1), ++tenths) {
        const std::string& out = engine.output();
        if (std::distance(std::sregex_iterator(out.begin(), out.end(), ANSWER), std::sregex_iterator()) >= answers)
            return true;
    }
    return false;
}
}  // namespace

// A small suite with CRLF line ends: a bm test, an am-only test, a line with neither, a bad
// FEN, bad and unplayable operands, the errors of the command, an output file and one test.
TEST(EpdRunner, SuiteTranscriptAndResultFile)
{
    const std::string dir = CEngineProcess::makeTempDir();
    std::string suite = std::regex_replace(fileText(GOLDEN + "suite.epd"), std::regex("\n"), "\r\n");
    std::ofstream(dir + "/suite.epd", std::ios::binary) << suite;
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({}, dir));
    std::istringstream script(fileText(GOLDEN + "run.in"));
    long answers = 0;
    for (std::string line; std::getline(script, line);) {
        ASSERT_TRUE(engine.send(line));
        ASSERT_TRUE(line.rfind("epd", 0) != 0 || waitForEpdAnswer(engine, ++answers)) << line;
    }
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(10), 0);
    expectGolden("run.out", runnerText(engine.output()));
    // The suite was not touched; the results carry the search's figures (counts masked).
    EXPECT_EQ(fileText(dir + "/suite.epd"), suite);
    expectGolden("results.epd", std::regex_replace(fileText(dir + "/results.epd"), std::regex("(ac[ns]) \\d+;"), "$1 #;"));
    std::filesystem::remove_all(dir);
}

TEST(EpdRunner, SummaryWithoutTestsAndScaledHistogram)
{
    std::string text;
    setOutputCapture(&text);
    CEpdSummary().print(5, true);
    CEpdSummary many;
    for (int i = 0; i < 60; ++i)
        many.addPassed(0.5);
    many.addPassed(11.0);
    many.addFailed();
    many.print(5, false);
    setOutputCapture(nullptr);
    EXPECT_NE(text.find("      Number of solutions found: 0/0\n Average time to find solutions: 0 seconds\n"
                        "     RMS time to find solutions: 0 seconds\n" + std::string(RULE)),
              std::string::npos);
    // 60 tests within one second scale the bars to 50; the empty bins between stay.
    EXPECT_NE(text.find("   1s:   60   +60 |" + std::string(50, '#') + "  (98.4%)\n   2s:   60    +0 |  (0.0%)\n"),
              std::string::npos);
    EXPECT_NE(text.find("  12s:   61    +1 |#  (1.6%)\n" + std::string(RULE) + " \n"), std::string::npos);
    EXPECT_EQ(text.find(" *fail*"), std::string::npos);
}

namespace
{
// A short game from an opening where White (the engine, moving at the even plies) has the
// exchange: unequal numbers of rooks and knights make the linked material values learnable.
const char* const START = "2bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/R1BQK2R w Kk - 4 4";
const char* const GAME[] = {"O-O", "Be7", "Re1", "O-O", "c3", "d6", "d4", "Bg4", "h3", "Bh5", "Be3", "a6", "Qb3"};
constexpr size_t PLIES = sizeof(GAME) / sizeof(GAME[0]);

// White's score at the end of the game's line from the position after ply `from` to ply `to`.
int whiteScoreAt(const std::vector<CPosition>& after, const std::vector<Move>& moves, size_t from, size_t to)
{
    CBoard::load(after[from]);
    SetGameStage();
    for (size_t ply = from + 1; ply <= to; ++ply) {
        CMoveList legal;
        CBoard::generateLegalMoves(legal);
        for (Move candidate : legal)
            if (sameMove(candidate, moves[ply]))
                CBoard::makeMove(candidate);
    }
    invalidatePawnHashEntry(CBoard::pawnKey());
    int score = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
    return CBoard::sideToMove() == WHITE ? score : -score;
}
}  // namespace

TEST(Learning, StepsTowardsTheResultKeepingFixedLinkedAndMirroredValues)
{
    resetEvalParameters();
    // Each engine move with the next two plies of the game as its line, scored as a search would.
    std::vector<CPosition> after;
    std::vector<Move> played;
    CPosition position;
    ASSERT_TRUE(position.setFromFen(START));
    for (const char* san : GAME) {
        played.push_back(NO_MOVE);
        ASSERT_TRUE(position.parseMove(san, played.back())) << san;
        position.makeMove(played.back());
        after.push_back(position);
    }
    std::vector<LearningMove> moves;
    for (size_t ply = 0; ply + 2 < PLIES; ply += 2) {
        LearningMove move;
        move.position = after[ply];
        move.pv.assign(played.begin() + long(ply), played.begin() + long(ply) + 3);
        move.score = whiteScoreAt(after, played, ply, ply + 2);
        move.marker = 1;
        move.reply = move.pv[1];
        moves.push_back(move);
    }
    auto lastLeaf = [&] { return whiteScoreAt(after, played, PLIES - 3, PLIES - 1); };
    const int before = lastLeaf();
    const EvalParameters defaults = evalParams();

    LearningOutcome won = learnFromGame(moves, WHITE, 1);
    EXPECT_EQ(won.usable, int(moves.size()));
    const int afterWin = lastLeaf();
    const EvalParameters learned = evalParams();
    // Values not learned stay (the white material values follow the black ones they are linked
    // to); linked values are equal; mirrored tables keep their white copies.
    const std::vector<std::string> followers = {"whiteQueen", "whiteRook", "whiteBishop", "whiteKnight"};
    for (const EvalParameterEntry* entry = evalParameterTable(); entry->label; ++entry) {
        const int32_t* old = reinterpret_cast<const int32_t*>(&defaults) + (entry->values - &evalParams().blackQueen[0]);
        const bool fixed = learningKind(entry->label) == LEARN_FIXED &&
                           std::find(followers.begin(), followers.end(), entry->label) == followers.end();
        const EvalParameterEntry* link = learningLink(entry->label) ? findEvalParameter(learningLink(entry->label)) : nullptr;
        for (int i = 0; i < entry->count; ++i) {
            EXPECT_TRUE(!fixed || entry->values[i] == old[i]) << entry->label << "[" << i << "]";
            EXPECT_TRUE(!link || entry->values[i] == link->values[i]) << entry->label;
        }
    }
    EXPECT_GT(learned.blackRook[0], defaults.blackRook[0]);
    EXPECT_LT(learned.blackKnight[0], defaults.blackKnight[0]);
    EXPECT_NE(std::memcmp(learned.pawnPosEval, defaults.pawnPosEval, sizeof defaults.pawnPosEval), 0);
    for (int i = 0; i < 192; ++i) {
        EXPECT_EQ(evalDerived().whitePawnPosEval[i ^ 56], learned.pawnPosEval[i]) << i;
        EXPECT_EQ(evalDerived().whiteKnightPosEval[i ^ 56], learned.knightPosEval[i]) << i;
    }
    // The learned values are saved and load back exactly.
    const std::string path = CEngineProcess::makeTempDir() + "/learned.eval";
    std::string error;
    ASSERT_TRUE(saveEvalParameters(path, "tag", error));
    resetEvalParameters();
    ASSERT_TRUE(loadEvalParameters(path, "tag", error)) << error;
    EXPECT_EQ(std::memcmp(&evalParams(), &learned, sizeof learned), 0);

    // A loss moves the other way; a move without search information stops it all.
    resetEvalParameters();
    learnFromGame(moves, WHITE, -1);
    EXPECT_GT(afterWin, before);
    EXPECT_LT(lastLeaf(), before);
    resetEvalParameters();
    moves[1].marker = 0;
    EXPECT_TRUE(learnFromGame(moves, WHITE, 1).stopped);
    EXPECT_EQ(std::memcmp(&evalParams(), &defaults, sizeof defaults), 0);
}

// Through the engine, which plays both sides and ends up Black: a draw neither learns nor
// writes; a win writes the learning file, which the next start with -td loads.
TEST(Learning, ResultCommandSavesTheLearningFileThatTheNextStartLoads)
{
    const std::string dir = CEngineProcess::makeTempDir();
    const std::string file = dir + "/vek300.3.4-td.eval";
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-td"}, dir));
    for (const std::string& line : std::vector<std::string>{"xboard", "new", "sd 3", std::string("setboard ") + START})
        engine.send(line);
    for (int move = 0; move < 4; ++move) {
        engine.send("go");
        ASSERT_TRUE(engine.waitFor("\nmove ", 30)) << move;
    }
    engine.send("result 1/2-1/2 {agreed}");
    engine.send("fen");
    ASSERT_TRUE(engine.waitFor(" fen ", 10));
    EXPECT_FALSE(std::filesystem::exists(file));
    engine.send("result 0-1 {Black mates}");
    ASSERT_TRUE(engine.waitFor("pawnStormQueenside[64]\n", 30));
    EXPECT_NE(engine.consumed().find("\nblackKnight[1]\npawnDoubled[1]\n"), std::string::npos);
    EXPECT_EQ(engine.consumed().find("develKnight["), std::string::npos);
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(10), 0);
    ASSERT_TRUE(std::filesystem::exists(file));
    CEngineProcess again;
    ASSERT_TRUE(again.start({"-td"}, dir));
    EXPECT_TRUE(again.waitFor("Evaluation values loaded successfully.\n", 10));
    again.send("quit");
    EXPECT_EQ(again.waitExit(10), 0);
    std::filesystem::remove_all(dir);
}
