// The search board: one process-wide position made of rotated bitboards, a
// mailbox, incrementally kept counts, material sums and keys, and a stack of
// per-ply state records. The move generators, make/unmake, the search and the
// evaluation all work on it.
#pragma once

#include <cstdint>

#include "board/bitboard.h"
#include "board/movelist.h"
#include "board/types.h"

class CPosition;

// Castling right bits of BoardState::castling.
constexpr uint32_t CASTLE_KING_SIDE = 1;
constexpr uint32_t CASTLE_QUEEN_SIDE = 2;

// One record per ply: everything make cannot cheaply reverse from the move word.
struct BoardState
{
    uint64_t hashKey;      // key of the position after the move that led here
    uint64_t pawnKey;      // key of the pawn structure
    uint32_t searchFlags;  // bit 0: pushed by a null move; bit 1: carried over by make
    uint32_t searchCount;  // 0 after every make; written by the search
    uint32_t castling[2];  // by colour: CASTLE_KING_SIDE and CASTLE_QUEEN_SIDE rights
    int32_t epSquare;      // -1 when none
    int32_t fiftyCount;    // plies since the last capture or pawn move
    int32_t moveNumber;    // full-move number
    Move move;             // the move that led here; 0 for the loaded position and a null move
};

// gameState() results.
constexpr int GAME_PLAY_ON = 0;
constexpr int GAME_REPETITION = 1;
constexpr int GAME_FIFTY_MOVES = 2;
constexpr int GAME_INSUFFICIENT_MATERIAL = 3;
constexpr int GAME_STALEMATE = 4;
constexpr int GAME_CHECKMATE = 5;

class CBoard
{
public:
    // Keys of earlier game positions kept below the loaded record, so that
    // repetitions reaching back before the load are seen.
    static constexpr int HISTORY_CAPACITY = 1024;
    // Plies that can be made on top of the loaded record (search line, replayed moves).
    static constexpr int PLY_CAPACITY = 1024;
    static constexpr int STATE_CAPACITY = HISTORY_CAPACITY + 1 + PLY_CAPACITY;

    // ---- Loading and storing -------------------------------------------------
    // Loads the position; false (board untouched) for impossible piece counts.
    // The fifty-move count starts at 0 and no earlier positions are known.
    // Castling rights whose king or rook is not at home, and an en-passant
    // square no pawn can just have passed, are dropped (the key then leaves them out).
    static bool load(const CPosition& position);
    // Loads the position together with the keys of the positions that preceded
    // it in the game, oldest first (the game's positions since its last capture
    // or pawn move; at most HISTORY_CAPACITY, older ones are dropped). The
    // fifty-move count then starts at the position's half-move clock, and
    // gameState() and the search see repetitions of those earlier positions.
    static bool load(const CPosition& position, const uint64_t* historyKeys, int historyCount);
    static void store(CPosition& position);

    // ---- Keys --------------------------------------------------------------
    static uint64_t computeHashKey();
    static uint64_t computePawnKey();
    static uint64_t hashKey() { return m_state->hashKey; }
    static uint64_t pawnKey() { return m_state->pawnKey; }
    // Replaces the key table (as the hamm command does) and recomputes the keys
    // of every record from the loaded one up; the keys of earlier game positions
    // cannot be recomputed and are dropped. Positions held elsewhere
    // (CPosition values, the game record) must recompute their own keys.
    static void installZobristValues(const uint64_t values[64][13]);

    // ---- Piece values --------------------------------------------------------
    // Search value of a piece code. The evaluation's parameters set the pawn..queen
    // values; a new value takes effect at the next load, so that a make and its
    // unmake always add and subtract the same amounts.
    static void setSearchPieceValue(int code, int value);
    static int searchPieceValue(int code) { return m_searchValues[code + 6]; }

