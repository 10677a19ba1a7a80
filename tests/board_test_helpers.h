// Helpers shared by the board and position tests: a full snapshot of the search board for
// round-trip checks, FEN loading, and the published perft positions of the test data.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board/position.h"

struct BoardSnapshot
{
    int32_t board[64];
    Bitboard pieceBits[13], colourBits[2], occupied;
    uint8_t fileOcc[8], diagOcc[15], antiOcc[15];
    int32_t kings[2], counts[13], total, balance, nonPawn[2], units[2], castled[2];
    uint32_t types[2];
    uint8_t side;
    const BoardState* state;
    BoardState record;

    static BoardSnapshot take()
    {
        BoardSnapshot s;
        std::memset(&s, 0, sizeof s);
        std::memcpy(s.board, CBoard::m_board, sizeof s.board);
        std::memcpy(s.pieceBits, CBoard::m_pieceBits, sizeof s.pieceBits);
        std::memcpy(s.colourBits, CBoard::m_colourBits, sizeof s.colourBits);
        s.occupied = CBoard::m_occupied;
        std::memcpy(s.fileOcc, CBoard::m_fileOccupancy, sizeof s.fileOcc);
        std::memcpy(s.diagOcc, CBoard::m_diagOccupancy, sizeof s.diagOcc);
        std::memcpy(s.antiOcc, CBoard::m_antiDiagOccupancy, sizeof s.antiOcc);
        std::memcpy(s.kings, CBoard::m_kingSquare, sizeof s.kings);
        std::memcpy(s.counts, CBoard::m_pieceCount, sizeof s.counts);
        s.total = CBoard::m_totalPieces;
        s.balance = CBoard::m_materialBalance;
        std::memcpy(s.nonPawn, CBoard::m_nonPawnMaterial, sizeof s.nonPawn);
        std::memcpy(s.units, CBoard::m_pieceUnits, sizeof s.units);
        std::memcpy(s.castled, CBoard::m_castled, sizeof s.castled);
        std::memcpy(s.types, CBoard::m_pieceTypes, sizeof s.types);
        s.side = CBoard::m_sideToMove;
        s.state = CBoard::m_state;
        s.record = *CBoard::m_state;
        return s;
    }
    bool operator==(const BoardSnapshot& other) const { return std::memcmp(this, &other, sizeof *this) == 0; }
};

inline CPosition positionFromFen(const std::string& fen)
{
    CPosition position;
    EXPECT_TRUE(position.setFromFen(fen)) << fen;
    return position;
}

inline void loadFen(const std::string& fen)
{
    CPosition position = positionFromFen(fen);
    ASSERT_TRUE(CBoard::load(position)) << fen;
}

// One line of a perft file: the position and its published leaf counts by depth.
struct PerftCase
{
    std::string fen;
    std::vector<std::pair<int, uint64_t>> counts;  // depth, leaves
};

// The cases of a file in the test data's perft folder (lines "FEN ;D1 20 ;D2 400 ...").
inline std::vector<PerftCase> readPerftCases(const std::string& name)
{
    std::vector<PerftCase> cases;
    std::ifstream in(std::string(VEKRAN_TEST_DATA) + "/perft/" + name);
    EXPECT_TRUE(in.good()) << name;
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream fields(line);
        std::string part;
        PerftCase c;
        std::getline(fields, c.fen, ';');
        while (!c.fen.empty() && c.fen.back() == ' ')
            c.fen.pop_back();
        while (std::getline(fields, part, ';'))
        {
            int depth = 0;
            unsigned long long leaves = 0;
            if (std::sscanf(part.c_str(), " D%d %llu", &depth, &leaves) == 2)
                c.counts.push_back({depth, leaves});
        }
        if (!c.fen.empty())
            cases.push_back(c);
    }
    return cases;
}

// The positions of both perft files: a varied set with castling, en passant and promotions.
inline std::vector<std::string> perftFens()
{
    std::vector<std::string> fens;
    for (const char* name : {"cpw-six-positions.epd", "tricky-movegen.epd"})
        for (const PerftCase& c : readPerftCases(name))
            fens.push_back(c.fen);
    return fens;
}

// The whole content of a file, bytes unchanged.
inline std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Blank-separated words of a text.
inline std::vector<std::string> splitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The legal move of the search board with this coordinate text, or NO_MOVE.
inline Move boardMove(const std::string& coordinate)
{
    CMoveList legal;
    CBoard::generateLegalMoves(legal);
    for (Move move : legal)
        if (moveToCoordinate(move) == coordinate)
            return move;
    return NO_MOVE;
}

// Plays moves given in coordinate notation on the search board, each one legal.
inline void playOnBoard(const std::string& moves)
{
    for (const std::string& text : splitWords(moves))
    {
        Move move = boardMove(text);
        ASSERT_NE(move, NO_MOVE) << "not legal: " << text;
        CBoard::makeMove(move);
        ASSERT_TRUE(CBoard::isConsistent()) << text;
    }
}

// Moves in the long text form, for readable failures.
inline std::string moveListText(const std::vector<Move>& moves)
{
    std::string text;
    for (Move move : moves)
        text += moveToLongText(move) + " ";
    return text;
}

inline std::vector<Move> sortedWords(const CMoveList& list, Move ignoreBits = 0)
{
    std::vector<Move> words;
    for (Move move : list)
        words.push_back(move & ~ignoreBits);
    std::sort(words.begin(), words.end());
    return words;
}
