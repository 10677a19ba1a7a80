// FEN reading and writing, keys and material of CPosition.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/position.h"

namespace
{
const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The four FEN fields of every line of an EPD-style file.
std::vector<std::string> fenFieldsOf(const std::string& path)
{
    std::vector<std::string> fens;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
    {
        size_t pos = 0;
        std::string fen;
        for (int field = 0; field < 4 && pos < line.size(); ++field)
        {
            size_t end = line.find_first_of(" ;", pos);
            if (end == std::string::npos)
                end = line.size();
            fen += (field ? " " : "") + line.substr(pos, end - pos);
            pos = end + 1;
        }
        if (!fen.empty())
            fens.push_back(fen);
    }
    return fens;
}

// Every field of two positions, compared through their public interface.
void expectSamePosition(const CPosition& a, const CPosition& b)
{
    for (int s = 0; s < 64; ++s)
        ASSERT_EQ(a.pieceAt(s), b.pieceAt(s)) << s;
    EXPECT_EQ(a.sideToMove(), b.sideToMove());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a.castling(i), b.castling(i));
    EXPECT_EQ(a.epSquare(), b.epSquare());
    EXPECT_EQ(a.halfmoveClock(), b.halfmoveClock());
    EXPECT_EQ(a.moveNumber(), b.moveNumber());
    EXPECT_EQ(a.whiteKingSquare(), b.whiteKingSquare());
    EXPECT_EQ(a.blackKingSquare(), b.blackKingSquare());
    EXPECT_EQ(a.hashKey(), b.hashKey());
    EXPECT_EQ(a.material(WHITE), b.material(WHITE));
    EXPECT_EQ(a.material(BLACK), b.material(BLACK));
}
} // namespace

TEST(PositionFen, StartPositionReadsAndWritesBack)
{
    CPosition fromFen;
    fromFen.clear();
    ASSERT_TRUE(fromFen.setFromFen(START_FEN));
    EXPECT_EQ(fromFen.toFullFen(), START_FEN);
    EXPECT_TRUE(fromFen.isStartPosition());
    expectSamePosition(fromFen, CPosition());
    EXPECT_EQ(fromFen.material(WHITE), 31);
}

TEST(PositionFen, TestFilePositionsRoundTrip)
{
    int count = 0;
    for (const char* file : {"/perft/cpw-six-positions.epd", "/perft/tricky-movegen.epd", "/epd/wac.epd",
                             "/epd/bratko-kopec.epd", "/epd/kaufman.epd"})
    {
        for (const std::string& fen : fenFieldsOf(std::string(VEKRAN_TEST_DATA) + file))
        {
            CPosition position;
            ASSERT_TRUE(position.setFromFen(fen)) << fen;
            // The perft files are clean and come back identically (their en-passant squares are
            // all real); some EPD lines carry odd fields ("- -1 12") that are read past.
            if (std::string(file).find("perft") != std::string::npos)
            {
                EXPECT_EQ(position.toFen(), fen);
            }
            CPosition again;
            ASSERT_TRUE(again.setFromFen(position.toFullFen()));
            expectSamePosition(position, again);
            EXPECT_EQ(position.hashKey(), position.computeHashKey());
            EXPECT_EQ(position.material(WHITE), position.materialOf(WHITE));
            EXPECT_EQ(position.material(BLACK), position.materialOf(BLACK));
            ++count;
        }
    }
    EXPECT_GT(count, 350);
}

