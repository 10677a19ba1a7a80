// Command matching, the command table and its mode lists, dispatch, help wrapping. The help
// texts are pinned by the golden transcript help.in / help.out, the command line's options by
// shell-options* and shell-usage*.
#include <gtest/gtest.h>

#include "support/helpers.h"

#include <string>
#include <vector>

#include "shell/command.h"
#include "shell/help.h"
#include "base/output.h"

namespace
{
// Handlers that record their calls, for dispatch tests on lists of our own.
std::vector<std::string> g_calls;
void recordUndo(const std::string& args) { g_calls.push_back("undo:" + args); }
void recordMove(const std::string& args) { g_calls.push_back("usermove:" + args); }
}

// Only a command's short and full forms match, in any case; the argument text is everything
// after the first blank, untrimmed, and a tab does not end the command word.
TEST(CommandTable, FindPicksTheRightCommandInTableOrder)
{
    const CCommandList& table = commandTable();
    struct Case
    {
        const char* line;
        const char* pattern;  // nullptr: no command
        const char* args;
    };
    const Case cases[] = {
        {"UNDO", "u[ndo]", ""},        {"un", nullptr, ""},                {"undoa", "undoa[ll]", ""},
        {"help main", "h[elp]", "main"}, {"hash 32", "hash", "32"},         {"hard", "hard", ""},
        {"anal", "anal[yze]", ""},     {"analh", "analh[ash]", ""},         {"analy", nullptr, ""},
        {"l game.pgn", "l[oad]", "game.pgn"}, {"loade x.eval", "loade[val]", "x.eval"},
        {"rem", "rem[ove]", ""},       {"result 1-0 {mate}", "result", "1-0 {mate}"},
        {"xboard off", "xboard", "off"}, {"?", "?", ""},                     {".", ".", ""},
        {"setb 8/8/8/8/8/8/8/8 w - -", "setb[oard]", "8/8/8/8/8/8/8/8 w - -"},
        {"sd 7", "sd", "7"},           {"e2e4", nullptr, ""},               {"usermove e2e4", "usermove", "e2e4"},
        {"u  2 ", "u[ndo]", " 2 "},    {"u ", "u[ndo]", ""},               {"undo\t2", nullptr, ""},
        {" undo", nullptr, ""},        {"undo2", nullptr, ""},             {"lev 40 5 0", nullptr, ""},
    };
    for (const Case& c : cases) {
        std::string args = "?";
        const CCommand* found = table.find(c.line, args);
        if (!c.pattern) {
            EXPECT_EQ(found, nullptr) << c.line;
            continue;
        }
        ASSERT_NE(found, nullptr) << c.line;
        EXPECT_EQ(found->namePattern(), c.pattern) << c.line;
        EXPECT_EQ(args, c.args) << c.line;
    }
}

TEST(CommandTable, ModeListsHoldTheirCommands)
{
    // Bare moves are retried as usermove in the idle, analysing and pondering modes only;
    // while thinking, new is not accepted but ? and force are; exit belongs to analysis and
    // EPD testing, . to thinking and analysing.
    struct { int mode; const char* line; bool found; } members[] = {
        {MODE_IDLE, "usermove e2e4", true},     {MODE_ANALYSING, "usermove e2e4", true},
        {MODE_PONDERING, "usermove e2e4", true}, {MODE_THINKING, "usermove e2e4", false},
        {MODE_EPD_TEST, "usermove e2e4", false}, {MODE_THINKING, "new", false},
        {MODE_THINKING, "?", true},             {MODE_THINKING, "force", true},
        {MODE_IDLE, "exit", false},             {MODE_EPD_TEST, "exit", true},
        {MODE_IDLE, ".", false},                {MODE_ANALYSING, ".", true},
        // A UCI session's lists hold its own commands only, and the WinBoard lists none of them.
        {MODE_UCI, "uci", true},                {MODE_UCI_SEARCHING, "uci", false},
        {MODE_UCI_SEARCHING, "isready", true},  {MODE_IDLE, "isready", false},
        {MODE_UCI, "usermove e2e4", false},     {MODE_UCI, "position startpos", true},
    };
    std::string args;
    for (const auto& m : members)
        EXPECT_EQ(modeList(m.mode).find(m.line, args) != nullptr, m.found) << m.mode << " " << m.line;
    EXPECT_FALSE(modeList(MODE_THINKING).dispatch("e2e4"));
    EXPECT_FALSE(modeList(MODE_EPD_TEST).dispatch("e2e4"));

    // The ignored commands are known (no usermove retry) but have no handler.
    for (const char* ignored : {"accepted", "rejected", "hint", "random", "variant", "name", "cores"}) {
        const CCommand* found = commandTable().find(ignored, args);
        ASSERT_NE(found, nullptr) << ignored;
        EXPECT_EQ(found->handler(), nullptr) << ignored;
        EXPECT_FALSE(modeList(MODE_IDLE).dispatch(std::string(ignored) + " x")) << ignored;
    }
}

TEST(CommandDispatch, UsermoveRetryAndUnknownLines)
{
    CCommand undo("u[ndo]", "", "Undo move", recordUndo, CATEGORY_MAIN, MODE_IDLE | MODE_ANALYSING);
    CCommand ignored("hint", "", "Show hint [Ignored]", nullptr, CATEGORY_WINBOARD, MODE_ALL);
    CCommand move("usermove", "move", "Make move passed from user", recordMove, CATEGORY_MAIN, MODE_IDLE);
    CCommandList withMoves;
    withMoves.add(&undo);
    withMoves.add(&ignored);
    withMoves.add(&move);
    CCommandList withoutMoves;
    withoutMoves.add(&undo);
    withoutMoves.add(&ignored);

    g_calls.clear();
    EXPECT_TRUE(withMoves.dispatch("UNDO"));
    EXPECT_TRUE(withMoves.dispatch("e2e4"));          // not a command: retried as a move
    EXPECT_TRUE(withMoves.dispatch("un"));            // so is an intermediate abbreviation
    EXPECT_TRUE(withMoves.dispatch("e7e8q extra"));   // the whole line is the argument
    EXPECT_FALSE(withMoves.dispatch("hint"));         // known, no handler: consumed, no retry
    EXPECT_TRUE(withMoves.dispatch("usermove g1f3"));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"undo:", "usermove:e2e4", "usermove:un", "usermove:e7e8q extra",
                                                  "usermove:g1f3"}));

    g_calls.clear();
    EXPECT_FALSE(withoutMoves.dispatch("e2e4"));
    EXPECT_TRUE(withoutMoves.dispatch("u"));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"undo:"}));
}

TEST(Help, WordWrapCutsAtBlanksAndIndentsContinuations)
{
    std::string word(100, 'x');
    EXPECT_EQ(wrapHelpLine(word + "\n"), std::string(79, 'x') + "\n" + std::string(32, ' ') + std::string(21, 'x') + "\n");
    std::string exact(79, 'y');
    EXPECT_EQ(wrapHelpLine(exact + " \n"), exact + " \n");
    // Lines cut at blanks are pinned by the golden transcript help.out.
}
