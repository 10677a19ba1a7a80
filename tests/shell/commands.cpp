// Command matching, the command table and its mode lists, dispatch, help wrapping, command
// line. The help texts themselves are pinned by the golden transcript help.in / help.out.
#include <gtest/gtest.h>

#include "support/helpers.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "game/gamesettings.h"
#include "search/commands.h"
#include "shell/command.h"
#include "shell/commandline.h"
#include "shell/console.h"
#include "shell/help.h"
#include "base/output.h"
#include "shell/settings.h"
#include "base/version.h"

namespace
{
// Handlers that record their calls, for dispatch tests on lists of our own.
std::vector<std::string> g_calls;
void recordUndo(const std::string& args) { g_calls.push_back("undo:" + args); }
void recordMove(const std::string& args) { g_calls.push_back("usermove:" + args); }
void recordStop(const std::string& args) { g_calls.push_back("stop:" + args); }
}

TEST(CommandMatching, FullAndShortFormsOnlyIgnoringCase)
{
    CCommand undo("u[ndo]", "", "Undo move", recordUndo, CATEGORY_MAIN, MODE_IDLE);
    std::string args = "unchanged";
    for (const char* line : {"u", "undo", "Undo", "U"}) {
        EXPECT_TRUE(undo.matches(line, args)) << line;
        EXPECT_EQ(args, "") << line;
    }
    // Only the short and the full form; a tab does not end the command word.
    for (const char* line : {"un", "undoa", "undo2", "", " undo", "undox 1", "undo\t2", "u\t"})
        EXPECT_FALSE(undo.matches(line, args)) << "'" << line << "'";

    // The argument text is everything after the first blank, untrimmed.
    ASSERT_TRUE(undo.matches("undo 2", args));
    EXPECT_EQ(args, "2");
    ASSERT_TRUE(undo.matches("u  2 ", args));
    EXPECT_EQ(args, " 2 ");
    ASSERT_TRUE(undo.matches("u ", args));
    EXPECT_EQ(args, "");
    // A name without a short form has only its full form.
    CCommand level("level", "moves time/m incr/s", "Set time mode", recordUndo, CATEGORY_MAIN, MODE_IDLE);
    EXPECT_FALSE(level.matches("lev 40 5 0", args));
}

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

TEST(CommandTable, ModeListsHoldExactlyTheirCommandsInTableOrder)
{
    const CCommandList& table = commandTable();
    const int bits[] = {MODE_IDLE, MODE_THINKING, MODE_ANALYSING, MODE_PONDERING, MODE_EPD_TEST};
    for (int i = 0; i < 5; ++i) {
        const CCommandList& list = modeList(bits[i]);
        // The list is the table filtered by the mode bit, order kept.
        size_t next = 0;
        for (const CCommand* command : table) {
            if (command->modeMask() & bits[i]) {
                ASSERT_LT(next, list.size());
                EXPECT_EQ(list.at(next++), command);
            }
        }
        EXPECT_EQ(next, list.size());
    }

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

    // The seven ignored commands are known (no usermove retry) but have no handler.
    int withoutHandler = 0;
    for (const CCommand* command : table)
        withoutHandler += command->handler() == nullptr;
    EXPECT_EQ(withoutHandler, 7);
    for (const char* ignored : {"accepted", "rejected", "hint", "random", "variant", "name", "cores"}) {
        const CCommand* found = table.find(ignored, args);
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
    // Three pieces: 79 wide, then 47 wide after the indent; blanks at the cuts are dropped.
    std::string words;
    for (int i = 0; i < 30; ++i)
        words += "abcd ";
    std::string wrapped = wrapHelpLine(words + "\n");
    EXPECT_EQ(wrapped, "abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd\n" +
                           std::string(32, ' ') + "abcd abcd abcd abcd abcd abcd abcd abcd abcd\n" +
                           std::string(32, ' ') + "abcd abcd abcd abcd abcd \n");
}

TEST(SearchInput, DispatchesThroughCurrentModeListUntilStopped)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int sink[2];
    ASSERT_EQ(pipe(sink), 0);
    CConsole console(fds[0], sink[1], false);
    installInputSource(&console);

    static volatile int stopRequest = 0;
    CCommand stop("?", "", "Make computer play immediately", [](const std::string& args) {
        recordStop(args);
        stopRequest = 3;
    }, CATEGORY_MAIN, MODE_THINKING);
    CCommand undo("u[ndo]", "", "Undo move", recordUndo, CATEGORY_MAIN, MODE_THINKING);
    CCommandList thinking;
    thinking.add(&undo);
    thinking.add(&stop);
    setCurrentModeList(&thinking);

    g_calls.clear();
    stopRequest = 0;
    console.injectInput("undo\n\n  u 1  \ne2e4\n?\nu 2\nu 3\n");
    dispatchSearchInput(stopRequest);
    EXPECT_EQ(stopRequest, 3);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"undo:", "undo:1", "stop:"}));
    // What follows the stopping command waits for the next reader, in order.
    std::string line;
    ASSERT_TRUE(takeLine(line));
    EXPECT_EQ(line, "u 2");
    ASSERT_TRUE(takeLine(line));
    EXPECT_EQ(line, "u 3");
    EXPECT_FALSE(takeLine(line));

    // Without a current mode list each line is reported.
    setCurrentModeList(nullptr);
    stopRequest = 0;
    console.injectInput("foo bar\n");
    {
        CCapture capture;
        dispatchSearchInput(stopRequest);
        EXPECT_EQ(capture.text(), " No command processor for command: foo bar\n");
    }
    // Nothing happens once a stop is requested: the line stays queued.
    stopRequest = 1;
    console.injectInput("u 4\n");
    g_calls.clear();
    setCurrentModeList(&thinking);
    dispatchSearchInput(stopRequest);
    EXPECT_TRUE(g_calls.empty());
    ASSERT_TRUE(takeLine(line));
    EXPECT_EQ(line, "u 4");

    setCurrentModeList(nullptr);
    installInputSource(nullptr);
    EXPECT_FALSE(takeLine(line));
    for (int fd : {fds[0], fds[1], sink[0], sink[1]})
        close(fd);
}

