// Loading, make/unmake, null moves, the state stack and the end-of-game test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board_test_helpers.h"

namespace
{
// Plays moves given in coordinate notation, each found among the legal moves.
void play(const std::string& moves)
{
    size_t start = 0;
    while (start < moves.size())
    {
        size_t end = moves.find(' ', start);
        if (end == std::string::npos)
            end = moves.size();
        std::string text = moves.substr(start, end - start);
        start = end + 1;
        if (text.empty())
            continue;
        CMoveList legal;
        CBoard::generateLegalMoves(legal);
        Move found = NO_MOVE;
        for (Move move : legal)
            if (moveToCoordinate(move) == text)
                found = move;
        ASSERT_NE(found, NO_MOVE) << "not legal: " << text;
        CBoard::makeMove(found);
        ASSERT_TRUE(CBoard::isConsistent()) << text;
    }
}

const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
}

TEST(BoardMakeMove, LoadSetsEveryQuantity)
{
    loadFen(START);
    EXPECT_EQ(CBoard::m_materialBalance, 0);
    EXPECT_EQ(CBoard::m_nonPawnMaterial[WHITE], 2 * 3497 + 2 * 3505 + 2 * 5505 + 10001);
    EXPECT_EQ(CBoard::m_nonPawnMaterial[BLACK], CBoard::m_nonPawnMaterial[WHITE]);
    EXPECT_EQ(CBoard::m_pieceUnits[WHITE], 31);
    EXPECT_EQ(CBoard::m_totalPieces, 32);
    EXPECT_EQ(CBoard::m_pieceTypes[BLACK], 0x1Fu);
    EXPECT_EQ(CBoard::m_castled[WHITE], 0);
    EXPECT_EQ(CBoard::m_occupied, 0xFFFF00000000FFFFull);
    EXPECT_EQ(CBoard::m_fileOccupancy[3], 0xC3);
    EXPECT_EQ(CBoard::m_diagOccupancy[7], 0xC3);      // a1-h8
    EXPECT_EQ(CBoard::m_antiDiagOccupancy[7], 0xC3);  // h1-a8
    EXPECT_EQ(CBoard::state().castling[WHITE], 3u);
    EXPECT_EQ(CBoard::state().moveNumber, 1);
    EXPECT_TRUE(CBoard::isConsistent());

    // A side without castling rights counts as castled; rights whose king or
    // rook is not at home are dropped, and so is an impossible en-passant square.
    CPosition odd = positionFromFen("r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1");
    odd.setCastling(CPosition::WHITE_QUEENSIDE, true);  // no rook on a1
    odd.setEpSquare(20);                                 // e3 with white to move
    ASSERT_TRUE(CBoard::load(odd));
    EXPECT_EQ(CBoard::state().castling[WHITE], 1u);
    EXPECT_EQ(CBoard::state().castling[BLACK], 2u);
    EXPECT_EQ(CBoard::state().epSquare, -1);
    EXPECT_TRUE(CBoard::isConsistent());
    loadFen("4k3/8/8/8/8/8/8/4K2R b - - 0 1");
    EXPECT_EQ(CBoard::m_castled[WHITE], 1);
    EXPECT_EQ(CBoard::m_castled[BLACK], 1);
}

TEST(BoardMakeMove, LoadRefusesImpossibleCounts)
{
    loadFen(START);
    BoardSnapshot before = BoardSnapshot::take();
    struct Case
    {
        const char* fen;
        int square, code;  // an extra piece beyond what the FEN reader takes
        const char* what;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 60, EMPTY, "no black king"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 20, KING, "two white kings"},
        {"4k3/8/8/8/8/8/PPPPPPPP/4K3 w - - 0 1", 20, PAWN, "nine white pawns"},
        {"4k3/8/8/8/8/8/pppppppp/4K3 w - - 0 1", 40, -PAWN, "nine black pawns"},
        {"4k3/8/8/8/NNNNNNNN/NNNNNNN1/8/4K3 w - - 0 1", 23, KNIGHT, "sixteen knights"},
        {"4k3/8/8/8/NNNNNNNN/NNNNN3/PP6/4K3 w - - 0 1", 21, BISHOP, "sixteen pieces and pawns"},
    };
    for (const Case& c : cases)
    {
        CPosition position = positionFromFen(c.fen);
        position.setPiece(c.square, c.code);
        EXPECT_FALSE(CBoard::load(position)) << c.what;
        EXPECT_TRUE(BoardSnapshot::take() == before) << c.what;
    }
    // Fifteen of them is still a position.
    CPosition fifteen = positionFromFen("4k3/8/8/8/NNNNNNNN/NNNNN3/PP6/4K3 w - - 0 1");
    EXPECT_TRUE(CBoard::load(fifteen));
}

