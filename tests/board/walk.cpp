// Whole-tree oracles: at every node of shallow trees from many positions, and along
// random games from them, the search board must agree with the mailbox position
// (legal moves, make, check, load and store), keep every incremental quantity equal
// to a recount, give back its exact state on unmake, and accept only words its
// generators could make.
#include <gtest/gtest.h>

#include <random>

#include "support/helpers.h"
#include "support/snapshot.h"

namespace
{
// Positions the FEN reader accepts although no game reaches them.
const char* ODD_FENS[] = {
    "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",    // side not to move in check
    "P3k2p/8/8/8/8/8/8/p3K2P w - - 0 1",  // pawns on the first and last ranks
    "p3k2P/8/8/8/8/8/8/P3K2p b - - 0 1",
    "8/8/8/3kK3/8/8/8/8 w - - 0 1",              // adjacent kings
    "QQQQQQQQ/QQQQQQQk/8/8/8/8/8/K7 w - - 0 1",  // 15 queens
    "qqqqqqqq/qqqqqqqK/8/8/8/8/8/k7 b - - 0 1",
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e3 0 1",  // en-passant square with nothing behind it
};

std::mt19937 g_random(20261206);

struct Walker
{
    std::string fen;
    uint64_t nodes = 0;
    std::vector<Move> line;

    std::string where() const
    {
        std::string text = fen + " after:";
        for (Move move : line)
            text += " " + moveToCoordinate(move);
        return text;
    }

    void checkNode(const CPosition& position)
    {
        ++nodes;
        ASSERT_TRUE(CBoard::isConsistent()) << where();
        ASSERT_EQ(CBoard::hashKey(), position.computeHashKey()) << where();

        // Same legal moves as the mailbox generator (castling words differ in the special bit).
        CMoveList legal, reference;
        CBoard::generateLegalMoves(legal);
        position.generateLegal(reference);
        ASSERT_EQ(sortedWords(legal, MOVE_SPECIAL), sortedWords(reference, MOVE_SPECIAL))
            << where() << "\n board: " << moveListText(sortedWords(legal))
            << "\n position: " << moveListText(sortedWords(reference));

        const int side = CBoard::sideToMove();
        const bool inCheck = CBoard::isInCheck(side);
        ASSERT_EQ(inCheck, position.isInCheck()) << where();
        ASSERT_EQ(CBoard::findChecker(side) >= 0, inCheck) << where();
        if (inCheck && !CBoard::isInCheck(side ^ 1))
        {
            // The evasions, filtered, are exactly the legal moves.
            CMoveList evasions, filtered;
            CBoard::generateEvasions(evasions);
            for (Move move : evasions)
            {
                CBoard::makeMove(move);
                if (!CBoard::isInCheck(side))
                    filtered.add(move);
                CBoard::unmakeMove();
            }
            ASSERT_EQ(sortedWords(filtered), sortedWords(legal)) << where();
        }

        // Every generated word passes the foreign-word check, and nothing else does.
        CMoveList pseudo;
        CBoard::generateCaptures(pseudo);
        CBoard::generateNonCaptures(pseudo);
        for (Move move : pseudo)
        {
            if (moveCaptured(move) == KING)
                continue;
            ASSERT_TRUE(CBoard::isPseudoLegal(move)) << where() << " " << moveToLongText(move);
        }
        for (int i = 0; i < 40; ++i)
        {
            Move word;
            if (i < 20 && !pseudo.empty())
                word = pseudo[g_random() % pseudo.size()] ^ (Move(1) << (g_random() % 24));
            else
                word = g_random() & 0x7FFFFF;
            if (!CBoard::isPseudoLegal(word))
                continue;
            bool generated = pseudo.contains(word) || (isCastling(word) && pseudo.contains(word | MOVE_SPECIAL));
            ASSERT_TRUE(generated) << where() << " accepted " << std::hex << word;
            BoardSnapshot before = BoardSnapshot::take();
            CBoard::makeMove(word);
            ASSERT_TRUE(CBoard::isConsistent()) << where();
            CBoard::unmakeMove();
            ASSERT_TRUE(BoardSnapshot::take() == before) << where();
        }

        // Pins: the piece stands alone between its king and an enemy slider of the right kind.
        const int king = CBoard::kingSquare(side);
        for (int square = 0; square < 64; ++square)
        {
            bool pinned = false;
            int code = CBoard::pieceAt(square);
            if (code != EMPTY && pieceColour(code) == side && square != king)
                for (int from = 0; from < 64; ++from)
                {
                    int enemy = CBoard::pieceAt(from);
                    if (enemy == EMPTY || pieceColour(enemy) == side)
                        continue;
                    uint32_t relation = attacks::RELATION[from][king] & attacks::PIECE_RELATION[enemy + 6] &
                                        (attacks::REL_ORTHOGONAL | attacks::REL_DIAGONAL);
                    if (relation && (attacks::BETWEEN[from][king] & CBoard::occupied()) == (Bitboard(1) << square))
                        pinned = true;
                }
            ASSERT_EQ(CBoard::isPinned(square), pinned) << where() << " square " << square;
        }
    }

