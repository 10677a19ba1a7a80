// FEN reading and writing for CPosition.
#include "board/position.h"

#include "board/notation.h"

#include <climits>

namespace
{
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reading beyond the end yields NUL, so the parser never indexes past the text.
struct CFenCursor
{
    const std::string& text;
    size_t pos = 0;

    char peek(size_t ahead = 0) const { return pos + ahead < text.size() ? text[pos + ahead] : '\0'; }
    bool atEnd() const { return pos >= text.size(); }
    void skipBlanks()
    {
        while (!atEnd() && isBlank(text[pos]))
            ++pos;
    }
};

// Could a pawn of the side that just moved have passed over this square?
// The square must be on the passed rank, empty, the square it came from
// empty, and the pawn must stand in front of it. Anything else would let an
// en-passant capture remove an own piece, nothing, or a piece off the board.
bool isPlausibleEpSquare(const int squares[64], int epSquare, bool whiteToMove)
{
    const int rank = rankOf(epSquare);
    if (whiteToMove)
        return rank == 5 && squares[epSquare] == 0 && squares[epSquare + 8] == 0 && squares[epSquare - 8] == -PAWN;
    return rank == 2 && squares[epSquare] == 0 && squares[epSquare - 8] == 0 && squares[epSquare + 8] == PAWN;
}
}  // namespace

std::string CPosition::toFen() const
{
    std::string fen;
    for (int rank = 7; rank >= 0; --rank)
    {
        int emptyRun = 0;
        for (int file = 0; file < 8; ++file)
        {
            const int code = m_squares[squareOf(rank, file)];
            if (code == 0)
            {
                ++emptyRun;
                continue;
            }
            if (emptyRun > 0)
                fen += char('0' + emptyRun);
            emptyRun = 0;
            fen += PIECE_LETTERS[code + 6];
        }
        if (emptyRun > 0)
            fen += char('0' + emptyRun);
        if (rank > 0)
            fen += '/';
    }
    fen += m_sideToMove ? " w " : " b ";
    const char* castlingLetters = "KQkq";
    bool anyRight = false;
    for (int i = 0; i < 4; ++i)
        if (m_castling[i])
        {
            fen += castlingLetters[i];
            anyRight = true;
        }
    if (!anyRight)
        fen += '-';
    fen += ' ';
    fen += epSquareText();
    return fen;
}

std::string CPosition::toFullFen() const
{
    return toFen() + " " + std::to_string(m_halfmoveClock) + " " + std::to_string(m_moveNumber);
}

bool CPosition::setFromFen(const std::string& text)
{
    CFenCursor in{text};
    int squares[64] = {};
    int counts[13] = {};
    int whiteKing = NO_SQUARE, blackKing = NO_SQUARE;

    // Placement.
    in.skipBlanks();
    int rank = 7, file = 0;
    while (!in.atEnd() && !isBlank(in.peek()) && rank >= 0)
    {
        const char c = in.peek();
        ++in.pos;
        if (c == '/')
        {
            file = 0;
            --rank;
            continue;
        }
        if (file > 7)
            return false;
        if (c >= '1' && c <= '8')
        {
            file += c - '0';
            continue;
        }
        const int code = pieceCodeOfLetter(c);
        if (code == 0)
            return false;
        squares[squareOf(rank, file)] = code;
        ++counts[code + 6];
        if (code == KING)
            whiteKing = squareOf(rank, file);
        else if (code == -KING)
            blackKing = squareOf(rank, file);
        ++file;
    }

    // Piece counts.
    int white = 0, black = 0;
    for (int code = 1; code <= KING; ++code)
    {
        white += counts[code + 6];
        black += counts[-code + 6];
    }
    if (counts[KING + 6] != 1 || counts[-KING + 6] != 1 || counts[PAWN + 6] > 8 || counts[-PAWN + 6] > 8 ||
        white > 16 || black > 16 || white + black > 32)
        return false;

    // Side to move.
    in.skipBlanks();
    if (in.atEnd())
        return false;
    const char side = in.peek();
    ++in.pos;
    bool whiteToMove;
    if (side == 'w' || side == 'W')
        whiteToMove = true;
    else if (side == 'b' || side == 'B')
        whiteToMove = false;
    else
        return false;

    // Castling rights, each needing its king and rook at home.
    uint8_t castlingFlags[4] = {0, 0, 0, 0};
    in.skipBlanks();
    if (in.peek() == '-')
        ++in.pos;
    else
    {
        while (!in.atEnd() && !isBlank(in.peek()))
        {
            int index;
            bool ready;
            switch (in.peek())
            {
            case 'K':
                index = WHITE_KINGSIDE;
                ready = squares[4] == KING && squares[7] == ROOK;
                break;
            case 'Q':
                index = WHITE_QUEENSIDE;
                ready = squares[4] == KING && squares[0] == ROOK;
                break;
            case 'k':
                index = BLACK_KINGSIDE;
                ready = squares[60] == -KING && squares[63] == -ROOK;
                break;
            case 'q':
                index = BLACK_QUEENSIDE;
                ready = squares[60] == -KING && squares[56] == -ROOK;
                break;
            default:
                return false;
            }
            if (castlingFlags[index] || !ready)
                return false;
            castlingFlags[index] = 1;
            ++in.pos;
        }
    }

    // En-passant square.
    int epSquare = NO_SQUARE;
    in.skipBlanks();
    if (in.peek() == '-')
        ++in.pos;
    else if (!in.atEnd())
    {
        const char f = in.peek(), r = in.peek(1);
        if (in.pos + 1 >= text.size() || isBlank(r) || f < 'a' || f > 'h' || r < '1' || r > '8')
            return false;
        epSquare = (f - 'a') + (r - '1') * 8;
        in.pos += 2;
        if (!isPlausibleEpSquare(squares, epSquare, whiteToMove))
            epSquare = NO_SQUARE;
    }

    // Half-move clock: read past, the result always starts counting at 0.
    in.skipBlanks();
    while (in.peek() >= '0' && in.peek() <= '9')
        ++in.pos;

    // Move number.
    in.skipBlanks();
    int moveNumber = 1;
    if (in.peek() >= '0' && in.peek() <= '9')
    {
        long long value = 0;
        while (in.peek() >= '0' && in.peek() <= '9')
        {
            // Capped so that counting on from it can never overflow.
            if (value < INT_MAX / 2)
                value = value * 10 + (in.peek() - '0');
            ++in.pos;
        }
        if (value > INT_MAX / 2)
            value = INT_MAX / 2;
        if (value >= 1)
            moveNumber = int(value);
    }

    for (int s = 0; s < 64; ++s)
        m_squares[s] = squares[s];
    m_sideToMove = whiteToMove ? 1 : 0;
    for (int i = 0; i < 4; ++i)
        m_castling[i] = castlingFlags[i];
    m_epSquare = epSquare;
    m_halfmoveClock = 0;
    m_moveNumber = moveNumber;
    m_whiteKingSquare = whiteKing;
    m_blackKingSquare = blackKing;
    m_hashKey = computeHashKey();
    recountMaterial();
    return true;
}
