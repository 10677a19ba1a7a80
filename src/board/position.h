// CPosition: the small, copyable mailbox position used everywhere outside the search.
#pragma once

#include <cstdint>
#include <string>

#include "board/movelist.h"
#include "board/types.h"

class CPosition
{
public:
    // Piece values by type (king 0); the material totals count only the non-pawn pieces.
    static constexpr int PIECE_VALUES[7] = {0, 1, 3, 3, 5, 9, 0};
    // Castling flag indices.
    static constexpr int WHITE_KINGSIDE = 0;
    static constexpr int WHITE_QUEENSIDE = 1;
    static constexpr int BLACK_KINGSIDE = 2;
    static constexpr int BLACK_QUEENSIDE = 3;

    // The standard start position.
    CPosition();

    void clear();
    bool isStartPosition() const;
    bool isRotatedStartPosition() const;

    // Placement.
    int pieceAt(int square) const { return (square >= 0 && square < 64) ? m_squares[square] : 0; }
    int pieceAt(int rank, int file) const
    {
        return (rank >= 0 && rank < 8 && file >= 0 && file < 8) ? m_squares[rank * 8 + file] : 0;
    }
    // Keeps the key, the material totals and the king squares; ignores squares off the board.
    void setPiece(int square, int code);

    // Game state.
    int sideToMove() const { return m_sideToMove; }
    void setSideToMove(int side) { m_sideToMove = side ? 1 : 0; }
    bool castling(int index) const { return index >= 0 && index < 4 && m_castling[index] != 0; }
    void setCastling(int index, bool allowed);
    int epSquare() const { return m_epSquare; }
    void setEpSquare(int square);
    std::string epSquareText() const;
    void setEpSquareText(const std::string& text);
    int halfmoveClock() const { return m_halfmoveClock; }
    void setHalfmoveClock(int plies) { m_halfmoveClock = plies; }
    int moveNumber() const { return m_moveNumber; }
    void setMoveNumber(int number) { m_moveNumber = number; }
    int whiteKingSquare() const { return m_whiteKingSquare; }
    int blackKingSquare() const { return m_blackKingSquare; }
    int kingSquare(int colour) const { return colour == WHITE ? m_whiteKingSquare : m_blackKingSquare; }

    // Hash key (no side-to-move component) and material (non-pawn pieces, 9/5/3/3).
    uint64_t hashKey() const { return m_hashKey; }
    void setHashKey(uint64_t key) { m_hashKey = key; }
    uint64_t computeHashKey() const;
    int material(int colour) const { return m_material[colour ? 1 : 0]; }
    int materialOf(int colour) const;
    // Recounts both material totals from the squares.
    void recountMaterial();

    // FEN.
    std::string toFen() const;
    std::string toFullFen() const;
    bool setFromFen(const std::string& text);

    // Notation.
    std::string moveToSan(Move move) const;
    bool parseMove(const std::string& text, Move& move) const;
    bool tokenizeMove(const std::string& text, char& pieceLetter, int& fromSpec, int& toSpec,
                      char& promotionLetter) const;
    bool moveMatches(char pieceLetter, int fromSpec, int toSpec, char promotionLetter, Move move) const;

    // Move generation for the side to move.
    void generatePseudoLegal(CMoveList& list) const;
    void generatePseudoLegalFrom(int square, CMoveList& list) const;
    void generatePseudoLegalOf(int pieceCode, CMoveList& list) const;
    void generateLegal(CMoveList& list) const;
    void generateLegalFrom(int square, CMoveList& list) const;
    void generateLegalOf(int pieceCode, CMoveList& list) const;
    bool isAttacked(int square, int byColour) const;
    // Whether the king of the side to move is attacked.
    bool isInCheck() const;
    // Whether a pseudo-legal move leaves the mover's king safe (and captures no king).
    bool isLegalAfter(Move move) const;

    // Plays a move word on this value (callers keep a copy to take it back).
    void makeMove(Move move);

private:
    // A fresh position with White to move at move 1: the placement, all four castling rights
    // or none, the two king squares, no en-passant square; key and material computed.
    void setUp(const int placement[64], bool castlingRights, int whiteKingSquare, int blackKingSquare);
    void generateMovesOfSquare(int square, CMoveList& list) const;
    void generatePawnMoves(int square, CMoveList& list) const;
    void generateCastling(int square, CMoveList& list) const;
    void filterLegal(const CMoveList& pseudo, CMoveList& list) const;

    int32_t m_squares[64];
    uint8_t m_sideToMove;
    uint8_t m_castling[4];
    int32_t m_epSquare;
    int32_t m_halfmoveClock;
    int32_t m_moveNumber;
    int32_t m_blackKingSquare;
    int32_t m_whiteKingSquare;
    uint64_t m_hashKey;
    int32_t m_material[2];
};