TEST(BoardMakeMove, EnPassantCastlingRightsAndKeys)
{
    loadFen(START);
    const uint64_t startKey = CBoard::hashKey();
    play("e2e4");
    EXPECT_EQ(CBoard::state().epSquare, -1);  // no black pawn beside e4
    EXPECT_EQ(CBoard::hashKey(), CBoard::computeHashKey());
    play("d7d5 e4e5 f7f5");
    EXPECT_EQ(CBoard::state().epSquare, 45);  // f6
    EXPECT_EQ(CBoard::state().moveNumber, 3);
    EXPECT_EQ(CBoard::state().fiftyCount, 0);
    play("e5f6");
    EXPECT_EQ(CBoard::pieceAt(37), EMPTY);  // the f5 pawn is gone
    EXPECT_EQ(CBoard::m_pieceCount[-PAWN + 6], 7);
    for (int i = 0; i < 5; ++i)
        CBoard::unmakeMove();
    EXPECT_EQ(CBoard::hashKey(), startKey);
    EXPECT_EQ(CBoard::ply(), 0);
    CBoard::unmakeMove();  // at the loaded record: nothing happens
    EXPECT_EQ(CBoard::ply(), 0);

    // The h1 rook out and back: no king-side right, a different key.
    loadFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const uint64_t before = CBoard::hashKey();
    play("h1h2 a8a7 h2h1 a7a8");
    EXPECT_EQ(CBoard::state().castling[WHITE], 2u);
    EXPECT_EQ(CBoard::state().castling[BLACK], 1u);
    EXPECT_NE(CBoard::hashKey(), before);
    EXPECT_EQ(CBoard::hashKey(), CBoard::computeHashKey());

    // Taking the rook on a8 removes black's queen-side right.
    loadFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    play("a1a8");
    EXPECT_EQ(CBoard::state().castling[BLACK], 1u);
    EXPECT_EQ(CBoard::state().castling[WHITE], 1u);
    EXPECT_EQ(CBoard::state().fiftyCount, 0);

    // Castling moves the rook, marks the side castled, and unmake undoes both.
    loadFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    play("e1g1");
    EXPECT_EQ(CBoard::pieceAt(5), ROOK);
    EXPECT_EQ(CBoard::pieceAt(7), EMPTY);
    EXPECT_EQ(CBoard::m_castled[WHITE], 1);
    EXPECT_EQ(CBoard::state().castling[WHITE], 0u);
    play("e8c8");
    EXPECT_EQ(CBoard::pieceAt(59), -ROOK);
    EXPECT_EQ(CBoard::m_castled[BLACK], 2);
    CBoard::unmakeMove();
    CBoard::unmakeMove();
    EXPECT_EQ(CBoard::m_castled[WHITE], 0);
    EXPECT_EQ(CBoard::m_castled[BLACK], 0);
    EXPECT_TRUE(CBoard::isConsistent());

    // Promotion changes counts and material; unmake restores them.
    loadFen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    BoardSnapshot snapshot = BoardSnapshot::take();
    play("b7b8n");
    EXPECT_EQ(CBoard::m_pieceCount[PAWN + 6], 0);
    EXPECT_EQ(CBoard::m_pieceTypes[WHITE], 1u << (KNIGHT - 1));
    EXPECT_EQ(CBoard::m_materialBalance, 3497);
    EXPECT_EQ(CBoard::pawnKey(), CBoard::m_zobristValues[12][0]);
    CBoard::unmakeMove();
    EXPECT_TRUE(BoardSnapshot::take() == snapshot);
}

