// Move notation: coordinate and long text, SAN with disambiguation, and the
// tolerant move reader that accepts SAN, coordinate and long algebraic input.
#include "board/notation.h"

#include <cstring>

#include "board/position.h"

const char PIECE_LETTERS[14] = "kqrbnp PNBRQK";

int pieceCodeOfLetter(char letter)
{
    if (letter == ' ' || letter == '\0')
        return 0;
    const char* found = std::strchr(PIECE_LETTERS, letter);
    return found ? int(found - PIECE_LETTERS) - 6 : 0;
}

namespace
{
const char UPPER_LETTERS[] = " PNBRQK";
const char LOWER_LETTERS[] = " pnbrqk";
// Upper-case letter of a piece code's type, for both colours.
const char TYPE_LETTER_BY_CODE[] = "KQRBNP PNBRQK";

std::string squareName(int square) { return std::string{char('a' + fileOf(square)), char('1' + rankOf(square))}; }

bool sameTextIgnoringCase(const std::string& text, const char* word)
{
    size_t i = 0;
    for (; word[i] != '\0'; ++i)
    {
        if (i >= text.size())
            return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return i == text.size();
}

// The piece type an upper-case letter names; 0 for anything else.
int pieceTypeOfLetter(char letter)
{
    const int code = pieceCodeOfLetter(letter);
    return code > 0 ? code : 0;
}

// Does the square lie on the file and rank that the spec fixes?
bool squareFitsSpec(int square, int spec)
{
    if (spec >= 0 && spec < 64)
        return square == spec;
    if (isFileSpec(spec))
        return fileOf(square) == spec + 20;
    if (isRankSpec(spec))
        return rankOf(square) == spec + 10;
    return true;
}
}  // namespace

std::string moveToCoordinate(Move move)
{
    if (move == NO_MOVE)
        return "null";
    std::string text = squareName(moveFrom(move)) + squareName(moveTo(move));
    if (isPromotion(move))
        text += LOWER_LETTERS[movePromotion(move) <= KING ? movePromotion(move) : 0];
    return text;
}

std::string moveToLongText(Move move)
{
    if (move == NO_MOVE)
        return "null";
    std::string text(1, UPPER_LETTERS[movePiece(move) <= KING ? movePiece(move) : 0]);
    text += squareName(moveFrom(move));
    text += isCapture(move) ? 'x' : '-';
    text += squareName(moveTo(move));
    if (isPromotion(move))
    {
        text += '=';
        text += UPPER_LETTERS[movePromotion(move) <= KING ? movePromotion(move) : 0];
    }
    return text;
}

std::string squareToText(int code)
{
    if (code >= 0 && code < 64)
        return squareName(code);
    if (isFileSpec(code))
        return std::string(1, char('a' + code + 20));
    if (isRankSpec(code))
        return std::string(1, char('1' + code + 10));
    return "";
}

std::string CPosition::moveToSan(Move move) const
{
    if (move == NO_MOVE)
        return "(null)";
    const int from = moveFrom(move);
    const int to = moveTo(move);
    if (movePiece(move) == KING && (to - from == 2 || from - to == 2))
        return to > from ? "O-O" : "O-O-O";
    const int code = m_squares[from];
    if (code == 0)
        return "(invalid)";

    std::string san;
    if (pieceType(code) != PAWN)
        san += UPPER_LETTERS[pieceType(code)];

    // Name as much of the from-square as the other pieces of the same kind
    // that could go to the same square require.
    int disambiguation = SQUARE_SPEC_NONE;
    CMoveList legal;
    generateLegal(legal);
    for (Move other : legal)
    {
        const int otherFrom = moveFrom(other);
        if (moveTo(other) != to || otherFrom == from || m_squares[otherFrom] != code)
            continue;
        if (fileOf(otherFrom) == fileOf(from))
            disambiguation =
                (disambiguation == SQUARE_SPEC_NONE || isRankSpec(disambiguation)) ? rankSpec(rankOf(from)) : from;
        else
            disambiguation =
                (disambiguation == SQUARE_SPEC_NONE || isFileSpec(disambiguation)) ? fileSpec(fileOf(from)) : from;
    }
    const bool capture = m_squares[to] != 0 || isEnPassant(move);
    if (capture && pieceType(code) == PAWN)
    {
        if (disambiguation == SQUARE_SPEC_NONE)
            disambiguation = fileSpec(fileOf(from));
        else if (isRankSpec(disambiguation))
            disambiguation = from;
    }
    san += squareToText(disambiguation);
    if (capture)
        san += 'x';
    san += squareName(to);
    if (isPromotion(move))
    {
        san += '=';
        san += UPPER_LETTERS[movePromotion(move) <= KING ? movePromotion(move) : 0];
    }

    CPosition after(*this);
    after.makeMove(move);
    if (after.isInCheck())
    {
        CMoveList replies;
        after.generateLegal(replies);
        san += replies.empty() ? '#' : '+';
    }
    return san;
}

bool CPosition::tokenizeMove(const std::string& text, char& pieceLetter, int& fromSpec, int& toSpec,
                             char& promotionLetter) const
{
    const bool white = m_sideToMove != 0;
    promotionLetter = 0;
    static const char* const LONG_CASTLING[] = {"o-o-o", "o-o-o+", "o-o-o#", "0-0-0", "0-0-0+", "0-0-0#"};
    static const char* const SHORT_CASTLING[] = {"o-o", "o-o+", "o-o#", "0-0", "0-0+", "0-0#"};
    for (int i = 0; i < 6; ++i)
    {
        const bool longSide = sameTextIgnoringCase(text, LONG_CASTLING[i]);
        if (longSide || sameTextIgnoringCase(text, SHORT_CASTLING[i]))
        {
            // The king, named in the upper case that the matching step reads.
            pieceLetter = 'K';
            fromSpec = white ? 4 : 60;
            toSpec = (white ? 0 : 56) + (longSide ? 2 : 6);
            return true;
        }
    }

    pieceLetter = 0;
    fromSpec = SQUARE_SPEC_NONE;
    toSpec = SQUARE_SPEC_NONE;
    size_t pos = 0;
    auto at = [&](size_t i) { return i < text.size() ? text[i] : '\0'; };
    auto isFile = [](char c) { return c >= 'a' && c <= 'h'; };
    auto isRank = [](char c) { return c >= '1' && c <= '8'; };
    auto readSquare = [&](int& spec) {
        if (isFile(at(pos)))
        {
            spec = fileSpec(at(pos) - 'a');
            ++pos;
            if (isRank(at(pos)))
            {
                spec = squareOf(at(pos) - '1', spec + 20);
                ++pos;
            }
        }
        else if (isRank(at(pos)))
        {
            spec = rankSpec(at(pos) - '1');
            ++pos;
        }
    };

    // A lower-case b is the b-file, never the bishop.
    const char first = at(0);
    if (first != '\0' && strchr("BKNPQRknpqr", first) != nullptr)
    {
        pieceLetter = (first >= 'a' && first <= 'z') ? char(first - 'a' + 'A') : first;
        ++pos;
    }
    readSquare(fromSpec);
    if (at(pos) == 'x' || at(pos) == '-')
        ++pos;
    readSquare(toSpec);
    if (fromSpec != SQUARE_SPEC_NONE && toSpec == SQUARE_SPEC_NONE)
    {
        toSpec = fromSpec;
        fromSpec = SQUARE_SPEC_NONE;
    }
    if (pieceLetter == 0)
    {
        if (fromSpec >= 0 && toSpec >= 0 && m_squares[fromSpec] != 0)
            pieceLetter = TYPE_LETTER_BY_CODE[m_squares[fromSpec] + 6];
        else
            pieceLetter = 'P';
    }
    auto promotionOf = [](char c) -> char {
        switch (c)
        {
        case 'N':
        case 'n':
            return 'N';
        case 'B':
        case 'b':
            return 'B';
        case 'R':
        case 'r':
            return 'R';
        case 'Q':
        case 'q':
            return 'Q';
        default:
            return 0;
        }
    };
    if (at(pos) == '=' && promotionOf(at(pos + 1)) != 0)
    {
        promotionLetter = promotionOf(at(pos + 1));
        pos += 2;
    }
    else if (promotionOf(at(pos)) != 0)
    {
        promotionLetter = promotionOf(at(pos));
        ++pos;
    }
    if (at(pos) == '+')
    {
        ++pos;
        if (at(pos) == '+')
            ++pos;
    }
    else if (at(pos) == '#')
        ++pos;
    // Anything left over (an embedded NUL included) makes the text no move.
    return pos == text.size();
}

bool CPosition::moveMatches(char pieceLetter, int fromSpec, int toSpec, char promotionLetter, Move move) const
{
    if (!squareFitsSpec(moveTo(move), toSpec))
        return false;
    if (promotionLetter == 0)
    {
        if (isPromotion(move))
            return false;
    }
    else if (movePromotion(move) != pieceTypeOfLetter(promotionLetter) || pieceTypeOfLetter(promotionLetter) == PAWN ||
             pieceTypeOfLetter(promotionLetter) == KING)
        return false;
    const int from = moveFrom(move);
    if (!squareFitsSpec(from, fromSpec))
        return false;
    const int code = m_squares[from];
    return code != 0 && pieceColour(code) == (m_sideToMove ? WHITE : BLACK) &&
           pieceType(code) == pieceTypeOfLetter(pieceLetter);
}

bool CPosition::parseMove(const std::string& text, Move& move) const
{
    char pieceLetter, promotionLetter;
    int fromSpec, toSpec;
    if (!tokenizeMove(text, pieceLetter, fromSpec, toSpec, promotionLetter))
        return false;
    // A text that names no target square at all ("", "N", "x") is no move,
    // even when the side has a single move of that kind.
    if (toSpec == SQUARE_SPEC_NONE)
        return false;
    if (pieceLetter == 'P' && text.size() >= 2 && text[0] == 'b' && text[1] == 'b')
    {
        pieceLetter = 'B';
        fromSpec = SQUARE_SPEC_NONE;
    }

    const int sign = m_sideToMove ? 1 : -1;
    auto countMatches = [&](char letter, int from, int to, char promotion, Move& found) {
        CMoveList legal;
        generateLegalOf(pieceTypeOfLetter(letter) * sign, legal);
        int matches = 0;
        for (Move candidate : legal)
            if (moveMatches(letter, from, to, promotion, candidate))
            {
                ++matches;
                found = candidate;
            }
        return matches;
    };

    Move found = NO_MOVE;
    const int matches = countMatches(pieceLetter, fromSpec, toSpec, promotionLetter, found);
    if (matches == 1)
    {
        move = found;
        return true;
    }
    if (matches > 1)
        return false;

    // "bxc3" names the bishop when no b-pawn can make the move.
    if (pieceLetter == 'P' && !text.empty() && text[0] == 'b' && isFileSpec(fromSpec) && fromSpec + 20 == 1 &&
        toSpec >= 0 && toSpec < 64)
    {
        std::string bishopText = text;
        bishopText[0] = 'B';
        if (!tokenizeMove(bishopText, pieceLetter, fromSpec, toSpec, promotionLetter) || toSpec == SQUARE_SPEC_NONE)
            return false;
        if (countMatches(pieceLetter, fromSpec, toSpec, promotionLetter, found) == 1)
        {
            move = found;
            return true;
        }
    }
    return false;
}
