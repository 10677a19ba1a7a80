// Every game of the PGN files in the test data: read without a false fault
// (one file holds a deliberate one), as many games as the files hold, main
// lines as long as their PlyCount tags say, and each main line written back as
// SAN and read again gives the same moves. (The legality of every variation
// move is checked by the fuzz test, over these games mutated.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "pgn/pgn.h"
#include "board_test_helpers.h"

namespace
{
std::vector<std::string> pgnFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VEKRAN_TEST_DATA) + "/pgn"))
        if (entry.path().extension() == ".pgn")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Games in the file counted independently of the reader: one per "[Event " line, or one for a
// file of bare move text.
int expectedGames(const std::string& text)
{
    int games = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        games += line.rfind("[Event ", 0) == 0;
    return games > 0 ? games : 1;
}

std::string sanLine(CPosition position, const std::vector<Move>& moves)
{
    std::string text;
    for (Move move : moves)
    {
        if (position.sideToMove() == WHITE)
            text += std::to_string(position.moveNumber()) + ". ";
        else if (text.empty())
            text += std::to_string(position.moveNumber()) + "... ";
        text += position.moveToSan(move) + " ";
        position.makeMove(move);
    }
    return text;
}
}

TEST(PgnFiles, EveryGameReadsAndRoundTrips)
{
    std::vector<std::string> files = pgnFiles();
    ASSERT_GE(files.size(), 20u);
    int totalGames = 0, totalPlies = 0, plyCountsChecked = 0;
    for (const std::string& file : files)
    {
        SCOPED_TRACE(file);
        bool deliberate = file.find("sampleGameThrow") != std::string::npos;
        std::string text = fileText(file);
        PgnLexer lexer;
        ASSERT_TRUE(lexer.openFile(file));
        PgnGame game;
        std::string error;
        int games = 0;
        while (readPgnGame(lexer, game, error))
        {
            ++games;
            if (deliberate)
            {
                // German piece letters: "S" (Springer) is no piece letter here.
                EXPECT_EQ(error, "Error: Line 2: Invalid move: 2. \"Sf3\"");
                continue;
            }
            EXPECT_EQ(error, "") << "game " << games << " " << game.tagValue("White") << " - "
                                 << game.tagValue("Black");
            std::vector<Move> moves = game.mainLine();
            totalPlies += int(moves.size());
            std::string plyCount = game.tagValue("PlyCount");
            if (!plyCount.empty())
            {
                EXPECT_EQ(int(moves.size()), std::atoi(plyCount.c_str())) << "game " << games;
                ++plyCountsChecked;
            }
            // Written back as SAN from the start position and read again: the same moves.
            std::string again = "[Event \"again\"]\n";
            if (!game.tagValue("FEN").empty())
                again += "[FEN \"" + game.tagValue("FEN") + "\"]\n";
            again += sanLine(game.startPosition(), moves) + "*";
            PgnLexer againLexer(again);
            PgnGame copy;
            std::string againError;
            ASSERT_TRUE(readPgnGame(againLexer, copy, againError));
            EXPECT_EQ(againError, "");
            EXPECT_EQ(copy.mainLine(), moves) << again;
        }
        EXPECT_EQ(games, expectedGames(text));
        totalGames += games;
    }
    // 232 + 32 master games and the small files.
    EXPECT_GT(totalGames, 300);
    EXPECT_GT(totalPlies, 20000);
    EXPECT_GE(plyCountsChecked, 2);
}