TEST(BoardMakeMove, NullMoveRoundTrip)
{
    loadFen("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3");
    ASSERT_EQ(CBoard::state().epSquare, 20);
    const_cast<BoardState&>(CBoard::state()).searchFlags = 2;
    BoardSnapshot before = BoardSnapshot::take();
    CBoard::makeNullMove();
    EXPECT_EQ(CBoard::sideToMove(), WHITE);
    EXPECT_EQ(CBoard::state().epSquare, -1);
    EXPECT_EQ(CBoard::hashKey(), before.record.hashKey ^ CBoard::m_zobristValues[20][0]);
    EXPECT_EQ(CBoard::hashKey(), CBoard::computeHashKey());
    EXPECT_EQ(CBoard::state().searchFlags, 3u);
    EXPECT_EQ(CBoard::state().move, NO_MOVE);
    EXPECT_EQ(CBoard::state().moveNumber, 4);
    EXPECT_EQ(CBoard::state().fiftyCount, 1);
    // A move after the null move carries bit 1 but not bit 0.
    play("g1f3");
    EXPECT_EQ(CBoard::state().searchFlags, 2u);
    CBoard::unmakeMove();
    CBoard::unmakeNullMove();
    EXPECT_TRUE(BoardSnapshot::take() == before);
}

TEST(BoardMakeMove, StateStackNeverOverflows)
{
    loadFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    BoardSnapshot before = BoardSnapshot::take();
    const int plies = CBoard::STATE_CAPACITY + 10;
    const Move out = makeMoveWord(0, 1, ROOK), back = makeMoveWord(1, 0, ROOK);
    const Move kingOut = makeMoveWord(60, 59, KING), kingBack = makeMoveWord(59, 60, KING);
    int made = 0;
    for (; made < plies; ++made)
    {
        bool white = CBoard::sideToMove() == WHITE;
        bool away = (made / 2) % 2 == 0;
        CBoard::makeMove(white ? (away ? out : back) : (away ? kingOut : kingBack));
    }
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
    struct Case
    {
        const char* fen;
        const char* moves;
        int state;
    } cases[] = {
        {START, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1", GAME_PLAY_ON},
        {START, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", GAME_REPETITION},
        {"4k3/8/8/8/8/8/8/4KB2 w - - 0 1", "", GAME_INSUFFICIENT_MATERIAL},
        {"4k3/8/8/8/8/8/8/4K1n1 w - - 0 1", "", GAME_INSUFFICIENT_MATERIAL},
        {"4k3/8/8/8/8/8/8/4K3 b - - 0 1", "", GAME_INSUFFICIENT_MATERIAL},
        {"4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", "", GAME_PLAY_ON},
        {"4k3/8/8/8/8/8/8/4KR2 w - - 0 1", "", GAME_PLAY_ON},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "", GAME_STALEMATE},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "a1a8", GAME_CHECKMATE},
        {"rnbqkbnr/pppppppp/8/8/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", "e7e5 a2a3 d8h4", GAME_CHECKMATE},
    };
    for (const Case& c : cases)
    {
        loadFen(c.fen);
        play(c.moves);
        EXPECT_EQ(CBoard::gameState(), c.state) << c.fen << " " << c.moves;
    }

    // The fifty-move rule: 100 quiet plies made since the load, no position
    // seen before (each ply takes the first quiet, checkless, new move).
    loadFen("6k1/1r6/8/8/8/8/1R6/6K1 w - - 0 1");
    std::vector<uint64_t> seen = {CBoard::hashKey() * 2 + CBoard::sideToMove()};
    for (int ply = 1; ply <= 100; ++ply)
    {
        CMoveList legal;
        CBoard::generateLegalMoves(legal);
        Move chosen = NO_MOVE;
        for (Move move : legal)
        {
            if (isCapture(move) || movePiece(move) == PAWN)
                continue;
            CBoard::makeMove(move);
            uint64_t id = CBoard::hashKey() * 2 + CBoard::sideToMove();
            bool fresh = std::find(seen.begin(), seen.end(), id) == seen.end();
            bool check = CBoard::isInCheck(CBoard::sideToMove());
            CBoard::unmakeMove();
            if (fresh && !check)
            {
                chosen = move;
                seen.push_back(id);
                break;
            }
        }
        ASSERT_NE(chosen, NO_MOVE) << "ply " << ply;
        CBoard::makeMove(chosen);
        EXPECT_EQ(CBoard::gameState(), ply < 100 ? GAME_PLAY_ON : GAME_FIFTY_MOVES) << "ply " << ply;
    }
    EXPECT_EQ(CBoard::state().fiftyCount, 100);
}

