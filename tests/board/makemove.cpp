// Loading, the quantities the tree walk cannot see (castled flags, null moves, the
// state stack, history before the load), the end-of-game test and the consistency check.
#include <gtest/gtest.h>

#include "support/helpers.h"
#include "support/snapshot.h"

namespace
{
const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Loads as the game record does: the clock counts only where a history comes with it.
void loadWithClock(const std::string& fen, int halfmoveClock)
{
    CPosition position = positionFromFen(fen);
    position.setHalfmoveClock(halfmoveClock);
    const uint64_t noKeys[1] = {0};
    ASSERT_TRUE(CBoard::load(position, noKeys, 0)) << fen;
}
}

TEST(BoardMakeMove, LoadDropsImpossibleRightsAndRefusesImpossibleCounts)
{
    // A side without castling rights counts as castled; rights whose king or
    // rook is not at home are dropped, and so is an impossible en-passant square.
    CPosition odd = positionFromFen("r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1");
    odd.setCastling(CPosition::WHITE_QUEENSIDE, true);  // no rook on a1
    odd.setEpSquare(20);                                // e3 with white to move
    ASSERT_TRUE(CBoard::load(odd));
    EXPECT_EQ(CBoard::state().castling[WHITE], 1u);
    EXPECT_EQ(CBoard::state().castling[BLACK], 2u);
    EXPECT_EQ(CBoard::state().epSquare, -1);
    EXPECT_TRUE(CBoard::isConsistent());
    loadFen("4k3/8/8/8/8/8/8/4K2R b - - 0 1");
    EXPECT_EQ(CBoard::m_castled[WHITE], 1);
    EXPECT_EQ(CBoard::m_castled[BLACK], 1);

    loadFen(START);
    BoardSnapshot before = BoardSnapshot::take();
    const std::tuple<const char*, int, int, const char*> cases[] = {
        // code: one piece more
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 60, EMPTY, "no black king"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 20, KING, "two white kings"},
        {"4k3/8/8/8/8/8/pppppppp/4K3 w - - 0 1", 40, -PAWN, "nine black pawns"},
        {"4k3/8/8/8/NNNNNNNN/NNNNN3/PP6/4K3 w - - 0 1", 21, BISHOP, "seventeen pieces and pawns"},
    };
    for (const auto& [fen, square, code, what] : cases)
    {
        CPosition position = positionFromFen(fen);
        position.setPiece(square, code);
        EXPECT_FALSE(CBoard::load(position)) << what;
        EXPECT_TRUE(BoardSnapshot::take() == before) << what;
    }
    EXPECT_TRUE(CBoard::load(positionFromFen("4k3/8/8/8/NNNNNNNN/NNNNN3/PP6/4K3 w - - 0 1")));  // sixteen is fine
}

TEST(BoardMakeMove, CastledFlagsPromotionAndTheLoadedFloor)
{
    loadFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    playOnBoard("e1g1");
    EXPECT_EQ(CBoard::m_castled[WHITE], 1);
    playOnBoard("e8c8");
    EXPECT_EQ(CBoard::m_castled[BLACK], 2);
    CBoard::unmakeMove();
    CBoard::unmakeMove();
    EXPECT_EQ(CBoard::m_castled[WHITE] + CBoard::m_castled[BLACK], 0);
    CBoard::unmakeMove();  // at the loaded record: nothing happens
    EXPECT_EQ(CBoard::ply(), 0);
    EXPECT_TRUE(CBoard::isConsistent());

    loadFen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    playOnBoard("b7b8n");
    EXPECT_EQ(CBoard::m_pieceTypes[WHITE], 1u << (KNIGHT - 1));
    EXPECT_EQ(CBoard::pawnKey(), CBoard::m_zobristValues[12][0]);  // the key of no pawns
}

