// Random and mutated PGN: the reader must end, never crash, keep only legal
// moves in its trees, give well-formed fault texts, read the same from a text
// and from a line-by-line source, and a failed load must leave the record alone.
#include <gtest/gtest.h>

#include <random>

#include "board/game.h"
#include "pgn/pgn.h"
#include "pgn/pgnload.h"
#include "support/helpers.h"

namespace
{
#ifdef VEKRAN_HEAVY_TESTS
const int ROUNDS = 3000;
#else
const int ROUNDS = 400;
#endif

const char* const PIECES[] = {"(",    ")",     "((",  "))",           "{",      "}",    "[",    "]",       "\"",
                              "\\",   ";",     "\n",  "\r",           "\r\n",   "1-0",  "0-1",  "1/2-1/2", "*",
                              "O-O",  "0-0-0", "$",   "$99999999999", "!?",     ".",    "...",  "e4",      "Nf3",
                              "exd5", "e8=Q",  "Z0",  "[FEN \"",      "[Event", "\x80", "\xff", " ",       "<",
                              ">",    "%",     "12.", "Kxx",          "a",      "Round"};

std::string randomText(std::mt19937& random, size_t length)
{
    static const std::string ALPHABET = "[]{}();\"\\$!?.*-/=+#0123456789abcdefghKQRBNPOox \n\r\t\x01\x80\xfe";
    std::string text;
    while (text.size() < length)
    {
        if (random() % 50 == 0)
            text += '\0';
        else if (random() % 4 == 0)
            text += PIECES[random() % (sizeof PIECES / sizeof PIECES[0])];
        else
            text += ALPHABET[random() % ALPHABET.size()];
    }
    return text;
}

std::string mutated(std::mt19937& random, std::string text)
{
    int edits = 1 + int(random() % 8);
    for (int e = 0; e < edits && !text.empty(); ++e)
    {
        size_t at = random() % text.size();
        switch (random() % 5)
        {
        case 0:
            text.erase(at, random() % 40);
            break;
        case 1:
            text.insert(at, text.substr(random() % text.size(), random() % 60));
            break;
        case 2:
            text.insert(at, PIECES[random() % (sizeof PIECES / sizeof PIECES[0])]);
            break;
        case 3:
            text[at] = char(random() % 256);
            break;
        default:
            text.resize(at);
            break;
        }
    }
    return text;
}

// Every move of the tree is legal where the tree says it is played; variations hang at move nodes or the root.
void checkTree(const PgnGame& game)
{
    std::vector<std::pair<const PgnNode*, CPosition>> stack = {{&game.root(), game.startPosition()}};
    while (!stack.empty())
    {
        const auto [node, position] = stack.back();
        stack.pop_back();
        for (const PgnNode* child : node->children())
        {
            ASSERT_EQ(child->parent(), node);
            if (child->isVariation())
            {
                ASSERT_FALSE(node->isVariation());
                stack.push_back({child, position});
                continue;
            }
            CMoveList legal;
            position.generateLegal(legal);
            ASSERT_TRUE(legal.contains(child->move()));
            CPosition after = position;
            after.makeMove(child->move());
            stack.push_back({child, after});
        }
    }
}

// Summary of everything read from the lexer; checks each game on the way.
std::string readAll(PgnLexer& lexer, size_t inputSize, size_t lineCount)
{
    std::string summary;
    PgnGame game;
    std::string error;
    size_t games = 0;
    while (readPgnGame(lexer, game, error))
    {
        // Every game takes at least one byte of input.
        EXPECT_LE(++games, inputSize + 1);
        if (games > inputSize + 1)
            break;
        if (!error.empty())
        {
            EXPECT_EQ(error.rfind("Error: Line ", 0), 0u) << error;
            int line = std::atoi(error.c_str() + 12);
            EXPECT_GE(line, 1);
            EXPECT_LE(size_t(line), lineCount + 1);
        }
        checkTree(game);
        summary += std::to_string(game.mainLine().size()) + ":" + error + "|";
        for (size_t i = 0; i < game.tagNames().size(); ++i)
            summary += game.tagNames()[i] + "=" + game.tagValues()[i] + ";";
        summary += "\n";
    }
    return summary;
}

void checkInput(const std::string& text)
{
    size_t lines = 1;
    for (char c : text)
        lines += c == '\n' || c == '\r';
    PgnLexer textLexer(text);
    std::string fromText = readAll(textLexer, text.size(), lines);

    // The same bytes handed out a line at a time, as the console does.
    const std::vector<std::string> pieces = splitLines(text);
    const bool endsWithLineEnd = !text.empty() && text.back() == '\n';
    size_t next = 0;
    PgnLexer lineLexer([&](std::string& line) {
        if (next >= pieces.size())
            return false;
        line = pieces[next++];
        return true;
    });
    std::string fromLines = readAll(lineLexer, text.size() + 1, lines + 1);
    // A line source ends every line, the last one included; that can only matter when the text
    // itself ends without a line end.
    if (endsWithLineEnd || text.empty())
    {
        EXPECT_EQ(fromLines, fromText);
    }

    // Loading: success installs the main line, failure leaves the record as it was.
    CGame record;
    Move e4;
    ASSERT_TRUE(record.parseMove("e4", e4));
    record.makeMove(e4);
    const std::string before = record.toFullFen();
    PgnLexer loadLexer(text);
    std::string error;
    if (loadPgnGame(loadLexer, record, error))
        EXPECT_EQ(error, "");
    else
    {
        EXPECT_NE(error, "");
        EXPECT_EQ(record.toFullFen(), before);
        EXPECT_EQ(record.entries().size(), 2u);
    }
}
}

// Random text in even rounds, a mutated game file in odd ones.
TEST(PgnFuzz, RandomTextAndMutatedGames)
{
    std::mt19937 random(20261206);
    std::vector<std::string> sources;
    for (const char* name :
         {"notnil-chess-0002", "notnil-chess-0013", "notnil-chess-0014", "pgn-parser-sampleGames", "notnil-chess-0005"})
    {
        sources.push_back(fileText(testData(std::string("pgn/") + name + ".pgn")));
        ASSERT_GT(sources.back().size(), 500u) << name;
    }
    for (int round = 0; round < 2 * ROUNDS; ++round)
    {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        checkInput(round % 2 ? mutated(random, sources[size_t(round / 2) % sources.size()])
                             : randomText(random, random() % 600));
        if (HasFatalFailure())
            return;
    }
}

TEST(PgnFuzz, PathologicalShapes)
{
    // Huge nesting, endless open comments and strings, a very long main line, nothing but line ends.
    checkInput("[Event \"x\"]\n1. e4 " + std::string(50000, ')') + " e5 *");
    checkInput("[Event \"x\"]\n{" + std::string(100000, 'a'));
    checkInput("[Event \"" + std::string(100000, 'b'));
    checkInput(std::string(100000, '\n') + "[");
    checkInput(std::string(100000, '1'));
    checkInput(std::string(50000, '$') + std::string(50000, '!'));
    std::string shuffle = "[Event \"long\"]\n";
    for (int i = 0; i < 5000; ++i)
        shuffle += "Nf3 Nf6 Ng1 Ng8 ";
    checkInput(shuffle + "*");
    PgnLexer lexer(shuffle + "*");
    PgnGame game;
    std::string error;
    ASSERT_TRUE(readPgnGame(lexer, game, error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(game.mainLine().size(), 20000u);
}