TEST(BoardMakeMove, MateOnTheHundredthPlyIsMateNotFifty)
{
    // 99 quiet plies of king and rook shuffling, then a quiet mate on ply 100.
    loadFen("k7/8/1K6/8/8/8/8/7R b - - 0 1");
    const char* shuffle[] = {"a8b8", "h1h2", "b8a8", "h2h1"};
    for (int i = 0; i < 99; ++i)
        play(shuffle[i % 4]);
    ASSERT_EQ(CBoard::state().fiftyCount, 99);
    ASSERT_EQ(CBoard::pieceAt(56), -KING);
    play("h2h8");
    EXPECT_EQ(CBoard::state().fiftyCount, 100);
    EXPECT_EQ(CBoard::gameState(), GAME_CHECKMATE);
}

TEST(BoardMakeMove, HistoryBeforeTheLoadCountsForRepetition)
{
    // The game went Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 and now stands after ...Ng8:
    // the position occurred twice before, which a plain load cannot know.
    loadFen(START);
    std::vector<uint64_t> keys;
    const char* moves[] = {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"};
    for (const char* move : moves)
    {
        keys.push_back(CBoard::hashKey());
        play(move);
    }
    keys.push_back(CBoard::hashKey());
    play("f6g8");
    CPosition now;
    CBoard::store(now);
    now.setHalfmoveClock(8);

    ASSERT_TRUE(CBoard::load(now));
    EXPECT_EQ(CBoard::gameState(), GAME_PLAY_ON);
    ASSERT_TRUE(CBoard::load(now, keys.data(), int(keys.size())));
    EXPECT_EQ(CBoard::statesBelow(), 8);
    EXPECT_EQ(CBoard::ply(), 0);
    EXPECT_EQ(CBoard::state().fiftyCount, 8);
    EXPECT_EQ(CBoard::gameState(), GAME_REPETITION);
    // A half-move clock shorter than the history limits how far back it looks.
    now.setHalfmoveClock(3);
    ASSERT_TRUE(CBoard::load(now, keys.data(), int(keys.size())));
    EXPECT_EQ(CBoard::gameState(), GAME_PLAY_ON);
    // The loaded record stays the floor for unmake.
    CBoard::unmakeMove();
    EXPECT_EQ(CBoard::ply(), 0);
    EXPECT_TRUE(CBoard::isConsistent());
}

TEST(BoardMakeMove, ConsistencyCheckSeesEveryKindOfDrift)
{
    loadFen("r3k2r/1P6/8/3pP3/8/2N5/8/R3K2R w KQkq d6 0 1");
    ASSERT_TRUE(CBoard::isConsistent());
    struct Drift
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
    for (const Drift& drift : drifts)
    {
        BoardSnapshot before = BoardSnapshot::take();
        BoardState record = *CBoard::m_state;
        drift.apply();
        EXPECT_FALSE(CBoard::isConsistent()) << drift.what;
        loadFen("r3k2r/1P6/8/3pP3/8/2N5/8/R3K2R w KQkq d6 0 1");
        *CBoard::m_state = record;
        ASSERT_TRUE(BoardSnapshot::take() == before);
    }
}