TEST(BoardMakeMove, NullMoveRoundTrip)
{
    loadFen("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3");
    const_cast<BoardState&>(CBoard::state()).searchFlags = 2;
    BoardSnapshot before = BoardSnapshot::take();
    CBoard::makeNullMove();
    EXPECT_EQ(CBoard::sideToMove(), WHITE);
    EXPECT_EQ(CBoard::state().epSquare, -1);
    EXPECT_EQ(CBoard::hashKey(), CBoard::computeHashKey());
    EXPECT_NE(CBoard::hashKey(), before.record.hashKey);
    EXPECT_EQ(CBoard::state().searchFlags, 3u);
    EXPECT_EQ(CBoard::state().move, NO_MOVE);
    EXPECT_EQ(CBoard::state().moveNumber, 4);
    EXPECT_EQ(CBoard::state().fiftyCount, 1);
    playOnBoard("g1f3");  // a move after the null move carries bit 1 but not bit 0
    EXPECT_EQ(CBoard::state().searchFlags, 2u);
    CBoard::unmakeMove();
    CBoard::unmakeNullMove();
    EXPECT_TRUE(BoardSnapshot::take() == before);
}

TEST(BoardMakeMove, StateStackNeverOverflows)
{
    loadFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    BoardSnapshot before = BoardSnapshot::take();
    const Move shuffle[4] = {makeMoveWord(0, 1, ROOK), makeMoveWord(60, 59, KING), makeMoveWord(1, 0, ROOK),
                             makeMoveWord(59, 60, KING)};
    const int made = CBoard::STATE_CAPACITY + 10;
    for (int i = 0; i < made; ++i)
        CBoard::makeMove(shuffle[i % 4]);
    EXPECT_FALSE(CBoard::hasRoom());
    EXPECT_LT(CBoard::ply(), CBoard::STATE_CAPACITY);
    CBoard::makeNullMove();
    CBoard::unmakeNullMove();
    for (int i = 0; i < made; ++i)
        CBoard::unmakeMove();
    EXPECT_TRUE(BoardSnapshot::take() == before);
    EXPECT_TRUE(CBoard::isConsistent());
}

TEST(BoardMakeMove, GameStates)
{
    const std::tuple<const char*, int, const char*, int> cases[] = {
        {START, 0, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1", GAME_PLAY_ON},
        {START, 0, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", GAME_REPETITION},
        {"4k3/8/8/8/8/8/8/4KB2 w - - 0 1", 0, "", GAME_INSUFFICIENT_MATERIAL},
        {"4k3/8/8/8/8/8/8/4K1n1 w - - 0 1", 0, "", GAME_INSUFFICIENT_MATERIAL},
        {"4k3/8/8/8/8/8/8/4K3 b - - 0 1", 0, "", GAME_INSUFFICIENT_MATERIAL},
        {"4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", 0, "", GAME_PLAY_ON},
        {"4k3/8/8/8/8/8/8/4KR2 w - - 0 1", 0, "", GAME_PLAY_ON},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, "", GAME_STALEMATE},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 0, "a1a8", GAME_CHECKMATE},
        {"rnbqkbnr/pppppppp/8/8/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", 0, "e7e5 a2a3 d8h4", GAME_CHECKMATE},
        // The fifty-move rule counts from the loaded clock; a capture or pawn move resets it,
        // and a mate on the hundredth ply is a mate.
        {"6k1/1r6/8/8/8/8/1R6/6K1 w - - 0 1", 98, "b2c2", GAME_PLAY_ON},
        {"6k1/1r6/8/8/8/8/1R6/6K1 w - - 0 1", 99, "b2c2", GAME_FIFTY_MOVES},
        {"6k1/1r6/8/8/8/8/1R6/6K1 w - - 0 1", 99, "b2b7", GAME_PLAY_ON},
        {"k7/8/1K6/8/8/8/8/7R w - - 0 1", 99, "h1h8", GAME_CHECKMATE},
    };
    for (const auto& [fen, clock, moves, state] : cases)
    {
        loadWithClock(fen, clock);
        playOnBoard(moves);
        EXPECT_EQ(CBoard::gameState(), state) << fen << " " << clock << " " << moves;
    }
}

