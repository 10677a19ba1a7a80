// Input arriving while the engine thinks: every 2048 nodes the search reads the console and
// hands each line to the mode list installed for thinking.
#include <unistd.h>

#include "board/game.h"
#include "game/player.h"
#include "support/search.h"
#include "shell/command.h"
#include "shell/console.h"

using namespace searchtest;

TEST(SearchInput, LinesAreDispatchedThroughTheThinkingList)
{
    // A console on an empty pipe: only injected bytes arrive.
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    const int devNull = dup(2);
    CConsole console(in[0], devNull, false);
    installInputSource(&console);
    setCurrentModeList(&modeList(MODE_THINKING));
    theSearch().setInputPoll(dispatchSearchInput);
    theSearch().setObserver(nullptr);
    prepareTable();

    CPosition start;
    ASSERT_TRUE(start.setFromFen("r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R1BQ1RK1 w - - 0 8"));
    ASSERT_TRUE(theGame().setStartPosition(start));
    thePlayer().reset(start.moveNumber());
    theSearch().setMaxIterations(100);
    theSearch().setAllottedTime(600.0);
    // ".": status line; "new": not accepted while thinking, dropped (had it run, the game
    // would be reset and nothing played); "?": move now. The line after "?" is left for the
    // loop that reads next.
    console.injectInput(".\nnew\n?\nd\n");
    std::string printed;
    setOutputCapture(&printed);
    const bool thought = thePlayer().think(false).started;
    setOutputCapture(nullptr);
    setCurrentModeList(nullptr);
    installInputSource(nullptr);
    theSearch().setInputPoll(nullptr);

    ASSERT_TRUE(thought);
    EXPECT_NE(printed.find("stat01: "), std::string::npos) << printed;
    EXPECT_EQ(theSearch().stopRequest(), STOP_MOVE_NOW);
    // The search ended long before its 600 seconds, and its move was played.
    EXPECT_LT(theSearch().elapsed(), 60.0);
    ASSERT_EQ(theGame().currentIndex(), 1);
    EXPECT_NE(legalMove(start, moveToCoordinate(theGame().currentMove())), NO_MOVE);
    EXPECT_EQ(console.queuedLines(), 1u);
    for (int fd : {in[0], in[1], devNull})
        close(fd);
}
