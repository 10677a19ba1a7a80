// Runs the built engine as a child process over pipes, for end-to-end protocol tests.
//
// Usage:
//     CEngineProcess engine;
//     ASSERT_TRUE(engine.start({"-hash", "4"}, CEngineProcess::makeTempDir()));
//     engine.send("xboard");                      // writes "xboard\n" to the engine's stdin
//     engine.send("protover 2");
//     ASSERT_TRUE(engine.waitFor("done=1", 10));  // reads stdout until the text appears (or 10 s pass)
//     std::string reply = engine.consumed();      // stdout up to and including the text just found
//     engine.closeInput();                        // end of input: the engine treats it like "quit"
//     EXPECT_EQ(engine.waitExit(10), 0);          // exit code; the child is killed after the timeout
//
// API
// - start(args, workDir): starts VEKRAN_BINARY (or start(binary, args, workDir) for another program)
//   with argv[1..] = args, current directory workDir (empty: the test's own directory), stdin, stdout
//   and stderr connected to pipes. Returns false if the process could not be started.
// - send(line): writes line + "\n"; sendRaw(bytes): writes the bytes unchanged. False if the pipe is closed.
// - waitFor(text, timeoutSeconds): true as soon as `text` occurs in the stdout read after the previous
//   successful waitFor; that point then moves past the found text. False when the timeout passes or
//   the engine closes stdout first (all output read so far stays available).
// - readFor(seconds): just collects output for that long (or until stdout closes).
// - consumed(): stdout from the previous mark up to the end of the text found by the last waitFor.
// - output(): everything read from stdout so far; errorOutput(): everything read from stderr so far.
// - pending(): stdout read but not yet passed by a waitFor.
// - closeInput(): closes the engine's stdin (end of input).
// - closeOutput(): closes the reading end of the engine's stdout (a user interface that stops reading).
// - waitExit(timeoutSeconds): waits for the process to end, reading its remaining output meanwhile.
//   Returns the exit code (0..255), 128 + signal number if a signal ended it, or -1 if it had to be
//   killed because the timeout passed (and -2 if it was never started).
// - signal(sig): sends a signal to the running engine; running(): true while it has not exited.
// - makeTempDir(): creates a fresh empty directory under /tmp and returns its path (for game.pgn,
//   log files and other files the engine writes into its working directory).
// The destructor kills a process that is still running and closes the pipes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class CEngineProcess
{
public:
    CEngineProcess() = default;
    ~CEngineProcess();
    CEngineProcess(const CEngineProcess&) = delete;
    CEngineProcess& operator=(const CEngineProcess&) = delete;

    bool start(const std::vector<std::string>& args = {}, const std::string& workDir = "");
    bool start(const std::string& binary, const std::vector<std::string>& args, const std::string& workDir);

    bool send(const std::string& line);
    bool sendRaw(const std::string& bytes);
    bool waitFor(const std::string& text, double timeoutSeconds = 10.0);
    void readFor(double seconds);
    void closeInput();
    void closeOutput();
    int waitExit(double timeoutSeconds = 10.0);
    bool signal(int sig);
    bool running();

    const std::string& output() const { return m_stdout; }
    const std::string& errorOutput() const { return m_stderr; }
    std::string consumed() const { return m_stdout.substr(m_lastMark, m_mark - m_lastMark); }
    std::string pending() const { return m_stdout.substr(m_mark); }
    pid_t pid() const { return m_pid; }

    static std::string makeTempDir();

private:
    // Reads whatever is available on stdout/stderr, waiting at most timeoutMs; false once both closed.
    bool pump(int timeoutMs);
    void closeFd(int& fd);
    bool reap(bool wait);

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_exited = false;
    int m_status = 0;
    std::string m_stdout;
    std::string m_stderr;
    size_t m_mark = 0;
    size_t m_lastMark = 0;
};
