// The evaluation's terms on small positions, with every expected number worked out by hand
// from the default weights (the working is given beside each check). Whole sc printouts,
// worked out the same way, are pinned by the golden transcript sc.in / sc.out.
#include <gtest/gtest.h>

#include <climits>

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

int score(const std::string& fen)
{
    loadFen(fen);
    SetGameStage();
    return Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
}

// Value of the breakdown line whose text starts with 'what', INT_MIN when absent.
int termValue(const std::string& text, const std::string& what)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
    {
        size_t at = line.find(what);
        if (at == std::string::npos || line.find_first_not_of(' ') != at)
            continue;
        // Only blanks may stand between the text and the number.
        std::string rest = line.substr(at + what.size());
        size_t number = rest.find_first_not_of(' ');
        if (number != std::string::npos && number > 0 && rest.find(' ', number) == std::string::npos)
            return std::atoi(rest.c_str() + number);
    }
    return INT_MIN;
}

class EvalTerms : public ::testing::Test
{
protected:
    void SetUp() override { resetEvalParameters(); }
    void TearDown() override { resetEvalParameters(); }
};
}

TEST_F(EvalTerms, SpecialEndingsScoreZeroOrByTheKpkTable)
{
    // Drawn material (bare kings, a minor each or alone, a queen each, bishops on
    // one colour: c1 and e3 are dark), the wrong rook-pawn bishop (c1 does not
    // control a8) with the king at b7, and pawns on the a-file where the bishop's
    // side reaches the blockade first: dist(b1, b2) - 1 = 0 < dist(e5, a3) +
    // dist(a3, b2) = 4 + 1. The left-right mirror (h-file) likewise.
    for (const char* fen : {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/4KN2 w - - 0 1",
                            "4k3/8/8/8/8/8/8/4KB2 b - - 0 1", "4kb2/8/8/8/8/8/8/4KN2 w - - 0 1",
                            "3qk3/8/8/8/8/8/8/3QK3 w - - 0 1", "4k3/8/8/8/8/4B3/8/2B1K3 w - - 0 1",
                            "8/1k6/8/8/8/8/P7/K1B5 w - - 0 1", "8/8/8/4k3/p7/P7/8/1K3b2 w - - 0 1",
                            "8/8/8/3k4/7p/7P/8/2b3K1 w - - 0 1"})
        EXPECT_EQ(score(fen), 0) << fen;
    // Near misses are evaluated: a lone queen, bishops on both colours, the right
    // bishop, the king too far (6 - 1 = 5 is not below 5).
    for (const char* fen : {"4k3/8/8/8/8/8/8/3QK3 w - - 0 1", "4k3/8/8/8/8/4B3/8/3BK3 w - - 0 1",
                            "8/1k6/8/8/8/8/P7/K2B4 w - - 0 1", "7K/8/8/4k3/p7/P7/8/5b2 w - - 0 1",
                            "K7/8/8/3k4/7p/7P/8/2b5 w - - 0 1"})
        EXPECT_NE(score(fen), 0) << fen;
    // Rook against bishop without pawns: three quarters of the 2000 difference are
    // taken back (-1500), leaving about 2000 - 1500 + 375 (superiority) plus
    // positional terms; without the rule it would be above 2000.
    int rookBishop = score("4k3/8/8/8/8/8/5b2/R3K3 w - - 0 1");
    EXPECT_GT(rookBishop, 400);
    EXPECT_LT(rookBishop, 1300);
    // KPK: a rook pawn with the defending king in the corner is drawn; the king on
    // the 6th in front of its pawn wins for either side to move: Q + r - 100 with
    // 0 < r < 100 for the winner, r - Q + 100 for the loser.
    EXPECT_EQ(score("k7/8/8/8/8/8/P7/K7 w - - 0 1"), 0);
    int win = score("4k3/8/4K3/4P3/8/8/8/8 w - - 0 1");
    EXPECT_GT(win, 10001 - 100);
    EXPECT_LT(win, 10001);
    int loss = score("4k3/8/4K3/4P3/8/8/8/8 b - - 0 1");
    EXPECT_LT(loss, -10001 + 100);
    EXPECT_GT(loss, -10001);
    EXPECT_EQ(score("8/8/8/8/4p3/4k3/8/4K3 b - - 0 1"), score("4k3/8/4K3/4P3/8/8/8/8 w - - 0 1"));
}

