// King shelter and the lazy exits, with the expected numbers worked out by hand from the
// default weights. The terms of sc printouts (special endings, game stages, passed pawns,
// rooks, knights, bishops, queens) are pinned by the golden transcripts sc.in and terms.in.
#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "eval/kingsafety.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "eval/terms.h"
#include "support/helpers.h"

namespace
{
// The sc printout of a position.
std::string scoreText(const std::string& fen)
{
    loadFen(fen);
    CCapture capture;
    printScore();
    return capture.take();
}

class EvalTerms : public ::testing::Test
{
protected:
    void SetUp() override { resetEvalParameters(); }
    void TearDown() override { resetEvalParameters(); }
};
}

TEST_F(EvalTerms, KingShelterAndDefects)
{
    loadFen("6k1/8/8/8/8/8/5PPP/6K1 w - - 0 1");
    EXPECT_EQ(shelterCount(WHITE, 6), 0);
    loadFen("6k1/8/8/8/8/7P/5PP1/6K1 w - - 0 1");
    EXPECT_EQ(shelterCount(WHITE, 6), 1);  // row h, advanced one
    loadFen("6k1/8/8/8/8/8/5PP1/6K1 w - - 0 1");
    EXPECT_EQ(shelterCount(WHITE, 6), 4);  // row h, missing
    EXPECT_EQ(shelterCount(WHITE, 7), 4);  // the h-file counts as the g-file
    // King e1 with e2, f2, g2, h2 (d-pawn missing: e1 count 6, g1 count 0), castling
    // king side allowed, f1 and g1 empty: n = 3, D = min(6, (0 * 6 + 3 * 0) / 3) = 0,
    // V = lookup[0] + kingDefects(e1) = 1. Without the right, V = lookup[6] + 1 = 10.
    loadFen("4k3/8/8/8/8/8/4PPPP/4K2R w K - 0 1");
    PawnHashEntry entry;
    computePawnEntry<false>(entry);
    EXPECT_EQ(entry.shelterDefects[SHELTER_WHITE_E1], 6);
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_MIDDLE), 1);
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_ENDGAME), 0);
    loadFen("4k3/8/8/8/8/8/4PPPP/4K2R w - - 0 1");
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_MIDDLE), 10);
    // Fianchetto: king g1 behind f2, bishop g2, g3, h2: g1 count = row g Adv1 2,
    // less kingDefectNpBishop 1 = 1 -> lookup[1] = 1, plus kingDefects(g1) = 0.
    loadFen("6k1/8/8/8/8/6P1/5PBP/6K1 w - - 0 1");
    computePawnEntry<false>(entry);
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_OPENING), 1);
    // Shelter against material: Black's pieces set to 5000 each (15000 in all),
    // White V = 10 as above: (15000 - 5000) * 10 / 1024 = 97.
    setEvalParameterValue(*findEvalParameter("blackQueen"), 0, 5000);
    setEvalParameterValue(*findEvalParameter("blackRook"), 0, 5000);
    setEvalParameterValue(*findEvalParameter("blackBishop"), 0, 5000);
    std::string text = scoreText("qrb1k3/8/8/8/8/8/4PP2/2NQKR2 w - - 0 1");
    EXPECT_NE(text.find(" eval: white safety 0.097 (wdef 10, bmat 15000)\n"), std::string::npos) << text;
}

TEST_F(EvalTerms, LazyExitsGiveTheMaterialScore)
{
    // After evaluations have raised the margins, a window far from the material
    // score returns the material score M itself.
    loadFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1");
    SetGameStage();
    EXPECT_EQ(maxEvalDiffPart1(), 0);
    int full = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
    EXPECT_GT(maxEvalDiffPart1() + maxEvalDiffPart2(), 0);
    EXPECT_EQ(Evaluate(100000, 100001), 0);  // material is level
    EXPECT_EQ(Evaluate(-100001, -100000), 0);
    EXPECT_EQ(Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW), full);
    SetGameStage();
    EXPECT_EQ(maxEvalDiffPart1(), 0);
    EXPECT_EQ(maxEvalDiffPart2(), 0);
}