TEST(BoardMakeMove, HistoryBeforeTheLoadCountsForRepetition)
{
    // The game went Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 and now stands after ...Ng8:
    // the position occurred twice before, which a plain load cannot know.
    loadFen(START);
    std::vector<uint64_t> keys;
    for (const std::string& move : splitWords("g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1"))
    {
        keys.push_back(CBoard::hashKey());
        playOnBoard(move);
    }
    keys.push_back(CBoard::hashKey());
    playOnBoard("f6g8");
    CPosition now;
    CBoard::store(now);
    now.setHalfmoveClock(8);

    ASSERT_TRUE(CBoard::load(now));
    EXPECT_EQ(CBoard::gameState(), GAME_PLAY_ON);
    ASSERT_TRUE(CBoard::load(now, keys.data(), int(keys.size())));
    EXPECT_EQ(CBoard::statesBelow(), 8);
    EXPECT_EQ(CBoard::ply(), 0);
    EXPECT_EQ(CBoard::gameState(), GAME_REPETITION);
    // A half-move clock shorter than the history limits how far back it looks.
    now.setHalfmoveClock(3);
    ASSERT_TRUE(CBoard::load(now, keys.data(), int(keys.size())));
    EXPECT_EQ(CBoard::gameState(), GAME_PLAY_ON);
}

// The walk trusts isConsistent(): it must see drift in every quantity it covers.
TEST(BoardMakeMove, ConsistencyCheckSeesEveryKindOfDrift)
{
    const char* fen = "r3k2r/1P6/8/3pP3/8/2N5/8/R3K2R w KQkq d6 0 1";
    loadFen(fen);
    ASSERT_TRUE(CBoard::isConsistent());
    struct
    {
        const char* what;
        void (*apply)();
    } drifts[] = {
        {"mailbox", [] { CBoard::m_board[20] ^= 1; }},
        {"piece bitboard", [] { CBoard::m_pieceBits[KNIGHT + 6] ^= 1; }},
        {"colour bitboard", [] { CBoard::m_colourBits[BLACK] ^= 1ull << 40; }},
        {"occupancy", [] { CBoard::m_occupied ^= 1ull << 40; }},
        {"file occupancy", [] { CBoard::m_fileOccupancy[2] ^= 4; }},
        {"diagonal occupancy", [] { CBoard::m_diagOccupancy[3] ^= 1; }},
        {"anti-diagonal occupancy", [] { CBoard::m_antiDiagOccupancy[9] ^= 2; }},
        {"king square", [] { CBoard::m_kingSquare[WHITE] = 5; }},
        {"count", [] { ++CBoard::m_pieceCount[-PAWN + 6]; }},
        {"total", [] { ++CBoard::m_totalPieces; }},
        {"types present", [] { CBoard::m_pieceTypes[BLACK] |= 1u << (QUEEN - 1); }},
        {"balance", [] { ++CBoard::m_materialBalance; }},
        {"non-pawn material", [] { ++CBoard::m_nonPawnMaterial[WHITE]; }},
        {"units", [] { ++CBoard::m_pieceUnits[BLACK]; }},
        {"key", [] { CBoard::m_state->hashKey ^= 1; }},
        {"pawn key", [] { CBoard::m_state->pawnKey ^= 1; }},
        {"castling not in the key", [] { CBoard::m_state->castling[BLACK] = 0; }},
        {"en passant not in the key", [] { CBoard::m_state->epSquare = -1; }},
    };
    for (const auto& drift : drifts)
    {
        BoardSnapshot before = BoardSnapshot::take();
        BoardState record = *CBoard::m_state;
        drift.apply();
        EXPECT_FALSE(CBoard::isConsistent()) << drift.what;
        loadFen(fen);
        *CBoard::m_state = record;
        ASSERT_TRUE(BoardSnapshot::take() == before);
    }
}