TEST_F(EvalTerms, GameStageFollowsPiecePoints)
{
    auto stageOf = [](const char* fen) {
        loadFen(fen);
        SetGameStage();
        return GameStage();
    };
    EXPECT_EQ(stageOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), 0);
    // Without queens and one rook each: 31 - 14 = 17 points.
    EXPECT_EQ(stageOf("1nb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/1NB1KBNR w Kk - 0 1"), 1);
    // 26 against 25: no longer the Opening.
    EXPECT_EQ(stageOf("2bqkbnr/pppppppp/8/8/8/8/PPPPPPPP/1NBQKBNR w Kk - 0 1"), 1);
    // 14 points on one side (rook, knight... R+N+B+B = 14).
    EXPECT_EQ(stageOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RN2KBB1 w Qkq - 0 1"), 2);
}

TEST_F(EvalTerms, TermValuesOnSmallPositions)
{
    // INT_MIN: the term must not appear.
    struct { const char* fen; const char* term; int value; } cases[] = {
        // e5 against d7: d7 is in the front span, not passed; against d4 it is (pawnPassed[4]).
        {"4k3/3p4/8/4P3/8/8/8/4K3 w - - 0 1", "w pawn (e5) passed", INT_MIN},
        {"4k3/8/8/4P3/3p4/8/8/4K3 w - - 0 1", "w pawn (e5) passed", 407},
        // a5 with only b6 in its front span, defended from b4: potentially passed.
        {"4k3/8/1p6/P7/1P6/8/8/4K3 w - - 0 1", "w pawn (a5) potentially passed", 100},
        // Doubled c2/c3: each pawn charged -30, and each is isolated.
        {"4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", "w pawn (c2) doubled", -30},
        {"4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", "w pawn (c3) doubled", -30},
        {"4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", "w pawn (c2) isolated", -104},
        // Outside passers: White's a-pawn left of every black pawn, Black's h-pawn
        // right of every white pawn; lines without a square show White's view.
        {"4k3/5ppp/8/8/P7/8/8/4K3 w - - 0 1", "* **** () passed outside left", 100},
        {"4k3/5ppp/8/8/P7/8/8/4K3 w - - 0 1", "* **** () passed outside right", -100},
        // h2 stops h7 and leaves g7 only potentially passed (relative rank 1); g is
        // not right of every white pawn file.
        {"4k3/5ppp/8/8/P7/8/7P/4K3 w - - 0 1", "b pawn (g7) potentially passed", 20},
        {"4k3/5ppp/8/8/P7/8/7P/4K3 w - - 0 1", "* **** () passed outside right", INT_MIN},
        // f6+g6 against a lone knight, Black's king on a1: d = dist(a1, f8) 7 + 5 - 7 = 5:
        // (5 * 5 + 40) * 50; king on f7: d = -1: -1500; with a rook and a knight not at all.
        {"8/8/5PP1/8/8/8/8/k3K2n w - - 0 1", "w pawn (f6) conn passed 6th", 3250},
        {"8/5k2/5PP1/8/8/8/8/4K2n w - - 0 1", "w pawn (f6) conn passed 6th", -1500},
        {"8/8/PP3PP1/8/8/8/8/k3K2n w - - 0 1", "w pawn (a6) multi conn passed 6th", 3000},
        {"8/8/5PP1/8/8/8/8/k3K1rn w - - 0 1", "w pawn (f6) conn passed 6th", INT_MIN},
        // Queen f6 next to g7, which the knight h5 also covers: 750; 250 when a black
        // bishop covers g7; nothing without the knight.
        {"6k1/8/5Q2/7N/8/8/8/K7 w - - 0 1", "w queen (f6) contact check", 750},
        {"6k1/8/5Q1b/7N/8/8/8/K7 w - - 0 1", "w queen (f6) contact check", 250},
        {"6k1/8/5Q2/8/8/8/8/K7 w - - 0 1", "w queen (f6) contact check", INT_MIN},
        // Bishop a7 shut in by b6 and c7; without c7 not.
        {"4k3/B1p5/1p6/8/8/8/8/4K3 w - - 0 1", "w bishop (a7) trapped", -1500},
        {"4k3/B7/1p6/8/8/8/8/4K3 w - - 0 1", "w bishop (a7) trapped", INT_MIN},
        // Rooks on the open d-file in the Middle game: 167; supported by a rook on
        // the file (not beside it): 48 each. In the Endgame rookOnOpenFileEndgame.
        {"rn1qk2r/ppp2ppp/8/8/8/8/PPP2PPP/1N1RRQK1 w - - 0 1", "w rook (d1) open file", 167},
        {"rn1qk2r/ppp2ppp/8/8/8/8/PPP2PPP/1N1RRQK1 w - - 0 1", "w rook (d1) supported by rook", INT_MIN},
        {"rn1qk2r/ppp2ppp/8/8/8/3R4/PPP2PPP/1N1R1QK1 w - - 0 1", "w rook (d1) supported by rook", 48},
        {"rn1qk2r/ppp2ppp/8/8/8/3R4/PPP2PPP/1N1R1QK1 w - - 0 1", "w rook (d3) supported by rook", 48},
        {"4k3/ppp5/8/8/8/8/PPP5/3RK3 w - - 0 1", "w rook (d1) open file endgame", 80},
        {"4k3/ppp5/8/8/8/8/PPP5/3RK3 w - - 0 1", "w rook (d1) open file", INT_MIN},
        // Knight a1 reaches b3 and c2: an enemy knight on c2 leaves 2 squares (-50),
        // an enemy pawn there 1 (-150). (h-pawns keep it off the special endings.)
        {"4k3/7p/8/8/8/8/2n4P/N3K3 w - - 0 1", "w knight (a1) mobility bonus", -50},
        {"4k3/7p/8/8/8/8/2p4P/N3K3 w - - 0 1", "w knight (a1) mobility bonus", -150},
    };
    for (const auto& c : cases)
        EXPECT_EQ(termValue(scoreText(c.fen), c.term), c.value) << c.fen << " " << c.term;
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
    computePawnEntry(entry, false);
    EXPECT_EQ(entry.shelterDefects[SHELTER_WHITE_E1], 6);
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_MIDDLE), 1);
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_ENDGAME), 0);
    loadFen("4k3/8/8/8/8/8/4PPPP/4K2R w - - 0 1");
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_MIDDLE), 10);
    // Fianchetto: king g1 behind f2, bishop g2, g3, h2: g1 count = row g Adv1 2,
    // less kingDefectNpBishop 1 = 1 -> lookup[1] = 1, plus kingDefects(g1) = 0.
    loadFen("6k1/8/8/8/8/6P1/5PBP/6K1 w - - 0 1");
    computePawnEntry(entry, false);
    EXPECT_EQ(kingDefectValue(WHITE, entry, STAGE_OPENING), 1);
    // Shelter against material: Black's pieces set to 5000 each (15000 in all),
    // White V = 10 as above: (15000 - 5000) * 10 / 1024 = 97.
    setEvalParameterValue(*findEvalParameter("blackQueen"), 0, 5000);
    setEvalParameterValue(*findEvalParameter("blackRook"), 0, 5000);
    setEvalParameterValue(*findEvalParameter("blackBishop"), 0, 5000);
    std::string text = scoreText("qrb1k3/8/8/8/8/8/4PP2/2NQKR2 w - - 0 1");
    EXPECT_NE(text.find(" eval: white safety 0.097 (wdef 10, bmat 15000)\n"), std::string::npos) << text;
}

TEST_F(EvalTerms, OppositeBishopsAndLazyExits)
{
    // Endgame, 10 men, equal points, one bishop each on different colours.
    std::string text = scoreText("4k3/2p1b3/1p6/8/8/1P6/2P1B3/4K3 w - - 0 1");
    // e7 is dark (6 + 4 even), e2 light: rule applies; score = previous * 10 / 20.
    size_t at = text.find(" *B** opposite coloured bishops  ");
    ASSERT_NE(at, std::string::npos) << text;
    int change = std::atoi(text.c_str() + at + 33);
    int final = score("4k3/2p1b3/1p6/8/8/1P6/2P1B3/4K3 w - - 0 1");
    EXPECT_EQ(final, (final - change) * 10 / 20);
    // Same-coloured bishops: no such line.
    text = scoreText("4k3/2p2b2/1p6/8/8/1P6/2P1B3/4K3 w - - 0 1");
    EXPECT_EQ(text.find("opposite coloured"), std::string::npos);

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