TEST(PositionFen, RejectsMalformedTextAndLeavesPositionUnchanged)
{
    const char* bad[] = {
        "",
        "8/8/8/8/8/8/8/8 w - -",                                        // no kings
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w - - 0 1",        // two white kings
        "rnbqkbnr/pppppppp/8/8/8/P7/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // nine white pawns
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w KQkq - 0 1",     // K without the h1 rook
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KK - 0 1",       // repeated right
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e9 0 1",    // square off the board
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e 0 1",     // half a square
        "9/rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",        // digit 9
        "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",       // nine squares on a rank
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x - - 0 1",        // side
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",                  // no side
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBXKBNR w - - 0 1",        // unknown letter
        "kqqqqqqq/qqqqqqqq/qq6/8/8/8/8/7K w - - 0 1",                   // 17 black pieces
    };
    const char* keep = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 7";
    for (const char* fen : bad)
    {
        CPosition position, reference;
        ASSERT_TRUE(position.setFromFen(keep));
        ASSERT_TRUE(reference.setFromFen(keep));
        EXPECT_FALSE(position.setFromFen(fen)) << fen;
        expectSamePosition(position, reference);
    }
}

TEST(PositionFen, AcceptsTolerantForms)
{
    CPosition p;
    // Short ranks, upper-case side, missing trailing fields, extra blanks and trailing text.
    ASSERT_TRUE(p.setFromFen("7k/8/8/8/8/8/8/K w"));
    EXPECT_EQ(p.toFullFen(), "7k/8/8/8/8/8/8/K7 w - - 0 1");
    ASSERT_TRUE(p.setFromFen("  4k3/8/8/8/8/8/8/4K3   W   -   -   12   40  bm e4; id \"x\";"));
    EXPECT_EQ(p.sideToMove(), 1);
    EXPECT_EQ(p.moveNumber(), 40);
    EXPECT_EQ(p.halfmoveClock(), 0);
    ASSERT_TRUE(p.setFromFen("4k3/8/8/8/8/8/8/4K3 b - - 5 0"));
    EXPECT_EQ(p.moveNumber(), 1);
    EXPECT_EQ(p.sideToMove(), 0);
    // Positions that cannot arise in a game are still read.
    ASSERT_TRUE(p.setFromFen("P3k3/8/8/8/8/8/8/4K2p w - - 0 1"));   // pawns on the back ranks
    ASSERT_TRUE(p.setFromFen("4k3/4Q3/8/8/8/8/8/4K3 w - - 0 1"));   // side not to move in check
    // Fifteen queens and a king are sixteen white pieces: accepted; one more is not.
    ASSERT_TRUE(p.setFromFen("QQQQQQQk/QQQQQQQQ/8/8/8/8/8/7K w - - 0 1"));
    EXPECT_EQ(p.material(WHITE), 15 * 9);
    EXPECT_FALSE(p.setFromFen("QQQQQQQk/QQQQQQQQ/N7/8/8/8/8/7K w - - 0 1"));
    // A huge move number is capped, never overflowing as the game goes on.
    ASSERT_TRUE(p.setFromFen("4k3/8/8/8/8/8/8/4K3 b - - 0 99999999999999999999"));
    EXPECT_GT(p.moveNumber(), 1000000);
    p.makeMove(makeMoveWord(60, 59, KING));
    EXPECT_GT(p.moveNumber(), 1000000);
}

TEST(PositionFen, EnPassantSquareKeptOnlyWhenAPawnJustPassedIt)
{
    CPosition p;
    // Real: black pawn on f5, f6 and f7 empty, white to move.
    ASSERT_TRUE(p.setFromFen("rnbqkb1r/ppppp1pp/7n/4Pp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"));
    EXPECT_EQ(p.epSquareText(), "f6");
    // The reader accepts the field but drops squares no pawn can just have passed.
    const char* implausible[] = {
        "4k3/8/8/8/8/8/8/4K3 w - e3 0 1",              // wrong rank for white to move
        "4k3/8/8/4p3/8/8/8/4K3 b - e6 0 1",            // wrong rank for black to move
        "4k3/8/8/8/3P4/8/8/4K3 w - e6 0 1",            // no black pawn in front
        "4k3/8/4n3/4p3/3P4/8/8/4K3 w - e6 0 1",        // the square is occupied
        "4k3/4r3/8/3Pp3/8/8/8/4K3 w - e6 0 1",         // the square behind is occupied
        "4k3/8/8/3PP3/8/8/8/4K3 w - e6 0 1",           // own pawn in front
    };
    for (const char* fen : implausible)
    {
        ASSERT_TRUE(p.setFromFen(fen)) << fen;
        EXPECT_EQ(p.epSquare(), NO_SQUARE) << fen;
        CMoveList moves;
        p.generateLegal(moves);
        for (Move m : moves)
            EXPECT_FALSE(isEnPassant(m)) << fen;
    }
    ASSERT_TRUE(p.setFromFen("4k3/8/8/8/4Pp2/8/8/4K3 b - e3 0 1"));
    EXPECT_EQ(p.epSquare(), 20);
}

