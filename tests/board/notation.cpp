// Move texts: SAN written and read back, the reader's spellings, coordinate and long forms.
#include <gtest/gtest.h>

#include <set>

#include "support/helpers.h"

namespace
{
std::string sanOf(const std::string& fen, const std::string& coordinate)
{
    CPosition p = positionFromFen(fen);
    Move m = legalMove(p, coordinate);
    EXPECT_NE(m, NO_MOVE) << coordinate;
    return p.moveToSan(m);
}

// Parses the text and returns the coordinate form, or "fail".
std::string read(const CPosition& p, const std::string& text)
{
    Move m = NO_MOVE;
    return p.parseMove(text, m) ? moveToCoordinate(m) : "fail";
}
}  // namespace

// Every legal move of the perft positions and of the positions one ply on:
// its SAN is unique among the position's moves and reads back to the same move,
// and so do its coordinate and long forms.
TEST(NotationSan, EveryLegalMoveRoundTrips)
{
    int moves = 0;
    for (const std::string& fen : perftFens())
    {
        CPosition root = positionFromFen(fen);
        CMoveList rootMoves;
        root.generateLegal(rootMoves);
        std::vector<CPosition> positions{root};
        for (Move m : rootMoves)
        {
            CPosition next(root);
            next.makeMove(m);
            positions.push_back(next);
        }
        for (const CPosition& p : positions)
        {
            CMoveList legal;
            p.generateLegal(legal);
            std::set<std::string> seen;
            for (Move m : legal)
            {
                const std::string san = p.moveToSan(m);
                EXPECT_TRUE(seen.insert(san).second) << p.toFen() << " " << san;
                Move back = NO_MOVE;
                ASSERT_TRUE(p.parseMove(san, back)) << p.toFen() << " " << san;
                EXPECT_EQ(back, m) << p.toFen() << " " << san;
                ASSERT_TRUE(p.parseMove(moveToCoordinate(m), back)) << moveToCoordinate(m);
                EXPECT_EQ(back, m);
                // The long form minus its piece letter is the long algebraic input "e2-e4", "b1xc3".
                ASSERT_TRUE(p.parseMove(moveToLongText(m).substr(1), back)) << moveToLongText(m);
                EXPECT_EQ(back, m);
                // Check signs agree with a fresh look at the position after the move.
                CPosition after(p);
                after.makeMove(m);
                const char last = san.back();
                EXPECT_EQ(last == '+' || last == '#', after.isInCheck() && !isCastling(m)) << san;
                ++moves;
            }
        }
    }
    EXPECT_GT(moves, 15000);
}

// Real games as printed by other programs: every move token reads, and the
// writer prints it back exactly (disambiguation, captures, promotions, signs).
TEST(NotationSan, MasterGamesReadAndPrintIdentically)
{
    CPosition p;
    int games = 0, moves = 0;
    for (const std::string& line : splitLines(fileText(testData("pgn/pgn-parser-twic-01-232games.pgn"))))
    {
        if (line.rfind("[Event ", 0) == 0)
        {
            p = CPosition();
            ++games;
        }
        if (line.empty() || line[0] == '[')
            continue;
        for (const std::string& token : splitWords(line))
        {
            // Move numbers ("12.", "12...", "12.Nf3" has none here) and results are skipped.
            if (token.find('.') != std::string::npos || token == "1-0" || token == "0-1" || token == "1/2-1/2" ||
                token == "*")
                continue;
            Move m = NO_MOVE;
            ASSERT_TRUE(p.parseMove(token, m)) << p.toFullFen() << " " << token;
            EXPECT_EQ(p.moveToSan(m), token) << p.toFullFen();
            p.makeMove(m);
            ++moves;
        }
    }
    EXPECT_EQ(games, 232);
    EXPECT_GT(moves, 15000);
}