    // ---- Move generation -----------------------------------------------------
    static void generateCaptures(CMoveList& list);
    static void generateNonCaptures(CMoveList& list);
    static void generateEvasions(CMoveList& list);
    static void generateLegalMoves(CMoveList& list);
    static void generateSortedLegalMoves(CMoveList& list);
    static bool isInCheck(int colour);
    static Bitboard attacksFrom(int square);
    static int findChecker(int colour);
    static bool isPseudoLegal(Move move);
    static bool isLegalMove(Move move);
    static bool isPinned(int square);
    // Is the square attacked by any piece of the colour, on the current occupancy?
    static bool isAttacked(int square, int byColour);
    // The same on another occupancy (pieces of byColour outside it still count).
    static bool attackedOnOccupancy(int square, int byColour, Bitboard occupancy);
    // May the king of the colour cross this square when castling (not attacked
    // with the king itself lifted off the board)?
    static bool castlingPathSafe(int colour, int crossedSquare);

    // Root move ordering needs the exchange value of a capture; start-up
    // installs the search's evaluator here (without one, captures score by the
    // victim's value minus the attacker's when the target is defended).
    typedef int (*ExchangeEvaluator)(Move move);
    static void setExchangeEvaluator(ExchangeEvaluator evaluator) { m_exchangeEvaluator = evaluator; }

    // ---- Making moves ----------------------------------------------------------
    // Plays a pseudo-legal move of the side to move (no legality test). Callers
    // that may go deep check hasRoom() first: on a full state stack the move is
    // only counted (the board keeps its position) and the matching unmake
    // uncounts it, so nothing is ever written past the stack.
    static void makeMove(Move move);
    static void unmakeMove();
    static void makeNullMove();
    static void unmakeNullMove();
    static bool hasRoom() { return m_state < m_stateStack + STATE_CAPACITY - 1; }
    // Plies made since the load.
    static int ply() { return int(m_state - m_loadedState); }
    static int gameState();

    // ---- Checks ----------------------------------------------------------------
    // Recounts everything from the mailbox and compares it with the kept
    // bitboards, occupancies, counts, sums and keys.
    static bool isConsistent();

    // ---- Slider lookups on the current occupancy -------------------------------------
    static Bitboard rankAttacks(int s) { return attacks::RANK_ATTACKS[s][(m_occupied >> (s & 56)) & 0xff]; }
    static Bitboard fileAttacks(int s) { return attacks::FILE_ATTACKS[s][m_fileOccupancy[s & 7]]; }
    static Bitboard diagAttacks(int s) { return attacks::DIAG_ATTACKS[s][m_diagOccupancy[(s >> 3) - (s & 7) + 7]]; }
    static Bitboard antiDiagAttacks(int s)
    {
        return attacks::ANTI_DIAG_ATTACKS[s][m_antiDiagOccupancy[(s >> 3) + (s & 7)]];
    }
    static Bitboard rookAttacks(int s) { return rankAttacks(s) | fileAttacks(s); }
    static Bitboard bishopAttacks(int s) { return diagAttacks(s) | antiDiagAttacks(s); }
    static Bitboard queenAttacks(int s) { return rookAttacks(s) | bishopAttacks(s); }

    // ---- Read access -------------------------------------------------------------
    static int pieceAt(int square) { return m_board[square]; }
    static Bitboard pieces(int code) { return m_pieceBits[code + 6]; }
    static Bitboard colourPieces(int colour) { return m_colourBits[colour]; }
    static Bitboard occupied() { return m_occupied; }
    // -1 while that king is captured (only after a pseudo-legal move taking a
    // king, in positions where the side not to move stood in check).
    static int kingSquare(int colour) { return m_kingSquare[colour]; }
    static int sideToMove() { return m_sideToMove; }
    static const BoardState& state() { return *m_state; }
    // The record `back` plies below the current one (0 = current); the
    // records of earlier game positions carry only their keys and counters.
    static const BoardState& stateBack(int back) { return *(m_state - back); }
    // Records available below the current one (plies made plus known history).
    static int statesBelow() { return int(m_state - m_historyStart); }