// The setters keep the incremental key equal to a fresh computation.
TEST(PositionKeys, SettersKeepKingsMaterialAndKey)
{
    CPosition p;
    const uint64_t start = p.hashKey();
    p.setSideToMove(0);
    EXPECT_EQ(p.hashKey(), start);  // no side-to-move component
    p.setEpSquare(20);
    EXPECT_NE(p.hashKey(), start);
    p.setEpSquare(NO_SQUARE);
    EXPECT_EQ(p.hashKey(), start);
    p.setCastling(0, false);
    EXPECT_EQ(p.hashKey(), p.computeHashKey());
    p.setEpSquareText("e3");
    EXPECT_EQ(p.epSquare(), 20);
    for (const char* bad : {"e33", "i3"})
    {
        p.setEpSquareText(bad);
        EXPECT_EQ(p.epSquareText(), "-") << bad;
    }
    EXPECT_EQ(p.hashKey(), p.computeHashKey());

    p = CPosition();
    EXPECT_EQ(p.pieceAt(64), 0);
    EXPECT_EQ(p.pieceAt(-1), 0);
    EXPECT_EQ(p.pieceAt(8, 0), 0);
    EXPECT_EQ(p.pieceAt(0, 4), KING);
    p.setPiece(4, 0);
    p.setPiece(27, KING);
    EXPECT_EQ(p.whiteKingSquare(), 27);
    p.setPiece(35, PAWN);
    EXPECT_EQ(p.material(WHITE), 31);
    p.setPiece(3, -ROOK); // the white queen is replaced by a black rook
    EXPECT_EQ(p.material(WHITE), 22);
    EXPECT_EQ(p.material(BLACK), 36);
    EXPECT_EQ(p.hashKey(), p.computeHashKey());
    p.setPiece(64, QUEEN); // off the board: ignored
    p.setPiece(10, 7);     // no such piece: ignored
    EXPECT_EQ(p.hashKey(), p.computeHashKey());
    EXPECT_EQ(p.material(WHITE), p.materialOf(WHITE));

    p.clear();
    EXPECT_EQ(p.toFullFen(), "8/8/8/8/8/8/8/8 w - - 0 1");
    EXPECT_EQ(p.whiteKingSquare(), NO_SQUARE);
    EXPECT_EQ(p.hashKey(), 0u);
}

TEST(PositionFen, RotatedStartPositionIsRecognised)
{
    CPosition p;
    ASSERT_TRUE(p.setFromFen("RNBKQBNR/PPPPPPPP/8/8/8/8/pppppppp/rnbkqbnr w - - 0 1"));
    EXPECT_TRUE(p.isRotatedStartPosition());
    EXPECT_FALSE(p.isStartPosition());
    ASSERT_TRUE(p.setFromFen("RNBKQBNR/PPPPPPPP/8/8/8/8/pppppppp/rnbkqbnr b - - 0 1"));
    EXPECT_FALSE(p.isRotatedStartPosition());
    EXPECT_FALSE(CPosition().isRotatedStartPosition());
    ASSERT_TRUE(p.setFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1"));
    EXPECT_FALSE(p.isStartPosition());
}