// The printed master games cover the common forms; these are the ones they lack.
TEST(NotationSan, RareFormsAndWritersThatNeverFail)
{
    // Queens on a1, a3 and c1 all reach b2: a1 and a3 need file and rank, whichever of
    // their rivals the generator lists first.
    EXPECT_EQ(sanOf("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", "a1b2"), "Qa1b2");
    EXPECT_EQ(sanOf("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", "a3b2"), "Qa3b2");
    EXPECT_EQ(sanOf("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6"), "exd6");
    EXPECT_EQ(sanOf("3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7d8n"), "exd8=N");
    // Castling never carries a sign, even when it gives check.
    EXPECT_EQ(sanOf("5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1"), "O-O");
    EXPECT_EQ(sanOf("r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8"), "O-O-O");
    CPosition start;
    EXPECT_EQ(start.moveToSan(NO_MOVE), "(null)");
    EXPECT_EQ(start.moveToSan(makeMoveWord(20, 28, PAWN)), "(invalid)");
    EXPECT_EQ(moveToCoordinate(NO_MOVE), "null");
    EXPECT_EQ(moveToLongText(NO_MOVE), "null");
    EXPECT_EQ(moveToCoordinate(makeMoveWord(52, 60, PAWN, 0, QUEEN, true)), "e7e8q");
    EXPECT_EQ(moveToLongText(makeMoveWord(52, 60, PAWN, 0, QUEEN, true)), "Pe7-e8=Q");
    EXPECT_EQ(moveToLongText(makeMoveWord(1, 18, KNIGHT, PAWN)), "Nb1xc3");
    EXPECT_EQ(squareToText(fileSpec(4)), "e");
    EXPECT_EQ(squareToText(rankSpec(3)), "4");
    EXPECT_EQ(squareToText(SQUARE_SPEC_NONE), "");
}

TEST(NotationReader, SpellingsOfTheSameMove)
{
    const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const char* CASTLE = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* PROMOTE = "3r1k2/4P3/8/8/8/8/8/4K3 w - - 0 1";
    const char* PAWN_OR_BISHOP = "4k3/8/8/8/8/2n5/1P2B3/4K3 w - - 0 1";
    const char* KNIGHTS = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {START, "e4 e2-e4 Pe4 pe4 Pe2e4 e2e4#", "e2e4"},
        {START, "Ng1-f3 nf3 Ngf3 N1f3 Nf3++", "g1f3"},
        {START, "e5 Nf4 Ke2 xx E4 e4++x Nf3+++ e N Qd1d1", "fail"},
        // A piece letter with nothing to go to is no move, even when it names a single move.
        {"4k3/8/8/8/8/8/8/N3K3 b - - 0 1", "K", "fail"},
        {CASTLE, "o-o 0-0+ O-O# Kg1", "e1g1"},
        {CASTLE, "o-o-o 0-0-0# e1c1", "e1c1"},
        {CASTLE, "o-o++", "fail"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "0-0-0", "e8c8"},
        {"4k3/8/8/8/8/8/5r2/4K2R w K - 0 1", "O-O", "fail"},  // read but not legal: f1 is attacked
        {PROMOTE, "e8Q e8q e7-e8=Q Pe8Q", "e7e8q"},
        {PROMOTE, "e8 e7e8 e8=K e8=P", "fail"},
        {PROMOTE, "ed8r", "e7d8r"},
        // Pawn capture and the lower-case b: the pawn first, the bishop when only it can go.
        {PAWN_OR_BISHOP, "bxc3", "b2c3"},
        {PAWN_OR_BISHOP, "Bxc3", "fail"},  // the e2 bishop does not reach c3
        {"4k3/8/8/8/8/2n5/1B6/4K3 w - - 0 1", "bxc3", "b2c3"},
        {"4k3/8/8/8/8/8/1P6/4KB2 w - - 0 1", "bb5", "f1b5"},
        {"4k3/8/8/8/8/8/1P6/4KB2 w - - 0 1", "b4", "b2b4"},
        {"4k3/8/8/3p4/2P1P3/8/8/4K3 w - - 0 1", "xd5", "fail"},  // ambiguous
        // Ambiguous piece moves fail; a disambiguated one works.
        {KNIGHTS, "Nd2", "fail"},
        {KNIGHTS, "Nfd2", "f3d2"},
    };
    for (const auto& [fen, texts, move] : cases)
        for (const std::string& text : splitWords(texts))
            EXPECT_EQ(read(positionFromFen(fen), text), move) << fen << " " << text;
    for (const std::string& text : {std::string("e4 "), std::string(" e4"), std::string(), std::string("e4\0", 3)})
        EXPECT_EQ(read(CPosition(), text), "fail") << text;
}

TEST(NotationReader, KingCapturesAreNeverMoves)
{
    // The FEN reader accepts a position whose side not to move is in check; taking the
    // king is refused (that no list offers it is the fuzz test's and the walk's).
    CPosition open = positionFromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    open.setPiece(0, 0);
    open.setPiece(4 + 8 * 3, ROOK);  // rook on e4 giving check with white to move
    EXPECT_EQ(read(open, "Rxe8"), "fail");
    EXPECT_EQ(read(open, "e4e8"), "fail");
}
