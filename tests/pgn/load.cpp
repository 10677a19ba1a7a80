// Loading PGN games into the game record, and the l[oad] command with a file,
// with pasted input and with the directory browser.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "board/game.h"
#include "game/loadcommand.h"
#include "pgn/pgnload.h"
#include "game/display.h"
#include "support/engineprocess.h"
#include "support/helpers.h"

namespace fs = std::filesystem;

namespace
{
std::string recordText(const CGame& game)
{
    std::string text = std::to_string(game.currentIndex()) + "/" + std::to_string(game.entries().size());
    for (const GameEntry& entry : game.entries())
        text += " " + entry.position.toFullFen();
    return text;
}

bool loadText(const std::string& text, CGame& record, std::string& error)
{
    PgnLexer lexer(text);
    return loadPgnGame(lexer, record, error);
}

// A scripted console: hands out the lines in order, then reports the end of input.
struct CScript
{
    std::vector<std::string> lines;
    size_t next = 0;
    LoadLineReader reader()
    {
        return [this](std::string& line) {
            if (next >= lines.size())
                return false;
            line = lines[next++];
            return true;
        };
    }
};

std::string runLoad(const std::string& args, CScript& script)
{
    CCapture capture;
    runLoadCommand(args, script.reader());
    return capture.take();
}

const char* const GAME = "[Event \"t\"]\n[White \"w\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 1-0\n";

}