TEST(CommandLine, OptionsAsTheUsageTextDescribes)
{
    struct Case
    {
        std::vector<std::string> args;
        bool log;
        bool usage;
        int64_t hash;
        std::string messages;
    };
    const int64_t DEFAULT_HASH = 8388608;
    const Case cases[] = {
        {{"-hash32"}, false, false, 33554432, ""},
        {{"-HASH", "32"}, false, false, 33554432, ""},
        {{"/Hash64"}, false, false, 67108864, ""},
        {{"-hashx"}, false, true, DEFAULT_HASH, "Invalid parameter: -hashx\n"},
        {{"foo", "bar"}, false, false, DEFAULT_HASH, ""},
        {{"/LOG", "-book"}, true, true, DEFAULT_HASH, "Invalid parameter: -book\n"},
        {{"-?"}, false, true, DEFAULT_HASH, ""},
        {{"/help", "-hash", "2"}, false, true, 2097152, ""},
        {{"-x", "-y"}, false, true, DEFAULT_HASH, "Invalid parameter: -x\nInvalid parameter: -y\n"},
        {{"-log", "-log"}, true, false, DEFAULT_HASH, ""},
    };
    for (const Case& c : cases) {
        CGameSettings settings;
        setHashSizeSetting(DEFAULT_HASH);
        CCommandLine commandLine(c.args);
        EXPECT_EQ(commandLine.takeLogOption(), c.log) << c.args[0];
        CCapture capture;
        EXPECT_EQ(commandLine.applyOptions(settings), c.usage) << c.args[0];
        EXPECT_EQ(hashSizeSetting(), c.hash) << c.args[0];
        EXPECT_EQ(capture.text(), c.messages) << c.args[0];
    }
    setHashSizeSetting(DEFAULT_HASH);

    CGameSettings settings;
    CCommandLine named({"-book", "my.hbk", "-td", "-name", "  Deep Vek  "});
    EXPECT_FALSE(named.applyOptions(settings));
    EXPECT_EQ(settings.m_primaryBookName, "my.hbk");
    EXPECT_EQ(settings.m_secondaryBookName, "secondary.hbk");
    EXPECT_TRUE(settings.m_learning);
    EXPECT_EQ(settings.m_winboardName, "Deep Vek");
    CGameSettings blankName;
    CCommandLine blanks({"-name", "   "});
    EXPECT_FALSE(blanks.applyOptions(blankName));
    EXPECT_EQ(blankName.m_winboardName, "Vekran 3.00.3.4");
    EXPECT_FALSE(blankName.m_learning);
    EXPECT_EQ(blankName.m_primaryBookName, "primary.hbk");
}
