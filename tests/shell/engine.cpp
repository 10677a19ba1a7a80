// The engine as a whole process: start-up, command line, idle loop, log, end of input, signals.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/engineprocess.h"
#include "support/helpers.h"

namespace
{
const char* const BANNER = "Vekran\nVersion 3.00.3.4\n";

std::string withoutLineEchoes(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 2);
    return text;
}
}

// The help texts are pinned by the golden transcript help.in / help.out, the end of input
// and quit by shell-end-of-input and shell-quit.
TEST(EngineProcess, IdleEngineSurvivesInterruptAndFlushesTheRecord)
{
    std::string dir = CEngineProcess::makeTempDir();
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"foo"}, dir));  // a bare word is ignored
    ASSERT_TRUE(engine.waitFor(BANNER, 30));
    EXPECT_EQ(engine.output().find(BANNER), 0u);
    // An interrupt (Ctrl+C in a GUI's console) does not end the engine.
    ASSERT_TRUE(engine.signal(SIGINT));
    // The game record is flushed after each command, so it can be read while the engine runs.
    engine.send("   ");
    engine.send("help b");
    engine.send("help s");
    ASSERT_TRUE(engine.waitFor(" Settings Command             Description\n", 30));
    EXPECT_EQ(fileText(dir + "/game.pgn").find("[event \"new game\"]\n\n"), 0u);
    EXPECT_TRUE(engine.running());

    // Waiting for input costs no processor time.
    const double before = engine.cpuSeconds();
    ASSERT_GE(before, 0.0);
    usleep(1000 * 1000);
    EXPECT_LE(engine.cpuSeconds() - before, 0.05) << "the idle engine used processor time";
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(30), 0) << engine.errorOutput();
}

TEST(EngineProcess, ClosedOutputEndsAnalysisAndPonderingLikeQuit)
{
    // A user interface that stops reading the engine's output while it still holds the input
    // open: the search without end stops and the engine ends as after "quit".
    const std::tuple<const char*, std::vector<std::string>, const char*> cases[] = {
        {"analysis", {"analyze"}, " Ply   Time"},
        {"pondering", {"xboard", "new", "hard", "st 0.2", "usermove e2e4"}, "move "},
    };
    for (const auto& [name, lines, searching] : cases)
    {
        CEngineProcess engine;
        ASSERT_TRUE(engine.start({}, CEngineProcess::makeTempDir()));
        for (const std::string& line : lines)
            engine.send(line);
        ASSERT_TRUE(engine.waitFor(searching, 30)) << name;
        engine.readFor(0.5);
        engine.closeOutput();
        EXPECT_EQ(engine.waitExit(10), 0) << name << ": still searching";
    }
}

// A hang guard: the search reads all waiting input when it polls, so a 100 KB line costs a
// few polls and "?" behind it is heard at once; read a little at each poll, it would be heard
// only when the two minutes allotted to this move are over.
TEST(EngineProcess, LongInputLineDoesNotDelayMoveNow)
{
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({}, CEngineProcess::makeTempDir()));
    engine.send("level 0 100 0");
    engine.send("go");
    ASSERT_TRUE(engine.waitFor(" Ply   Time", 30));
    ASSERT_TRUE(engine.sendRaw(std::string(100000, 'x') + "\n?\n"));
    EXPECT_TRUE(engine.waitFor("\nmove ", 60));
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(60), 0);
}

// The command line's options and errors are pinned by the golden transcripts shell-options*
// and shell-usage* (their .args files).
TEST(EngineProcess, UsageTextStopsTheStartUp)
{
    std::string dir = CEngineProcess::makeTempDir();
    CEngineProcess help;
    ASSERT_TRUE(help.start({"-?"}, dir));
    EXPECT_EQ(help.waitExit(30), 1);
    expectGolden("usage.txt", help.output());
    EXPECT_EQ(help.errorOutput(), "");
    // Start-up stopped before the game record file.
    EXPECT_NE(access((dir + "/game.pgn").c_str(), F_OK), 0);
}