    // ---- Data (all static: there is exactly one search board) -------------------
    static int32_t m_board[64];
    static Bitboard m_pieceBits[13];  // by code + 6; entry 6 unused
    static Bitboard m_colourBits[2];
    static Bitboard m_occupied;              // byte r = occupancy of rank r + 1
    static uint8_t m_fileOccupancy[8];       // bit r = square r * 8 + file
    static uint8_t m_diagOccupancy[15];      // a1-h8 lines by rank - file + 7; bit = file
    static uint8_t m_antiDiagOccupancy[15];  // h1-a8 lines by rank + file; bit = file
    static int32_t m_kingSquare[2];
    static int32_t m_pieceCount[13];   // by code + 6
    static int32_t m_totalPieces;      // kings included
    static uint32_t m_pieceTypes[2];   // bit type - 1 while the side has that type (no kings)
    static int32_t m_materialBalance;  // white minus black, search values
    static int32_t m_nonPawnMaterial[2];
    static int32_t m_pieceUnits[2];
    static uint8_t m_sideToMove;
    static int32_t m_castled[2];  // 0 not castled, 1 king-side, 2 queen-side
    static BoardState m_stateStack[STATE_CAPACITY];
    static BoardState* m_state;         // current record
    static BoardState* m_loadedState;   // record of the loaded position
    static BoardState* m_historyStart;  // oldest record of earlier game positions
    static uint64_t m_zobristValues[64][13];
    static int32_t m_searchValues[13];     // by code + 6, in force since the last load
    static int32_t m_pendingValues[13];    // by code + 6, taken over at the next load
    static int32_t m_overflowPlies;        // moves refused on a full state stack
    static const int32_t SEARCH_UNITS[7];  // by type
    static ExchangeEvaluator m_exchangeEvaluator;

private:
    // ---- Piece primitives ------------------------------------------------------------
    // The key changes of a move, gathered while its pieces move and applied to
    // its record at the end.
    struct KeyChange
    {
        uint64_t hash = 0;
        uint64_t pawn = 0;
        void toggle(uint64_t key, int code)
        {
            hash ^= key;
            pawn ^= key & -uint64_t(pieceType(code) == PAWN);  // without a branch to mispredict
        }
    };
    // Each keeps every representation of the placement in step: mailbox, piece,
    // colour and occupancy bitboards, rotated occupancies, counts, piece types,
    // material sums, king squares, and the keys through `keys` (unmake ignores
    // those: the record below still holds the keys from before the move).
    static void putPiece(int square, int code, KeyChange& keys);
    static void removePiece(int square, int code, KeyChange& keys);
    static void relocatePiece(int from, int to, int code, KeyChange& keys);
    static void placePiece(int square, int code);
    static uint64_t pieceKey(int square, int code) { return m_zobristValues[square][code + 6]; }
    // Pushes the record of a move (NO_MOVE for a null move), carrying over what
    // the move does not change, and passes the turn; false, with the move only
    // counted, when the stack is full. popState() takes a record and the turn
    // back; false when there was none to take (a counted move is uncounted).
    static bool pushState(Move move);
    static bool popState();
    template <int SIDE>
    static void makeMoveOf(Move move);
    template <int SIDE>
    static void unmakeMoveOf(Move move);
    static void setLineOccupancy(int s)
    {
        m_fileOccupancy[s & 7] |= uint8_t(1 << (s >> 3));
        m_diagOccupancy[(s >> 3) - (s & 7) + 7] |= uint8_t(1 << (s & 7));
        m_antiDiagOccupancy[(s >> 3) + (s & 7)] |= uint8_t(1 << (s & 7));
    }
    static void clearLineOccupancy(int s)
    {
        m_fileOccupancy[s & 7] &= uint8_t(~(1 << (s >> 3)));
        m_diagOccupancy[(s >> 3) - (s & 7) + 7] &= uint8_t(~(1 << (s & 7)));
        m_antiDiagOccupancy[(s >> 3) + (s & 7)] &= uint8_t(~(1 << (s & 7)));
    }
};
