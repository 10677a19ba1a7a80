// The console's line assembly from pipe bytes, its editor and output, and time values.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <memory>

#include "platform/pipe.h"
#include "platform/terminal.h"
#include "shell/console.h"
#include "base/timevalue.h"

namespace
{
// A console reading from one pipe and writing to another, as the engine under a user interface.
class PipeConsole
{
public:
    explicit PipeConsole(bool terminal = false)
    {
        EXPECT_EQ(pipe(m_in), 0);
        EXPECT_EQ(pipe(m_out), 0);
        fcntl(m_out[0], F_SETFL, O_NONBLOCK);
        m_console.reset(new CConsole(m_in[0], m_out[1], terminal));
    }
    ~PipeConsole()
    {
        m_console.reset();
        for (int fd : {m_in[0], m_in[1], m_out[0], m_out[1]})
            if (fd >= 0)
                close(fd);
    }
    CConsole& console() { return *m_console; }
    void send(const std::string& bytes) { ASSERT_TRUE(writeAll(m_in[1], bytes.data(), bytes.size())); }
    // The user interface stops reading: the console's output pipe loses its reader.
    void closeOutputReader() { close(m_out[0]), m_out[0] = -1; }
    int waitingInPipe() const
    {
        int count = 0;
        ioctl(m_in[0], FIONREAD, &count);
        return count;
    }
    // Everything the console wrote since the last call.
    std::string written()
    {
        std::string text;
        char buffer[4096];
        for (long n; (n = read(m_out[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }
    std::vector<std::string> lines()
    {
        std::vector<std::string> result;
        for (std::string line; m_console->takeLine(line);)
            result.push_back(line);
        return result;
    }

private:
    int m_in[2];
    int m_out[2];
    std::unique_ptr<CConsole> m_console;
};

typedef std::vector<std::string> Lines;
}

TEST(ConsoleInput, PipeBytesBecomeLinesAndOutputIsUnchanged)
{
    PipeConsole pc;
    CConsole& console = pc.console();
    // Both bytes of a CR LF pair end a line: the command, then an empty line. Each line is
    // answered by an empty line on standard output.
    pc.send("go\r\n");
    console.pollInput();
    EXPECT_EQ(pc.lines(), (Lines{"go", ""}));
    EXPECT_EQ(pc.written(), "\r\n\r\n");

    // A line in two pieces is queued only when its end arrives.
    pc.send("usermove e2");
    console.pollInput();
    EXPECT_EQ(console.queuedLines(), 0u);
    pc.send("e4\nlevel 40 5 0\rnew\n\n");
    console.pollInput();
    EXPECT_EQ(pc.lines(), (Lines{"usermove e2e4", "level 40 5 0", "new", ""}));
    EXPECT_EQ(pc.written(), "\r\n\r\n\r\n\r\n");

    // Nothing waiting: pollInput returns at once.
    console.pollInput();
    EXPECT_EQ(console.queuedLines(), 0u);

    // Control bytes, DEL and bytes above 126 are dropped; backspace and escape edit the line.
    // A 224 byte is not a key prefix on a pipe, so the byte after it is typed normally.
    pc.send(std::string("ab\x01\x7f\xe0H\tc\bd\x1b") + "xy" + "\x08z\n");
    console.pollInput();
    EXPECT_EQ(pc.lines(), (Lines{"xz"}));
    pc.send(std::string("fo\xe0Hx") + "\n");
    console.pollInput();
    EXPECT_EQ(pc.lines(), (Lines{"foHx"}));

    // Lines handed back go to the front, in the order of the calls.
    pc.send("one\ntwo\n");
    console.pollInput();
    console.pushLineFront("back1");
    console.pushLineFront("back2");
    EXPECT_EQ(pc.lines(), (Lines{"back2", "back1", "one", "two"}));

    // Output to a pipe goes unchanged, no prompt.
    pc.written();
    console.setPrompt(">");
    console.write("move e2e4\n");
    console.write("feature done=1\npartial");
    EXPECT_EQ(pc.written(), "move e2e4\nfeature done=1\npartial");

    // A long line does not hold up the lines behind it: one poll takes all that waits.
    std::string longLine(30000, 'x');
    pc.send(longLine + "\n?\nlev");
    console.pollInput();
    EXPECT_EQ(pc.waitingInPipe(), 0);
    EXPECT_EQ(pc.lines(), (Lines{longLine, "?"}));
    EXPECT_EQ(console.editLine(), "lev");

    // The blocking read also takes everything that has arrived, not one byte.
    pc.send("el 40 5 0\r\nnew\n");
    console.readCharBlocking();
    EXPECT_EQ(pc.waitingInPipe(), 0);
    EXPECT_EQ(pc.lines(), (Lines{"level 40 5 0", "", "new"}));
    EXPECT_EQ(pc.written(), "\r\n\r\n\r\n\r\n\r\n");  // one for each of the five lines
}

// The end of input acts like quit, an unfinished last line still counting: pinned by the
// golden transcripts shell-end-of-input and shell-quit (later lines are not run).
TEST(ConsoleEditor, HistoryAndEditingKeys)
{
    PipeConsole pc;
    CConsole& console = pc.console();
    for (int i = 0; i < 150; ++i)
        console.injectInput("cmd" + std::to_string(i) + "\n\n");
    console.readCharBlocking();
    for (int polls = 0; polls < 100 && console.queuedLines() < 300; ++polls)
        console.pollInput();
    ASSERT_EQ(console.queuedLines(), 300u);
    // Empty lines are queued but never kept; the newest 101 lines are.
    ASSERT_EQ(console.history().size(), 101u);
    EXPECT_EQ(console.history().front(), "cmd49");
    EXPECT_EQ(console.history().back(), "cmd149");
    pc.lines();

    // Up and down walk the history, page keys jump to its ends, the oldest line stays put.
    const std::pair<int, const char*> walk[] = {
        {KEYCODE_UP, "cmd149"},     {KEYCODE_UP, "cmd148"}, {KEYCODE_DOWN, "cmd149"}, {KEYCODE_DOWN, ""},
        {KEYCODE_PAGE_UP, "cmd49"}, {KEYCODE_UP, "cmd49"},  {KEYCODE_PAGE_DOWN, ""},
    };
    for (const auto& step : walk)
    {
        console.feedEditingKey(step.first);
        EXPECT_EQ(console.editLine(), step.second) << step.first;
        EXPECT_EQ(console.editCursor(), console.editLine().size());
    }

    for (char c : std::string("level 40 5"))
        console.feedChar(c);
    // Word jumps, then DELETE removes the 4; at the ends LEFT and RIGHT stay put; backspace
    // removes the character before the cursor, INSERT the one at it; unknown keys do nothing.
    const std::pair<int, size_t> moves[] = {{KEYCODE_CTRL_LEFT, 9},
                                            {KEYCODE_CTRL_LEFT, 6},
                                            {KEYCODE_CTRL_LEFT, 0},
                                            {KEYCODE_CTRL_RIGHT, 6},
                                            {KEYCODE_DELETE, 6}};
    for (const auto& m : moves)
    {
        console.feedEditingKey(m.first);
        EXPECT_EQ(console.editCursor(), m.second) << m.first;
    }
    console.feedChar('6');
    EXPECT_EQ(console.editLine(), "level 60 5");
    for (int key : {KEYCODE_HOME, KEYCODE_LEFT, int('x'), KEYCODE_END, KEYCODE_RIGHT, int('0'), KEYCODE_LEFT, 8,
                    KEYCODE_INSERT, 999})
        key == 'x' || key == '0' || key == 8 ? console.feedChar(char(key)) : console.feedEditingKey(key);
    EXPECT_EQ(console.editLine(), "xlevel 60 ");
    console.feedChar(13);
    EXPECT_EQ(pc.lines(), (Lines{"xlevel 60 "}));
    EXPECT_EQ(console.history().back(), "xlevel 60 ");
}

TEST(ConsoleEditor, TerminalKeySequencesDecode)
{
    // The last two are F5 and F1, which mean nothing here.
    const std::pair<const char*, int> cases[] = {{"[A", KEYCODE_UP},
                                                 {"OB", KEYCODE_DOWN},
                                                 {"[1;5D", KEYCODE_CTRL_LEFT},
                                                 {"[1;5C", KEYCODE_CTRL_RIGHT},
                                                 {"[C", KEYCODE_RIGHT},
                                                 {"[H", KEYCODE_HOME},
                                                 {"[4~", KEYCODE_END},
                                                 {"[3~", KEYCODE_DELETE},
                                                 {"[5~", KEYCODE_PAGE_UP},
                                                 {"[6~", KEYCODE_PAGE_DOWN},
                                                 {"[15~", -1},
                                                 {"OP", -1}};
    for (const auto& [sequence, key] : cases)
        EXPECT_EQ(decodeEscapeSequence(sequence, int(std::strlen(sequence))), key < 0 ? KEY_NONE : KEY_EXTENDED | key)
            << sequence;
}

TEST(ConsoleOutput, ClosedOutputEndsTheInputLikeQuit)
{
    // As in the engine: a write to a pipe without reader fails with EPIPE instead of killing.
    signal(SIGPIPE, SIG_IGN);

    // A failed write: the complete line still runs, the half-typed one is dropped, then "quit".
    PipeConsole written;
    CConsole& console = written.console();
    written.closeOutputReader();
    EXPECT_FALSE(console.outputClosed());
    console.injectInput("new\npartial");
    console.pollInput();  // the line's "\r\n" answer fails
    EXPECT_TRUE(console.outputClosed());
    ASSERT_TRUE(console.endOfInput());  // else the reads below would wait for more input
    EXPECT_EQ(console.editLine(), "");
    std::string line;
    ASSERT_TRUE(console.readLineBlocking(line));
    EXPECT_EQ(line, "new");
    EXPECT_FALSE(console.readLineBlocking(line));
    console.write("move e2e4\n");
    EXPECT_EQ(written.lines(), (Lines{"quit"}));

    // A search that prints nothing still notices it when it polls for input: later input is
    // not read any more.
    PipeConsole polled;
    polled.send("force\n");
    polled.closeOutputReader();
    polled.console().pollInput();
    polled.console().pollInput();
    EXPECT_TRUE(polled.console().outputClosed());
    EXPECT_EQ(polled.lines(), (Lines{"quit"}));
    EXPECT_EQ(polled.waitingInPipe(), 6);
}

TEST(TimeValue, FormatAndParse)
{
    const std::pair<double, const char*> formats[] = {
        {3725.5, "01:02:05.50"}, {65.25, "01:05.25"}, {5, "5.00"}, {-65.25, "-01:05.25"}, {36000, "10:00:00.00"},
    };
    for (const auto& f : formats)
        EXPECT_EQ(CTimeValue(f.first).formatTime(), f.second);
    CTimeValue t;
    const std::pair<const char*, double> parses[] = {
        {"1:30", 90}, {"0:0:1.5", 1.5}, {"2:00:30", 7230}, {"12.25", 12.25}};
    for (const auto& [text, seconds] : parses)
    {
        ASSERT_TRUE(t.parseTime(text)) << text;
        EXPECT_DOUBLE_EQ(t.seconds(), seconds) << text;
    }
    for (const char* bad : {"90s", "", "1:30x", "a", "1:2:3:4", "1::2", "nan", "inf", "1:inf", "1e999"})
    {
        EXPECT_FALSE(t.parseTime(bad)) << bad;
        EXPECT_DOUBLE_EQ(t.seconds(), 12.25) << bad;
    }
    // Formatting and parsing agree.
    for (double seconds : {0.25, 59.5, 61.0, 3599.75, 86399.5})
    {
        ASSERT_TRUE(t.parseTime(CTimeValue(seconds).formatTime()));
        EXPECT_NEAR(t.seconds(), seconds, 0.005) << seconds;
    }

    EXPECT_DOUBLE_EQ(CTimeValue(1, 2, 3, 4, 500).seconds(), 93784.5);

    // The wall clock counts from 1601: 11644473600 seconds before the Unix epoch.
    EXPECT_NEAR(CTimeValue::now().seconds() - 11644473600.0, double(std::time(nullptr)), 2.0);
}