    void walk(const CPosition& position, int depth)
    {
        checkNode(position);
        if (::testing::Test::HasFatalFailure() || depth == 0)
            return;
        CMoveList legal;
        CBoard::generateLegalMoves(legal);
        for (Move move : legal)
        {
            BoardSnapshot before = BoardSnapshot::take();
            CPosition after = position;
            after.makeMove(move);
            CBoard::makeMove(move);
            line.push_back(move);
            // The board written back equals the mailbox made with the same move.
            CPosition stored = after;
            CBoard::store(stored);
            ASSERT_EQ(stored.toFen(), after.toFen()) << where();
            ASSERT_EQ(stored.hashKey(), after.hashKey()) << where();
            ASSERT_EQ(CBoard::pawnKey(), CBoard::computePawnKey()) << where();
            walk(after, depth - 1);
            line.pop_back();
            CBoard::unmakeMove();
            ASSERT_TRUE(BoardSnapshot::take() == before) << where() << " unmake " << moveToCoordinate(move);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
};

#ifdef VEKRAN_HEAVY_TESTS
constexpr int WALK_DEPTH = 3;
#else
constexpr int WALK_DEPTH = 1;
#endif
}

// The perft positions to the depth the build affords, and odd positions two plies deep.
TEST(BoardWalk, AgreesWithTheMailboxPositionEverywhere)
{
    uint64_t nodes = 0;
    std::vector<std::string> fens = perftFens();
    fens.insert(fens.end(), std::begin(ODD_FENS), std::end(ODD_FENS));
    for (size_t i = 0; i < fens.size(); ++i)
    {
        CPosition position = positionFromFen(fens[i]);
        ASSERT_TRUE(CBoard::load(position)) << fens[i];
        Walker walker;
        walker.fen = fens[i];
        walker.walk(position, fens.size() - i <= std::size(ODD_FENS) ? 2 : WALK_DEPTH);
        nodes += walker.nodes;
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(nodes, 200u);
}

// Random games reach positions deep into a game; there the board is loaded afresh from the
// mailbox position every other ply and made incrementally in between.
TEST(BoardWalk, AlongRandomGamesFromThePerftPositions)
{
    std::mt19937 random(42);
    int positions = 0;
    for (const std::string& fen : perftFens())
        for (int game = 0; game < 4; ++game)
        {
            CPosition p = positionFromFen(fen);
            ASSERT_TRUE(CBoard::load(p));
            Walker walker;
            walker.fen = fen;
            for (int ply = 0; ply < 60; ++ply, ++positions)
            {
                if (ply % 2 == 0)
                {
                    ASSERT_TRUE(CBoard::load(p)) << p.toFullFen();
                }
                walker.checkNode(p);
                CPosition stored;
                CBoard::store(stored);
                ASSERT_EQ(stored.toFen(), p.toFen());
                CMoveList legal;
                p.generateLegal(legal);
                if (HasFatalFailure() || legal.empty())
                    break;
                const Move move = legal[int(random() % unsigned(legal.size()))];
                walker.line.push_back(move);
                CBoard::makeMove(move);
                p.makeMove(move);
            }
            if (HasFatalFailure())
                return;
        }
    EXPECT_GT(positions, 5000);
}

TEST(BoardWalk, TakingAKingLeavesABoardThatStaysSafe)
{
    // Generators are pseudo-legal: where the side not to move stands in check
    // they offer the king itself. Whatever a caller does with such a move,
    // the board must stay consistent and every query must stay in bounds.
    const std::pair<const char*, bool> cases[] = {
        {"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1", true},
        {"r3k2r/8/8/8/8/8/4Q3/4K3 w kq - 0 1", true},  // the kingless side keeps no castling
        {"8/8/8/3kK3/8/8/8/8 b - - 0 1", true},        // a king takes the king
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", false},
    };
    for (const auto& [fenText, kingCanBeTaken] : cases)
    {
        const std::string fen = fenText;
        loadFen(fen);
        BoardSnapshot root = BoardSnapshot::take();
        CMoveList moves;
        CBoard::generateCaptures(moves);
        CBoard::generateNonCaptures(moves);
        bool kingTaken = false;
        for (Move move : moves)
        {
            kingTaken = kingTaken || moveCaptured(move) == KING;
            CBoard::makeMove(move);
            ASSERT_TRUE(CBoard::isConsistent()) << fen << " " << moveToCoordinate(move);
            CMoveList replies;
            CBoard::generateCaptures(replies);
            CBoard::generateNonCaptures(replies);
            CBoard::generateEvasions(replies);
            for (int s = 0; s < 64; ++s)
            {
                CBoard::isPinned(s);
                CBoard::attacksFrom(s);
            }
            CBoard::gameState();
            for (Move reply : replies)
            {
                if (!CBoard::isPseudoLegal(reply))
                    continue;
                CBoard::makeMove(reply);
                ASSERT_TRUE(CBoard::isConsistent())
                    << fen << " " << moveToCoordinate(move) << " " << moveToCoordinate(reply);
                CBoard::unmakeMove();
            }
            CBoard::unmakeMove();
            ASSERT_TRUE(BoardSnapshot::take() == root) << fen << " " << moveToCoordinate(move);
        }
        EXPECT_EQ(kingTaken, kingCanBeTaken) << fen;
    }
}
