// Command matching, the command table and its mode lists, dispatch, help wrapping. The help
// texts are pinned by the golden transcript help.in / help.out, the command line's options by
// shell-options* and shell-usage*.
#include <gtest/gtest.h>

#include "support/helpers.h"

#include <map>
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

// The cases are in tests/data/shell/commands.txt.
TEST(CommandTable, FindAndModeLists)
{
    const std::map<std::string, int> modes = {{"idle", MODE_IDLE},
                                              {"thinking", MODE_THINKING},
                                              {"analysing", MODE_ANALYSING},
                                              {"pondering", MODE_PONDERING},
                                              {"epd", MODE_EPD_TEST},
                                              {"uci", MODE_UCI},
                                              {"uci-searching", MODE_UCI_SEARCHING}};
    std::string args;
    for (const auto& row : dataRows("shell/commands.txt"))
    {
        args = "?";
        if (row.size() == 4 && row[0] == "find")
        {
            const CCommand* found = commandTable().find(row[1], args);
            EXPECT_EQ(found ? found->namePattern() + " | " + args : "-", row[2] == "-" ? "-" : row[2] + " | " + row[3])
                << "'" << row[1] << "'";
        }
        else if (row.size() == 4 && row[0] == "in" && modes.count(row[1]))
            EXPECT_EQ(modeList(modes.at(row[1])).find(row[2], args) != nullptr, row[3] == "yes")
                << row[1] << " " << row[2];
        else
            ADD_FAILURE() << "bad row: " << row[0] << " " << row.size();
    }
    EXPECT_FALSE(modeList(MODE_THINKING).dispatch("e2e4"));
    EXPECT_FALSE(modeList(MODE_EPD_TEST).dispatch("e2e4"));

    // The ignored commands are known (no usermove retry) but have no handler.
    for (const char* ignored : {"accepted", "rejected", "hint", "random", "variant", "name", "cores"})
    {
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
    EXPECT_TRUE(withMoves.dispatch("e2e4"));         // not a command: retried as a move
    EXPECT_TRUE(withMoves.dispatch("un"));           // so is an intermediate abbreviation
    EXPECT_TRUE(withMoves.dispatch("e7e8q extra"));  // the whole line is the argument
    EXPECT_FALSE(withMoves.dispatch("hint"));        // known, no handler: consumed, no retry
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
    EXPECT_EQ(wrapHelpLine(word + "\n"),
              std::string(79, 'x') + "\n" + std::string(32, ' ') + std::string(21, 'x') + "\n");
    std::string exact(79, 'y');
    EXPECT_EQ(wrapHelpLine(exact + " \n"), exact + " \n");
    // Lines cut at blanks are pinned by the golden transcript help.out.
}
