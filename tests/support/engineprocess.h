// Runs the built engine (VEKRAN_BINARY) or another program as a child process over pipes,
// for end-to-end tests:
//     CEngineProcess engine;
//     ASSERT_TRUE(engine.start({"-hash", "4"}, CEngineProcess::makeTempDir()));
//     engine.send("protover 2");                  // writes the line and "\n" to its stdin
//     ASSERT_TRUE(engine.waitFor("done=1", 10));  // reads stdout until the text appears
//     std::string reply = engine.consumed();      // stdout from the last mark through that text
//     engine.closeInput();                        // end of input: the engine treats it like "quit"
//     EXPECT_EQ(engine.waitExit(10), 0);          // exit code; killed after the timeout (-1)
// waitFor() fails when the time passes or stdout closes first; pending() is what was read but
// not passed yet. waitExit() gives 128 + the signal for a signal, -1 when it had to kill, -2
// when never started. closeOutput() closes our end of the engine's stdout (an interface that
// stops reading). The destructor kills a child still running.
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
    // Processor time (user + system) the running engine has used so far, in seconds; -1 if unknown.
    double cpuSeconds() const;

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
