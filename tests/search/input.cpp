// Input arriving while the engine thinks: every 2048 nodes the search reads
// the console and hands each line to the mode list installed for thinking.
#include <unistd.h>

#include "board/game.h"
#include "game/player.h"
#include "support/search.h"
#include "shell/command.h"
#include "shell/console.h"

using namespace searchtest;

namespace
{
// A console on an empty pipe: only injected bytes arrive.
class CConsoleFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(pipe(m_in), 0);
        m_console.reset(new CConsole(m_in[0], m_devNull = dup(2), false));
        installInputSource(m_console.get());
        setCurrentModeList(&modeList(MODE_THINKING));
        theSearch().setInputPoll(dispatchSearchInput);
        theSearch().setObserver(nullptr);
        prepareTable();
    }
    void TearDown() override
    {
        setCurrentModeList(nullptr);
        installInputSource(nullptr);
        theSearch().setInputPoll(nullptr);
        close(m_in[0]);
        close(m_in[1]);
        close(m_devNull);
    }
    int m_in[2] = {-1, -1};
    int m_devNull = -1;
    std::unique_ptr<CConsole> m_console;
};

const char* MIDDLE_GAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R1BQ1RK1 w - - 0 8";
} // namespace

TEST_F(CConsoleFixture, LinesAreDispatchedThroughTheThinkingList)
{
    CPosition start;
    ASSERT_TRUE(start.setFromFen(MIDDLE_GAME));
    ASSERT_TRUE(theGame().setStartPosition(start));
    thePlayer().reset(start.moveNumber());
    theSearch().setMaxIterations(100);
    theSearch().setAllottedTime(600.0);
    // ".": status line; "new": not accepted while thinking, dropped (had it
    // run, the game would be reset and nothing played); "?": move now.
    // The line after "?" is left for the loop that reads next.
    m_console->injectInput(".\nnew\n?\nd\n");
    std::string printed;
    setOutputCapture(&printed);
    ASSERT_TRUE(thePlayer().think(false));
    setOutputCapture(nullptr);

    EXPECT_NE(printed.find("stat01: "), std::string::npos) << printed;
    EXPECT_EQ(theSearch().stopRequest(), STOP_MOVE_NOW);
    // The search ended long before its 600 seconds, and its move was played.
    EXPECT_LT(theSearch().elapsed(), 60.0);
    ASSERT_EQ(theGame().currentIndex(), 1);
    Move played = theGame().currentMove();
    CMoveList legal;
    start.generateLegal(legal);
    bool isLegal = false;
    for (Move m : legal)
        isLegal = isLegal || sameMove(m, played);
    EXPECT_TRUE(isLegal);
    EXPECT_EQ(m_console->queuedLines(), 1u);
}
