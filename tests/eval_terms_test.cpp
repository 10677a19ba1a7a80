// The evaluation's terms on small positions, with every expected number worked
// out by hand from the default weights (the working is given beside each check),
// and the sc printout compared line by line.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/kingsafety.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "eval/terms.h"
#include "base/output.h"

namespace
{
void loadFen(const std::string& fen)
{
    CPosition position;
    ASSERT_TRUE(position.setFromFen(fen)) << fen;
    ASSERT_TRUE(CBoard::load(position)) << fen;
}

// The sc printout of a position.
std::string scoreText(const std::string& fen)
{
    loadFen(fen);
    std::string text;
    std::string* previous = setOutputCapture(&text);
    printScore();
    setOutputCapture(previous);
    return text;
}

int score(const std::string& fen)
{
    loadFen(fen);
    SetGameStage();
    return Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
}

// One term line: " " + indent + text left-aligned in 40 columns + " " + value in 6.
std::string term(const char* indent, const char* text, int value)
{
    char line[128];
    std::snprintf(line, sizeof(line), " %s%-40s %6d\n", indent, text, value);
    return line;
}
const char* W = "";
const char* B = "      ";

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

TEST_F(EvalTerms, StartPositionPrintout)
{
    // Pawns: a2/h2 have one neighbour file (singly connected 20), b2..g2 two (35);
    // nothing is passed, isolated or weak. Kings on e1/e8 with pawns on d, e, f on
    // their 2nd rank: shelter count 0, defect V = lookup[0] + kingDefects(e1) = 0 + 1;
    // Black's pieces 2*3497 + 2*3505 + 2*5505 + 10001 = 35015, so the shelter costs
    // (35015 - 5000) * 1 / 1024 = 29. Undeveloped: rooks 2*20, knights 2*50,
    // bishops 2*(30 + 40, both blocked by b2/d2 and e2/g2), queen 10 = 290 each.
    // Piece-square (Opening, stored row 7 / row 6 as White sees rank 1 / rank 2):
    // pawns b..g 5 10 -50 -50 10 5, knights -150, bishops -81 and -79, queen -1,
    // king 1. Knights reach 2 free squares (-50), rooks see no empty rank square (-30).
    // Queen d1 to e8: min(7, 1) = 1, queen attack bonus 4 -> lookup[4] = 40 and
    // attack-defects 4 * 1. Bishop pair 257. White sum: -70 - 400 - 160 - 60 - 1 + 70
    // + 40 + 4 + 257 = -320.
    std::string expected = " Game stage: Opening\n";
    expected += term(W, "w pawn (a2) singly connected", 20);
    for (const char* sq : {"b2", "c2", "d2", "e2", "f2", "g2"})
        expected += term(W, ("w pawn (" + std::string(sq) + ") doubly connected").c_str(), 35);
    expected += term(W, "w pawn (h2) singly connected", 20);
    expected += term(B, "b pawn (h7) singly connected", 20);
    for (const char* sq : {"g7", "f7", "e7", "d7", "c7", "b7"})
        expected += term(B, ("b pawn (" + std::string(sq) + ") doubly connected").c_str(), 35);
    expected += term(B, "b pawn (a7) singly connected", 20);
    expected += " eval: white safety 0.029 (wdef 1, bmat 35015)\n";
    expected += " eval: black safety 0.029 (bdef 1, wmat 35015)\n";
    expected += " *** king safety:          white: -0.029  black: -0.029\n";
    expected += " development 0 (290 290)\n";
    const int pawnPst[6] = {5, 10, -50, -50, 10, 5};
    const char* whitePawns[6] = {"b2", "c2", "d2", "e2", "f2", "g2"};
    const char* blackPawns[6] = {"g7", "f7", "e7", "d7", "c7", "b7"};
    for (int i = 0; i < 6; ++i)
        expected += term(W, ("w pawn (" + std::string(whitePawns[i]) + ") static eval").c_str(), pawnPst[i]);
    for (int i = 0; i < 6; ++i)
        expected += term(B, ("b pawn (" + std::string(blackPawns[i]) + ") static eval").c_str(), pawnPst[5 - i]);
    expected += term(W, "w knight (b1) static eval", -150) + term(W, "w knight (b1) mobility bonus", -50);
    expected += term(W, "w knight (g1) static eval", -150) + term(W, "w knight (g1) mobility bonus", -50);
    expected += term(B, "b knight (g8) static eval", -150) + term(B, "b knight (g8) mobility bonus", -50);
    expected += term(B, "b knight (b8) static eval", -150) + term(B, "b knight (b8) mobility bonus", -50);
    expected += term(W, "w bishop (c1) static eval", -81) + term(W, "w bishop (f1) static eval", -79);
    expected += term(B, "b bishop (f8) static eval", -79) + term(B, "b bishop (c8) static eval", -81);
    expected += term(W, "w rook (a1) rank mobility", -30) + term(W, "w rook (h1) rank mobility", -30);
    expected += term(B, "b rook (h8) rank mobility", -30) + term(B, "b rook (a8) rank mobility", -30);
    expected += term(W, "w queen (d1) static eval", -1) + term(W, "w queen (d1) attack bonus", 4);
    expected += term(B, "b queen (d8) static eval", -1) + term(B, "b queen (d8) attack bonus", 4);
    expected += term(W, "w king (e1) static eval", 1) + term(W, "w king (e1) with pawns bonus", 69);
    expected += term(B, "b king (e8) static eval", 1) + term(B, "b king (e8) with pawns bonus", 69);
    expected += " *** positional (white): P=-0.070 N=-0.400 B=-0.160 R=-0.060 Q=-0.001 K= 0.070\n";
    expected += " *** positional (black): P=-0.070 N=-0.400 B=-0.160 R=-0.060 Q=-0.001 K= 0.070\n";
    expected += " *** positional:           white: -0.621  black: -0.621\n";
    expected += " *** attack bonus:         white:  0.040  black:  0.040 (4 4)\n";
    expected += " *** attack defects bonus: white:  0.004  black:  0.004 (4*1 4*1)\n";
    expected += " *** pressure combo bonus: white:  0.000  black:  0.000 (0 0, 0 0)\n";
    expected += term(W, "w bishop (c1) bishop with bishop", 257);
    expected += term(B, "b bishop (f8) bishop with bishop", 257);
    expected += " *** final:                white: -0.320  black: -0.320\n";
    expected += " ============================\n";
    expected += "    material (w):  0.000\n pawn struct (w):  0.000\n king safety (w):  0.000\n";
    expected += " ============================\n";
    expected += " Score (white) 0.000\n";
    EXPECT_EQ(scoreText("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), expected);
}

TEST_F(EvalTerms, RookEndingPrintout)
{
    // K+R against K: 3 men but 5505 of piece material, so evaluated. Endgame.
    // Superiority: Black has fewer points, (8 - 0) * 750 / 16 = 375.
    // Rook a1: endgame square value of a corner -50; attacks a2..a8 and b1..e1,
    // 10 of them empty -> rookMobilityBonus[10] = 65; open file in the Endgame 80;
    // empty rank squares b1, c1, d1 -> rookRankMobility[3] = 17; no king attack
    // (min(7, 4) = 4). Kings e1/e8: endgame value -30 each.
    // White 112 - 30 = 82, Black -30; score 5505 + 375 + 82 + 30 = 5992.
    std::string expected = " Game stage: Endgame\n white material superiority bonus: 375\n";
    expected += term(W, "w rook (a1) static eval", -50) + term(W, "w rook (a1) mobility bonus", 65);
    expected += term(W, "w rook (a1) open file endgame", 80) + term(W, "w rook (a1) rank mobility", 17);
    expected += term(W, "w king (e1) static eval", -30) + term(B, "b king (e8) static eval", -30);
    expected += " *** positional (white): P= 0.000 N= 0.000 B= 0.000 R= 0.112 Q= 0.000 K=-0.030\n";
    expected += " *** positional (black): P= 0.000 N= 0.000 B= 0.000 R= 0.000 Q= 0.000 K=-0.030\n";
    expected += " *** positional:           white:  0.082  black: -0.030\n";
    expected += " *** attack bonus:         white:  0.000  black:  0.000 (0 0)\n";
    expected += " *** attack defects bonus: white:  0.000  black:  0.000 (0*0 0*0)\n";
    expected += " *** pressure combo bonus: white:  0.000  black:  0.000 (0 0, 0 0)\n";
    expected += " *** final:                white:  0.082  black: -0.030\n";
    expected += " ============================\n";
    expected += "    material (w):  5.505\n pawn struct (w):  0.000\n king safety (w):  0.000\n";
    expected += " ============================\n";
    expected += " Score (white) 5.992\n";
    EXPECT_EQ(scoreText("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"), expected);
    // Black to move sees the same position from the other side.
    EXPECT_EQ(score("4k3/8/8/8/8/8/8/R3K3 b - - 0 1"), -5992);
}

TEST_F(EvalTerms, PawnEndingPrintout)
{
    // d2 against e7: each pawn has the other in its front span (not passed, and not
    // potentially passed: unprotected, no pawn beside), both isolated -104.
    // Endgame squares: white d2 reads stored d7 = -50, black e7 = -40. Kings e1/e8
    // -30 each, each with one own pawn next to it (+23). White -50 - 7 = -57,
    // Black -40 - 7 = -47; score -10.
    std::string expected = " Game stage: Endgame\n";
    expected += term(W, "w pawn (d2) isolated", -104) + term(B, "b pawn (e7) isolated", -104);
    expected += term(W, "w pawn (d2) static eval", -50) + term(B, "b pawn (e7) static eval", -40);
    expected += term(W, "w king (e1) static eval", -30) + term(W, "w king (e1) with pawns bonus", 23);
    expected += term(B, "b king (e8) static eval", -30) + term(B, "b king (e8) with pawns bonus", 23);
    expected += " *** positional (white): P=-0.050 N= 0.000 B= 0.000 R= 0.000 Q= 0.000 K=-0.007\n";
    expected += " *** positional (black): P=-0.040 N= 0.000 B= 0.000 R= 0.000 Q= 0.000 K=-0.007\n";
    expected += " *** positional:           white: -0.057  black: -0.047\n";
    expected += " *** attack bonus:         white:  0.000  black:  0.000 (0 0)\n";
    expected += " *** attack defects bonus: white:  0.000  black:  0.000 (0*0 0*0)\n";
    expected += " *** pressure combo bonus: white:  0.000  black:  0.000 (0 0, 0 0)\n";
    expected += " *** final:                white: -0.057  black: -0.047\n";
    expected += " ============================\n";
    expected += "    material (w):  0.000\n pawn struct (w):  0.000\n king safety (w):  0.000\n";
    expected += " ============================\n";
    expected += " Score (white) -0.010\n";
    EXPECT_EQ(scoreText("4k3/4p3/8/8/8/8/3P4/4K3 w - - 0 1"), expected);
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

TEST_F(EvalTerms, DevelopmentTerm)
{
    // Both white knights out, White to move: A (Black, not to move) = 290,
    // B = 290 - 100 = 190; a = 29, b = 19, d = 10: 10 * ((10 * 29) / 8 + 4 * 10) = 760.
    std::string text = scoreText("rnbqkbnr/pppppppp/8/8/8/2N2N2/PPPPPPPP/R1BQKB1R w KQkq - 0 1");
    EXPECT_NE(text.find(" development 760 (290 190)\n"), std::string::npos) << text;
    // A bishop whose b2 and d2 are not both occupied is only undeveloped (30, no 40):
    // after b2-b3 White has 250; Black to move: a = 25, b = 29, d = -4:
    // 10 * ((-4 * 29) / 8 - 16) = 10 * (-14 - 16) = -300.
    text = scoreText("rnbqkbnr/pppppppp/8/8/8/1P6/P1PPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_NE(text.find(" development -300 (250 290)\n"), std::string::npos) << text;
}

TEST_F(EvalTerms, TermValuesOnSmallPositions)
{
    // INT_MIN: the term must not appear.
    struct Case
    {
        const char* fen;
        const char* term;
        int value;
    };
    const Case cases[] = {
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
    for (const Case& c : cases)
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
