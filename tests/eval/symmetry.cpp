// Whole-system checks of the evaluation over real games: the fast and the verbose evaluation
// agree, the pawn cache changes nothing, a board reached by make scores like the same position
// loaded afresh, the colour mirror of every position scores the same, and a windowed (lazy)
// evaluation gives the full score inside its window and a bound on the right side outside it.
// Also the teste command's own test.
#include <gtest/gtest.h>

#include <random>

#include "pgn/pgnreader.h"
#include "eval/evaluate.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "support/helpers.h"
#include "tools/evaltest.h"

namespace
{
int fullEvaluate() { return Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW); }

int verboseEvaluate()
{
    CCapture sink;
    return EvaluateVerbose(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
}

struct Checker
{
    int positions = 0;
    int failures = 0;
    std::mt19937 random{20240611};

    // With the lazy margins covering this position (the full evaluation just raised them),
    // a window around the score gives the score itself, one beside it a bound beyond it.
    bool windowsHold(int full)
    {
        for (int i = 0; i < 6; ++i)
        {
            const int alpha = full - 1500 + int(random() % 3000),
                      beta = alpha + 1 + int(random() % (i < 3 ? 50 : 1500));
            const int lazy = Evaluate(alpha, beta);
            if (alpha < full && full < beta ? lazy != full : full <= alpha ? lazy > alpha : lazy < beta)
            {
                ADD_FAILURE() << "window (" << alpha << ", " << beta << ") gives " << lazy << ", full " << full;
                return false;
            }
        }
        return true;
    }

    // The position is reached from 'parent' by 'move' (0: loaded directly).
    void check(const CPosition& position, const CPosition* parent, Move move)
    {
        if (!CBoard::load(position))
            return;
        ++positions;
        SetGameStage();
        int score = fullEvaluate();
        int again = fullEvaluate();  // now from the pawn cache
        int verbose = verboseEvaluate();
        bool windows = windowsHold(score);
        CBoard::load(mirroredPosition(position));
        SetGameStage();
        int mirrored = fullEvaluate();
        int made = score;
        if (parent && CBoard::load(*parent))
        {
            CBoard::makeMove(move);
            SetGameStage();
            made = fullEvaluate();
        }
        if (score != again || score != verbose || score != mirrored || score != made || !windows)
        {
            if (++failures <= 5)
                ADD_FAILURE() << position.toFen() << " eval " << score << " cached " << again << " verbose " << verbose
                              << " mirror " << mirrored << " after make " << made;
        }
    }

    void walk(const PgnNode* node, CPosition position)
    {
        // Main lines can be long: loop along them, recurse only into variations.
        while (node)
        {
            for (const PgnNode* child : node->children())
                if (child->isVariation())
                    walk(child, position);
            const PgnNode* next = node->mainChild();
            if (!next)
                break;
            CPosition parent = position;
            position.makeMove(next->move());
            check(position, &parent, next->move());
            node = next;
        }
    }
};
}

TEST(EvalSymmetry, EveryPositionOfTheTestGamesScoresLikeItsMirrorInAnyWindow)
{
    resetEvalParameters();
    Checker checker;
#ifdef VEKRAN_HEAVY_TESTS
    const int gamesPerFile = 1000000;
#else
    const int gamesPerFile = 20;
#endif
    for (const std::string& file : pgnFiles())
    {
        PgnLexer lexer(fileText(file));
        PgnGame game;
        std::string error;
        for (int n = 0; n < gamesPerFile && readPgnGame(lexer, game, error); ++n)
        {
            checker.check(game.startPosition(), nullptr, NO_MOVE);
            checker.walk(&game.root(), game.startPosition());
        }
    }
    // The FEN reader lets pawns stand on the edge ranks; the pawn masks and the squares in
    // front of such pawns must stay on the board.
    for (const char* fen : {"P3k2P/8/8/8/8/8/8/p3K2p w - - 0 1", "PP2k2P/p6p/8/8/8/8/P6P/pp2K2p b - - 0 1",
                            "rnbqkbnP/ppppppp1/8/8/8/8/1PPPPPPP/pNBQKBNR w - - 0 1",
                            "1k5P/7P/8/8/8/8/p7/p5K1 w - - 0 1", "P7/8/8/8/8/8/8/k1K5 b - - 0 1"})
        checker.check(positionFromFen(fen), nullptr, NO_MOVE);
    EXPECT_EQ(checker.failures, 0);
    std::printf("positions of the test games checked: %d\n", checker.positions);
#ifdef VEKRAN_HEAVY_TESTS
    EXPECT_GT(checker.positions, 15000);
#endif
}

TEST(EvalSymmetry, TestEvalCommandRunsCleanAndCatchesAsymmetry)
{
    std::string text;
    auto runTest = [&text] {
        clearPawnHashTable();
        CCapture capture;
        std::srand(7);
        bool clean = runEvaluationSymmetryTest(100000);
        text = capture.take();
        EXPECT_EQ(text.substr(text.size() - 25), "Evaluation test complete\n");
        return clean;
    };
    resetEvalParameters();
    EXPECT_TRUE(runTest());
    EXPECT_EQ(text.find("failed"), std::string::npos);  // and no breakdown either
    EXPECT_NE(text.find(" 99000\r"), std::string::npos);

    // A white copy of a square table that no longer mirrors its stored table.
    EvalDerivedTables& derived = const_cast<EvalDerivedTables&>(evalDerived());
    for (int block = 0; block < 3; ++block)
        derived.whiteKnightPosEval[block * 64 + 27] += 5;
    EXPECT_FALSE(runTest());
    size_t failed = text.find("Evaluation test failed (");
    ASSERT_NE(failed, std::string::npos);
    // Both positions are shown with their breakdowns before the verdict.
    EXPECT_NE(text.find("FEN "), std::string::npos);
    EXPECT_NE(text.find("w knight (d4) static eval"), std::string::npos);
    int n = -1, a = 0, b = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + failed, "Evaluation test failed (%d) %d %d", &n, &a, &b), 3);
    EXPECT_EQ(std::abs(a - b), 5);

    // Material weights that differ between the colours.
    resetEvalParameters();
    setEvalParameterValue(*findEvalParameter("whitePawn"), 0, 1001);
    EXPECT_FALSE(runTest());
    resetEvalParameters();
}
