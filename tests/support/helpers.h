// Helpers shared by every test program: capturing what the engine prints, scratch files,
// loading FENs onto the position and the search board, and the published perft data.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board/position.h"
#include "base/output.h"

// Collects everything output() prints while it lives; take() hands the text over and starts afresh.
class CCapture
{
public:
    CCapture() : m_previous(setOutputCapture(&m_text)) {}
    ~CCapture() { setOutputCapture(m_previous); }
    CCapture(const CCapture&) = delete;
    CCapture& operator=(const CCapture&) = delete;
    const std::string& text() const { return m_text; }
    std::string take()
    {
        std::string t;
        t.swap(m_text);
        return t;
    }

private:
    std::string m_text;
    std::string* m_previous;
};

// Everything one console command handler prints for one call.
template <typename Handler>
std::string captureCommand(Handler handler, const std::string& args)
{
    CCapture capture;
    handler(args);
    return capture.take();
}

// A fresh path in this process's scratch folder, which is removed with everything in it
// when the process ends.
inline std::string tempPath(const std::string& name)
{
    static struct Folder
    {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("vekran_test_" + std::to_string(getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    static int serial = 0;
    return (folder.path / (std::to_string(++serial) + "_" + name)).string();
}

// Runs the enclosing scope in a fresh scratch folder as the current directory.
class CTempCwd
{
public:
    CTempCwd() : m_old(std::filesystem::current_path()), m_path(tempPath("cwd"))
    {
        std::filesystem::create_directories(m_path);
        std::filesystem::current_path(m_path);
    }
    ~CTempCwd()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_old, ignored);
    }
    const std::string& path() const { return m_path; }

private:
    std::filesystem::path m_old;
    std::string m_path;
};

// The whole content of a file, bytes unchanged ("" when it cannot be read).
inline std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

inline std::string testData(const std::string& name) { return std::string(VEKRAN_TEST_DATA) + "/" + name; }

// The blank-separated words, or the lines (without their line ends), of a text.
inline std::vector<std::string> splitWords(const std::string& text)
{
    std::istringstream in(text);
    return std::vector<std::string>(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
}

inline std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline CPosition positionFromFen(const std::string& fen)
{
    CPosition position;
    EXPECT_TRUE(position.setFromFen(fen)) << fen;
    return position;
}

// Puts the FEN on the search board (and into *out); a failure is recorded and returned.
inline bool loadFen(const std::string& fen, CPosition* out = nullptr)
{
    CPosition position = positionFromFen(fen);
    if (out)
        *out = position;
    const bool loaded = CBoard::load(position);
    EXPECT_TRUE(loaded) << fen;
    return loaded;
}

// The legal move with this coordinate text ("e2e4", "e7e8q"), or NO_MOVE.
inline Move legalMove(const CPosition& position, const std::string& coordinate)
{
    CMoveList legal;
    position.generateLegal(legal);
    for (Move move : legal)
        if (moveToCoordinate(move) == coordinate)
            return move;
    return NO_MOVE;
}

// Plays moves in coordinate notation on the search board, each one legal.
inline void playOnBoard(const std::string& moves)
{
    for (const std::string& text : splitWords(moves))
    {
        CMoveList legal;
        CBoard::generateLegalMoves(legal);
        Move move = NO_MOVE;
        for (Move m : legal)
            move = moveToCoordinate(m) == text ? m : move;
        ASSERT_NE(move, NO_MOVE) << "not legal: " << text;
        CBoard::makeMove(move);
        ASSERT_TRUE(CBoard::isConsistent()) << text;
    }
}

inline std::vector<Move> sortedWords(const CMoveList& list, Move ignoreBits = 0)
{
    std::vector<Move> words;
    for (Move move : list)
        words.push_back(move & ~ignoreBits);
    std::sort(words.begin(), words.end());
    return words;
}

inline std::string moveListText(const std::vector<Move>& moves)
{
    std::string text;
    for (Move move : moves)
        text += moveToLongText(move) + " ";
    return text;
}

// The rows of a table under tests/data, one a line, fields separated by '|' and trimmed (a
// field in double quotes keeps its blanks); empty lines and lines starting with '#' are comments.
inline std::vector<std::vector<std::string>> dataRows(const std::string& name)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : splitLines(fileText(testData(name))))
    {
        if (line.empty() || line[0] == '#')
            continue;
        rows.emplace_back();
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '|');)
        {
            const size_t from = field.find_first_not_of(' '), to = field.find_last_not_of(' ');
            field = from == std::string::npos ? "" : field.substr(from, to - from + 1);
            const bool quoted = field.size() >= 2 && field.front() == '"' && field.back() == '"';
            rows.back().push_back(quoted ? field.substr(1, field.size() - 2) : field);
        }
        if (line.back() == '|')
            rows.back().push_back("");
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}

// One line of a perft file ("FEN ;D1 20 ;D2 400 ..."): the position and its published leaf counts.
struct PerftCase
{
    std::string fen;
    std::vector<std::pair<int, uint64_t>> counts;  // depth, leaves
};

inline std::vector<PerftCase> readPerftCases(const std::string& name)
{
    std::vector<PerftCase> cases;
    std::ifstream in(testData("perft/" + name));
    EXPECT_TRUE(in.good()) << name;
    for (std::string line; std::getline(in, line);)
    {
        std::istringstream fields(line);
        PerftCase c;
        std::getline(fields, c.fen, ';');
        while (!c.fen.empty() && c.fen.back() == ' ')
            c.fen.pop_back();
        int depth = 0;
        unsigned long long leaves = 0;
        for (std::string part; std::getline(fields, part, ';');)
            if (std::sscanf(part.c_str(), " D%d %llu", &depth, &leaves) == 2)
                c.counts.push_back({depth, leaves});
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

// Every PGN file of the test data, sorted.
inline std::vector<std::string> pgnFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(testData("pgn")))
        if (entry.path().extension() == ".pgn")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Compares a text with the golden file tests/data/golden/<name> byte for byte; with
// VEKRAN_UPDATE_GOLDEN=1 in the environment it writes the text there instead.
inline void expectGolden(const std::string& name, const std::string& actual)
{
    const std::string path = testData("golden/" + name);
    const char* update = std::getenv("VEKRAN_UPDATE_GOLDEN");
    if (update && std::string(update) == "1")
    {
        writeText(path, actual);
        std::printf("updated %s\n", path.c_str());
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing (VEKRAN_UPDATE_GOLDEN=1 writes it)";
    // gtest shows a line-by-line difference of the two texts.
    EXPECT_EQ(fileText(path), actual) << name;
}
