// The PGN lexer and game reader on small constructed inputs (token kinds, the tree of moves
// and variations, tags, the exact fault texts with their lines) and on every game of the test
// data: read without a false fault, as many games as the files hold, main lines as long as
// their PlyCount tags say, and each main line written back as SAN reads back the same.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pgn/pgn.h"
#include "support/helpers.h"

namespace
{
// The tokens of a text in a compact form: punctuation as itself, other kinds as
// name(text), each with "@line" when asked for.
std::string lexed(const std::string& text, bool skipLineEnds = false, bool withLines = false)
{
    static const char* const NAMES[] = {"str", "int", "move", "sym", "",    "",    "",    "",   "",
                                        "",    "",    "nag",  "com", "end", "oth", "EOL", "EOI"};
    PgnLexer lexer(text);
    std::string result;
    for (;;)
    {
        const int kind = lexer.nextToken(skipLineEnds);
        if (!result.empty())
            result += " ";
        if (kind >= PGN_PERIOD && kind <= PGN_CLOSE_ANGLE)
            result += lexer.tokenText();
        else if (kind == PGN_END_OF_LINE || kind == PGN_END_OF_INPUT)
            result += NAMES[kind];
        else
            result += std::string(NAMES[kind]) + "(" + lexer.tokenText() + ")";
        if (kind == PGN_END_OF_INPUT)
            return result;
        if (withLines)
            result += "@" + std::to_string(lexer.lineNumber());
    }
}

// Reads the first game; returns its error text ("" when clean).
std::string readOne(const std::string& text, PgnGame& game, bool* found = nullptr)
{
    PgnLexer lexer(text);
    std::string error = "untouched";
    bool read = readPgnGame(lexer, game, error);
    if (found)
        *found = read;
    else
        EXPECT_TRUE(read) << text;
    return error;
}

// The main line in coordinate notation, e.g. "e2e4 e7e5".
std::string mainLineText(const PgnGame& game)
{
    std::string text;
    for (Move move : game.mainLine())
        text += (text.empty() ? "" : " ") + moveToCoordinate(move);
    return text;
}

// The roster as "Name=value;" pairs in order.
std::string tagsText(const PgnGame& game)
{
    std::string text;
    for (const std::string& name : game.tagNames())
        text += name + "=" + game.tagValue(name) + ";";
    return text;
}

// The tree below a node: each move followed by what hangs below it, variations in brackets.
std::string treeText(const PgnNode& node)
{
    std::string text;
    for (const PgnNode* child : node.children())
        text += child->isVariation() ? " (" + treeText(*child).substr(1) + ")"
                                     : " " + moveToCoordinate(child->move()) + treeText(*child);
    return text;
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

TEST(PgnLexer, TokenKindsTextsAndLines)
{
    const std::pair<const char*, const char*> cases[] = {
        {"[Event \"a \\\"b\\\"\tc\"] 12. e4! Nf3?? O-O-O+ 0-0 0-0-0# 1-0 0-1 1/2-1/2 * $14 $ !? ?! !! ? ( ) < > . "
         "+ - / = # {a } b} ;rest\nZ9_x:y",
         "[ sym(Event) str(a \"b\" c) ] int(12) . move(e4) nag(1) move(Nf3) nag(4) move(O-O-O+) move(0-0) "
         "move(0-0-0#) end(1-0) end(0-1) end(1/2-1/2) end(*) nag(14) oth($) nag(5) nag(6) nag(3) nag(2) ( ) < > . "
         "oth(+) oth(-) oth(/) oth(=) oth(#) com(a ) move(b) com(rest) EOL sym(Z9_x:y) EOI"},
        // Digit runs give back what is not a form: "1-0-" ends the game, then "-".
        {"3- 1/2 1-0- 10.", "int(3) oth(-) int(1) oth(/) int(2) end(1-0) oth(-) int(10) . EOI"},
        // High bytes and control characters are passed over; inside a string high bytes are
        // kept (names) and control characters become blanks.
        {"\x80\xff"
         "e4\x01\x7f\xc3\xa9%@ \"\xc3\xa9\x01x\"",
         "move(e4) str(\xc3\xa9 x) EOI"},
    };
    for (const auto& [text, tokens] : cases)
        EXPECT_EQ(lexed(text), tokens) << text;
    // LF, CR LF and a lone CR each end one line; a comment spanning lines keeps its start line.
    EXPECT_EQ(lexed("a\nb\r\nc\rd {x\ny}\ne \"unterminated\nf", true, true),
              "move(a)@1 move(b)@2 move(c)@3 move(d)@4 com(x\ny)@4 move(e)@6 str(unterminated)@6 move(f)@7 EOI");
}

TEST(PgnReader, TagsRosterAndNamesThatLookLikeMoves)
{
    PgnGame game;
    EXPECT_EQ(readOne("[Event \"x\"]\n\n1. e4 e5 *", game), "");
    EXPECT_EQ(mainLineText(game), "e2e4 e7e5");
    EXPECT_EQ(tagsText(game), "Event=x;Site=?;Date=????.??.??;Round=?;White=?;Black=?;Result=*;");
    EXPECT_EQ(game.tagValue("event"), "x");
    EXPECT_EQ(game.findTag("WhiteElo"), -1);

    // Tag names that start with piece or castling letters, two pairs on a line, extra tags kept in order,
    // a repeated tag replacing the earlier value, a value that is not a string, a pair without a name.
    const char* text = "[Round \"3.1\"] [Black \"Carlsen, M\"]\n[Result \"1-0\"]\n[PlyCount \"2\"]\n"
                       "[Opening \"Ruy Lopez\"]\n[BlackElo 2850]\n[ \"orphan\"]\n[round \"4\"]\n1. e4 e5 1-0";
    EXPECT_EQ(readOne(text, game), "");
    EXPECT_EQ(mainLineText(game), "e2e4 e7e5");
    EXPECT_EQ(tagsText(game), "Event=?;Site=?;Date=????.??.??;Round=4;White=?;Black=Carlsen, M;Result=1-0;"
                              "PlyCount=2;Opening=Ruy Lopez;BlackElo=2850;InvalidTag=orphan;");
    // A tag section straight after the last tag, on the same line as the moves.
    EXPECT_EQ(readOne("[Event \"y\"] 1. d4 *", game), "");
    EXPECT_EQ(mainLineText(game), "d2d4");
    EXPECT_EQ(game.tagValue("Event"), "y");
}

TEST(PgnReader, VariationsBuildTheTree)
{
    // A variation hangs beside the move it replaces; one that replaces the first move of a
    // variation goes up past the variation node to the real position; one before any move
    // is an alternative to the first move.
    const std::pair<const char*, const char*> cases[] = {
        {"1. e4 (1. d4 d5) e5 *", "e2e4 e7e5 (d2d4 d7d5)"},
        {"1. e4 e5 (1... c5 2. Nf3 (2. c3 (2. Nc3) d5) 2... d6 (2... Nc6)) (1... e6) 2. Nf3 *",
         "e2e4 e7e5 g1f3 (c7c5 g1f3 d7d6 (b8c6) (c2c3 d7d5) (b1c3)) (e7e6)"},
        {"(1. c4) 1. e4 *", "(c2c4) e2e4"},
    };
    PgnGame game;
    for (const auto& [text, tree] : cases)
    {
        EXPECT_EQ(readOne(std::string("[Event \"v\"]\n") + text, game), "");
        EXPECT_EQ(treeText(game.root()).substr(1), tree) << text;
    }
}

TEST(PgnReader, GlyphsAndComments)
{
    PgnGame game;
    EXPECT_EQ(readOne("[Event \"g\"]\n1. e4! e5?! 2. Nf3 $14 Nc6 !! 3. Bc4 ?? Bc5 !? 4. O-O ? Nf6 *", game), "");
    std::vector<int> glyphs;
    for (const PgnNode* node = game.root().mainChild(); node; node = node->mainChild())
        glyphs.push_back(node->annotation());
    EXPECT_EQ(glyphs, (std::vector<int>{1, 6, 14, 3, 4, 5, 2, 0}));

    // Comments: joined directly; braces may hold ';' and a result, ';' comments may hold '{' and a result.
    EXPECT_EQ(
        readOne("[Event \"c\"]\n{before} 1. e4 {one; 1-0}{two} ; three { 0-1\n e5 {(not a variation} 2. Nf3 *", game),
        "");
    EXPECT_EQ(mainLineText(game), "e2e4 e7e5 g1f3");
    EXPECT_EQ(game.root().comment(), "before");
    const PgnNode* e4 = game.root().mainChild();
    EXPECT_EQ(e4->comment(), "one; 1-0two three { 0-1");
    EXPECT_EQ(e4->mainChild()->comment(), "(not a variation");
}

// The fault text (with the line of the token at fault) or "", and the main line read.
TEST(PgnReader, FaultTextsAndMainLines)
{
    std::string deep = "\n1. e4 ";
    for (int i = 0; i < PGN_MAX_VARIATION_DEPTH; ++i)
        deep += "(1. d4 ";
    deep += std::string(PGN_MAX_VARIATION_DEPTH, ')') + " e5 *";
    const std::pair<std::string, std::string> cases[] = {
        // Castling with zeros and with letters; "0-1" ends the game.
        {"\n1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. 0-0 O-O 0-1 5. d4", "|e2e4 e7e5 g1f3 g8f6 f1c4 f8c5 e1g1 e8g8"},
        // A FEN tag gives the start; an empty one means the standard start; an impossible one
        // (no black king) is refused with the line of the first move-text token.
        {"\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 40\"]\n40... Kd7 41. e4 *", "|e8d7 e2e4"},
        {"\n[FEN \"\"]\n1. e4 *", "|e2e4"},
        {"\n[FEN \"8/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n\n1. e4 *", "Error: Line 4: Invalid start position|"},
        // Illegal moves: the number, three periods for Black, the token.
        {"\n1. e4 e5 2. Ke3 Nc6 *", "Error: Line 2: Invalid move: 2. \"Ke3\"|e2e4 e7e5"},
        {"\n\n1. e4\nKe7 *", "Error: Line 4: Invalid move: 1... \"Ke7\"|e2e4"},
        // A word with a square-like digit is a move in a foreign notation; a plain word is passed over.
        {"\r\n1. e4\r\n(1. d4 d5\r\n2. Xq9) e5 *", "Error: Line 4: Invalid move: 2. \"Xq9\"|e2e4"},
        {"\n1. e4 e5 resigns *", "|e2e4 e7e5"},
        // An illegal move inside a variation, after CR LF line ends.
        {"\r\n1. e4\r\n(1. d4 d5\r\n2. c4 cxd4) e5 *", "Error: Line 4: Invalid move: 2... \"cxd4\"|e2e4"},
        // A variation left open up to the end of the input, or cut off by the game end. (With a
        // further "e5" the reader takes it as White's move inside the variation.)
        {"\n1. e4 (1. d4 d5\n\n", "Error: Line 4: Missing ')' after variation|e2e4"},
        {"\n1. e4 (1. d4 d5 e5", "Error: Line 2: Invalid move: 2. \"e5\"|e2e4"},
        {"\n1. e4 (1. d4\nd5 *", "Error: Line 3: Missing ')' after variation|e2e4"},
        {deep, "|e2e4 e7e5"},
    };
    PgnGame game;
    for (const auto& c : cases)
    {
        const std::string error = readOne("[Event \"x\"]" + c.first, game);  // before the main line is taken
        EXPECT_EQ(error + "|" + mainLineText(game), c.second) << c.first.substr(0, 60);
    }
    EXPECT_EQ(game.startPosition().toFullFen(), CPosition().toFullFen());
    EXPECT_EQ(readOne("[Event \"f\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 40\"]\n*", game), "");
    EXPECT_EQ(game.startPosition().toFullFen(), "4k3/8/8/8/8/8/4P3/4K3 b - - 0 40");
    // A lone "[" at the very end has no pair in it; a pair whose "]" never comes: a file cut off
    // inside a tag, a string left open, a bracket left out.
    EXPECT_EQ(readOne("\n\n[", game), "Error: Line 3: No PGN Headers found");
    EXPECT_EQ(readOne("[Event \"Ca", game), "Error: Line 1: Unterminated tag pair");
    EXPECT_EQ(readOne("[Event \"x\"]\n[Site \"y]\n1. e4 *", game), "Error: Line 2: Unterminated tag pair");
    EXPECT_EQ(readOne("[Event \"x\"\n1. e4 *", game), "Error: Line 1: Unterminated tag pair");
}

// A hang guard: when each tag searched all earlier names, 40000 tags took seconds and these
// 400000 would outlast the test's time limit; read through the index they take well under a second.
TEST(PgnReader, ManyTagsAreReadInLinearTime)
{
    std::string text;
    for (int i = 0; i < 400000; ++i)
        text += "[T" + std::to_string(i) + " \"v" + std::to_string(i) + "\"]\n";
    text += "[t17 \"again\"]\n1. e4 *";
    PgnGame game;
    EXPECT_EQ(readOne(text, game), "");
    EXPECT_EQ(game.tagNames().size(), 400007u);
    EXPECT_EQ(game.tagValue("T399999"), "v399999");
    EXPECT_EQ(game.tagValue("T17"), "again");
    EXPECT_EQ(game.findTag("t5"), 12);
    EXPECT_EQ(mainLineText(game), "e2e4");
}

TEST(PgnReader, NestingBoundSeveralGamesAndGamesWithoutTags)
{
    // Nesting too deep and a faulty game are followed by clean ones; text between games is passed
    // over; a game may come without tags (its roster keeps the defaults); comments alone make no game.
    std::string text = "[Event \"deep\"]\n1. e4 " + std::string(200000, '(') +
                       "\n; a file comment\n[Event \"one\"]\n1. e4 e5 2. Qh7 Nc6 1-0\n"
                       "{between games}\n[Event \"two\"]\n1. d4 *\n\n1. c4 e5 1/2-1/2\n"
                       "[Event \"four\"]\n1. Nf3\n[Event \"five\"]\n1. g3 *\n"
                       "[Event \"six\"\n[Round \"6\"]\n1. b3 *\n[Event \"seven\"]\n1. b4 *\n{trailing}";
    PgnLexer lexer(text);
    PgnGame game;
    std::string error;
    std::vector<std::string> seen;
    while (readPgnGame(lexer, game, error))
        seen.push_back(game.tagValue("Event") + ":" + mainLineText(game) + ":" + error);
    std::vector<std::string> expected = {"deep:e2e4:Error: Line 2: Variations nested too deeply",
                                         "one:e2e4 e7e5:Error: Line 5: Invalid move: 2. \"Qh7\"",
                                         "two:d2d4:",
                                         "?:c2c4 e7e5:",
                                         "four:g1f3:",
                                         "five:g2g3:",
                                         "six::Error: Line 15: Unterminated tag pair",
                                         "seven:b2b4:"};
    EXPECT_EQ(seen, expected);

    bool found = true;
    for (const char* none : {"{only a comment} ; and another\n * 1-0", "", "Chapter 1. {intro} 2 3 *"})
    {
        EXPECT_EQ(readOne(none, game, &found), "") << none;
        EXPECT_FALSE(found) << none;
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
            PgnGame copy;
            EXPECT_EQ(readOne(again, copy), "");
            EXPECT_EQ(copy.mainLine(), moves) << again;
        }
        // Counted independently of the reader: one per "[Event " line, or one for bare move text.
        int events = 0;
        for (const std::string& line : splitLines(text))
            events += line.rfind("[Event ", 0) == 0;
        EXPECT_EQ(games, std::max(events, 1));
        totalGames += games;
    }
    // 232 + 32 master games and the small files.
    EXPECT_GT(totalGames, 300);
    EXPECT_GT(totalPlies, 20000);
    EXPECT_GE(plyCountsChecked, 2);
}