TEST(EngineProcess, LogFileGetsEverythingPrintedButTheUsage)
{
    // With an error: the log line comes in the banner, before the error; the usage is not logged.
    std::string dir = CEngineProcess::makeTempDir();
    {
        CEngineProcess engine;
        ASSERT_TRUE(engine.start({"-x", "/LOG"}, dir));
        EXPECT_EQ(engine.waitExit(30), 1);
        EXPECT_EQ(fileText(dir + "/vek300.3.4.log"),
                  std::string(BANNER) + "Logging output to file \"vek300.3.4.log\"\n" + "Invalid parameter: -x\n");
    }
    // A whole session: the log holds exactly what reached standard output, less the empty
    // lines that answer each input line; in xboard mode each input line too, after "--> ".
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-log"}, dir));
    engine.send("help s");
    ASSERT_TRUE(engine.waitFor(" Settings Command             Description\n", 30));
    engine.send("xboard");
    engine.send("h x");
    engine.send("");
    ASSERT_TRUE(engine.waitFor(" Category: Book\n", 10));
    engine.send("h t");
    ASSERT_TRUE(engine.waitFor(" Test Command", 10));
    ASSERT_TRUE(engine.waitFor("teste[val]", 10));
    // Flushed after each command: the log already holds the overview.
    std::string logSoFar = fileText(dir + "/vek300.3.4.log");
    EXPECT_NE(logSoFar.find("--> h x\n\n Help\n"), std::string::npos) << logSoFar;
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(30), 0);

    std::string log = fileText(dir + "/vek300.3.4.log");
    EXPECT_NE(log.find("--> \n"), std::string::npos);
    EXPECT_EQ(log.find("--> help s"), std::string::npos);  // before xboard mode
    EXPECT_EQ(log.substr(log.size() < 22 ? 0 : log.size() - 22), "consistency\n\n--> quit\n");
    std::string logWithoutInput;
    for (const std::string& line : splitLines(log))
        logWithoutInput += line.compare(0, 4, "--> ") == 0 ? "" : line + "\n";
    EXPECT_EQ(logWithoutInput, withoutLineEchoes(engine.output()));
}

TEST(EngineProcess, TerminalLineEditingWithHistory)
{
    // On a terminal the engine reads keys itself: arrows recall history, DEL is backspace,
    // Ctrl+D on an empty line ends the input like quit.
    std::string dir = CEngineProcess::makeTempDir();
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0)
    {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        execl(VEKRAN_BINARY, VEKRAN_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    // Reads the terminal for up to 30 s until the text has appeared; false also when it closes.
    auto readUntil = [&](const std::string& text) {
        char buffer[4096];
        pollfd probe = {master, POLLIN, 0};
        for (int i = 0; i < 300 && seen.find(text) == std::string::npos; ++i)
            if (poll(&probe, 1, 100) > 0)
            {
                ssize_t n = read(master, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                seen.append(buffer, static_cast<size_t>(n));
            }
        return seen.find(text) != std::string::npos;
    };
    auto type = [&](const std::string& keys) {
        ASSERT_EQ(write(master, keys.data(), keys.size()), ssize_t(keys.size()));
    };
    EXPECT_TRUE(readUntil(" Console is a TTY"));
    type("help b\r");
    EXPECT_TRUE(readUntil(" bcreate filename.hbk"));
    // Up recalls "help b"; a backspace and an "s" make it "help s".
    type("\x1b[A");
    usleep(100 * 1000);
    type("\x7fs\r");
    EXPECT_TRUE(readUntil(" showpvq                      Toggle display of quiesence moves in PV")) << seen;
    type("\x04");
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 1000 && (ended = waitpid(pid, &status, WNOHANG)) == 0; ++i)
    {
        char buffer[4096];
        pollfd probe = {master, POLLIN, 0};
        if (poll(&probe, 1, 10) > 0 && read(master, buffer, sizeof buffer) <= 0)
            usleep(10 * 1000);
    }
    if (ended == 0)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "no exit after Ctrl+D";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "status " << status << " signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0) << "\n"
        << seen;
    close(master);
}
