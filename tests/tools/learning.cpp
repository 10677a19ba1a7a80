// Temporal-difference learning: on a constructed game record, and through the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "eval/evaluate.h"
#include "eval/learning.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "support/engineprocess.h"
#include "support/helpers.h"

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
    for (size_t ply = from + 1; ply <= to; ++ply)
        playOnBoard(moveToCoordinate(moves[ply]));
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
    CPosition position = positionFromFen(START);
    for (const char* san : GAME)
    {
        played.push_back(NO_MOVE);
        ASSERT_TRUE(position.parseMove(san, played.back())) << san;
        position.makeMove(played.back());
        after.push_back(position);
    }
    std::vector<LearningMove> moves;
    for (size_t ply = 0; ply + 2 < PLIES; ply += 2)
    {
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
    for (const EvalParameterEntry* entry = evalParameterTable(); entry->label; ++entry)
    {
        const int32_t* old =
            reinterpret_cast<const int32_t*>(&defaults) + (entry->values - &evalParams().blackQueen[0]);
        const bool fixed = learningKind(entry->label) == LEARN_FIXED &&
                           std::find(followers.begin(), followers.end(), entry->label) == followers.end();
        const EvalParameterEntry* link =
            learningLink(entry->label) ? findEvalParameter(learningLink(entry->label)) : nullptr;
        for (int i = 0; i < entry->count; ++i)
        {
            EXPECT_TRUE(!fixed || entry->values[i] == old[i]) << entry->label << "[" << i << "]";
            EXPECT_TRUE(!link || entry->values[i] == link->values[i]) << entry->label;
        }
    }
    EXPECT_GT(learned.blackRook[0], defaults.blackRook[0]);
    EXPECT_LT(learned.blackKnight[0], defaults.blackKnight[0]);
    EXPECT_NE(std::memcmp(learned.pawnPosEval, defaults.pawnPosEval, sizeof defaults.pawnPosEval), 0);
    for (int i = 0; i < 192; ++i)
    {
        EXPECT_EQ(evalDerived().whitePawnPosEval[i ^ 56], learned.pawnPosEval[i]) << i;
        EXPECT_EQ(evalDerived().whiteKnightPosEval[i ^ 56], learned.knightPosEval[i]) << i;
    }
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
    for (int move = 0; move < 4; ++move)
    {
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