TEST(PgnLoad, MainLineBecomesTheRecord)
{
    CGame record;
    std::string error;
    // Variations and comments stay out of the record.
    ASSERT_TRUE(loadText("[Event \"t\"]\n1. e4 {c} e5 (1... c5 2. Nf3) 2. Nf3 $1 *", record, error));
    EXPECT_EQ(error, "");
    ASSERT_EQ(record.entries().size(), 4u);
    EXPECT_EQ(record.currentIndex(), 3);
    EXPECT_EQ(record.toFullFen(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
    EXPECT_EQ(record.entries()[3].kind, MOVE_KIND_OUTSIDE);

    // A FEN tag gives the record's start position.
    ASSERT_TRUE(loadText("[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 30\"]\n30. e4 Kd7 *", record, error));
    ASSERT_EQ(record.entries().size(), 3u);
    EXPECT_EQ(record.entries()[0].position.toFen(), "4k3/8/8/8/8/8/4P3/4K3 w - -");
    EXPECT_EQ(record.entries()[0].position.moveNumber(), 30);
    EXPECT_EQ(record.toFen(), "8/3k4/8/8/4P3/8/8/4K3 w - -");

    // A stray number before the tags is no game of its own.
    ASSERT_TRUE(loadText("Game 2\n[Event \"x\"]\n1. c4 *", record, error));
    EXPECT_EQ(record.entries().size(), 2u);
}

TEST(PgnLoad, FaultyGamesLeaveTheRecordAlone)
{
    CGame record;
    std::string error;
    ASSERT_TRUE(loadText(GAME, record, error));
    record.undo();
    const std::string before = recordText(record);
    const std::pair<const char*, const char*> cases[] = {
        {"[Event \"t\"]\n1. e4 e5\n2. Nf3 Nc6 3. Bb5 Ke6 *", "Error: Line 3: Invalid move: 3... \"Ke6\""},
        {"[Event \"t\"]\n1. e4 (1. d4 d5 *", "Error: Line 2: Missing ')' after variation"},
        {"", "Error: No PGN game found"},
        {"{nothing but a comment}", "Error: No PGN game found"},
    };
    for (const auto& [text, expected] : cases)
    {
        EXPECT_FALSE(loadText(text, record, error)) << text;
        EXPECT_EQ(error, expected);
        EXPECT_EQ(recordText(record), before) << text;
    }
}

// The texts of file and pasted loads through the engine's own input are in the golden
// transcript load.in; here: what is read of the input, and files cut short.
TEST(LoadCommand, FromFileAndFromPastedInput)
{
    CTempCwd folder;
    writeText("one.pgn", GAME);
    bool display = autoDisplay();
    setAutoDisplay(false);
    CScript none;
    EXPECT_EQ(runLoad("  one.pgn ", none), "Load of \"one.pgn\" complete.\n");
    EXPECT_EQ(theGame().entries().size(), 7u);
    // A file cut off inside its tags is no game, not an empty one.
    writeText("cut.pgn", "[Event \"Ca");
    EXPECT_EQ(runLoad("cut.pgn", none), "Error: Line 1: Unterminated tag pair\n");
    EXPECT_EQ(theGame().entries().size(), 7u);

    // Pasted: the lines after the game end are not read; the end of input ends the game.
    const std::string prompt =
        "Paste the PGN format game now.\nThis needs to end with one of: 1-0, 0-1, 1/2-1/2 or *\n";
    CScript paste{{"[Event \"p\"]\r", "1. d4 d5\r", "2. c4 *", "d4"}};
    EXPECT_EQ(runLoad("-", paste), prompt + "Load of \"-\" complete.\n");
    EXPECT_EQ(paste.next, 3u);
    CScript cut{{"1. e4 e5 2. Nf3"}};
    EXPECT_EQ(runLoad("-", cut), prompt + "Load of \"-\" complete.\n");
    EXPECT_EQ(theGame().entries().size(), 4u);
    CScript empty;
    EXPECT_EQ(runLoad("-", empty), prompt + "Error: No PGN game found\n");
    setAutoDisplay(display);
}

TEST(LoadCommand, BrowserListsChoosesAndNavigates)
{
    CTempCwd folder;
    const fs::path directory = folder.path();
    writeText("b.pgn", GAME);
    writeText("A.PGN", "[Event \"upper\"]\n1. c4 *\n");
    writeText("notes.txt", "not listed");
    fs::create_directory(directory / "sub");
    writeText("sub/c.pgn", "[Event \"c\"]\n1. g3 *\n");
    bool display = autoDisplay();
    setAutoDisplay(false);

    const std::string root = "Directory: " + directory.string() + "\n";
    const std::string rootList =
        root + "  1. ..\\     2. A.PGN   3. b.pgn   4. sub\\  " + std::string(3 * 11, ' ') + "\nload [1..4, q]:\n>";
    // Above the count, zero, not a number: the listing again. Then into "sub" and its file.
    CScript script{{"9", "0", "x", "4", "2", "never read"}};
    std::string shown = runLoad("", script);
    const std::string sub = "Directory: " + (directory / "sub").string() + "\n";
    const std::string subList = sub + "  1. ..\\     2. c.pgn " + std::string(5 * 11, ' ') + "\nload [1..2, q]:\n>";
    EXPECT_EQ(shown, rootList + rootList + rootList + rootList + subList + "Load of \"c.pgn\" complete.\n");
    EXPECT_EQ(script.next, 5u);
    EXPECT_EQ(theGame().entries().size(), 2u);
    // Browsing leaves the process's folder alone: later commands write their files where they did.
    EXPECT_EQ(fs::current_path(), directory);

    // ".." goes up; "." and answers starting with q end; so does the end of input.
    fs::current_path(directory / "sub");
    for (const char* last : std::vector<const char*>{".", "q", "Quit", nullptr})
    {
        CScript up{{".."}};
        if (last)
            up.lines.push_back(last);
        EXPECT_EQ(runLoad("", up), subList + rootList) << (last ? last : "end of input");
        EXPECT_EQ(fs::current_path(), directory / "sub");
    }
    EXPECT_EQ(theGame().entries().size(), 2u);

    // Thirteen entries of width 10: five columns, three rows, filled down the columns.
    fs::remove(directory / "sub" / "c.pgn");
    for (int i = 1; i <= 12; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "game%02d.pgn", i);
        writeText((directory / "sub" / name).string(), GAME);
    }
    CScript quit{{"q"}};
    const std::string blank(16, ' ');
    EXPECT_EQ(runLoad("", quit),
              sub +
                  "  1. ..\\          4. game03.pgn   7. game06.pgn  10. game09.pgn  13. game12.pgn \n"
                  "  2. game01.pgn   5. game04.pgn   8. game07.pgn  11. game10.pgn " +
                  blank +
                  "\n"
                  "  3. game02.pgn   6. game05.pgn   9. game08.pgn  12. game11.pgn " +
                  blank +
                  "\n"
                  "load [1..13, q]:\n>");
    setAutoDisplay(display);
}

TEST(LoadCommand, EngineRefusesDevicesAndStopsReadingAFifoOnQuit)
{
    // A device never ends and is refused at once; a FIFO is read, and while its writer keeps it
    // open the engine still hears "quit" and ends with what it read.
    std::string dir = CEngineProcess::makeTempDir();
    ASSERT_EQ(mkfifo((dir + "/p.pgn").c_str(), 0600), 0);
    int writer = open((dir + "/p.pgn").c_str(), O_RDWR);  // a writer that stays, without blocking
    ASSERT_GE(writer, 0);
    std::string games;
    for (int i = 0; i < 100; ++i)
        games += "[Event \"f\"]\n1. e4 e5 2. Nf3 *\n";
    ASSERT_EQ(write(writer, games.data(), games.size()), ssize_t(games.size()));

    // The command, what it shows before "quit" is sent, and what it shows after.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"load /dev/zero", "Error (cannot read from a device): /dev/zero\n", nullptr},
        {"badd /dev/zero", "Error (cannot read from a device): /dev/zero\n", nullptr},
        {"badd -d 4 /dev/urandom", "Error (cannot read from a device): /dev/urandom\n", nullptr},
        {"badd p.pgn", "\rImported 100 games...",
         "\rImported 100 games...\nFlushing book data to disk...\n\nErrors were encountered while adding to book "
         "file:\nError: Import stopped before the end of the file\n\nPrimary book file \"b.hbk\" now contains 3 "
         "positions\n"},
        {"load p.pgn", nullptr, "Error: Reading stopped before the end of the game\n"},
    };
    for (const auto& [command, shown, last] : cases)
    {
        CEngineProcess engine;
        ASSERT_TRUE(engine.start({}, dir));
        engine.send("bcreate b.hbk");
        ASSERT_TRUE(engine.waitFor("Primary book \"b.hbk\" contains", 20));
        engine.send(command);
        if (shown)
        {
            EXPECT_TRUE(engine.waitFor(shown, 20)) << command << "\n" << engine.pending();
        }
        engine.send("quit");
        if (last)
        {
            EXPECT_TRUE(engine.waitFor(last, 20)) << command << "\n" << engine.pending();
        }
        EXPECT_EQ(engine.waitExit(20), 0) << command;
    }
    close(writer);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}
