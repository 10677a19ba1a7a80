// The EPD test-suite runner: every position of a suite is searched for a fixed time and the
// move the engine settles on is checked against the position's "bm" (best move) and "am"
// (avoid move) operations; a summary with solve times and a histogram follows, and the
// results can be written to an EPD file of their own.
#pragma once

#include <string>
#include <vector>

// One operation of an EPD line: "bm Qg6 Rxf7" is opcode "bm" with two operands.
struct EpdOperation
{
    std::string opcode;
    std::vector<std::string> operands;
    std::string text;  // the operation as written, blanks at either end removed
};

// An EPD line split into its position and its operations.
struct EpdRecord
{
    // The first four blank-separated fields, and the fifth and sixth when they start with a
    // digit (half-move clock and move number), joined by single blanks.
    std::string fen;
    std::vector<EpdOperation> operations;
};

// Splits a line (without its line end); false when it has fewer than four fields.
bool splitEpdLine(const std::string& line, EpdRecord& record);

// The record as one EPD line, with these operations set: an operation of the record with the
// same opcode takes the new operands in its place, the others are appended in the given order.
std::string epdLineWith(const EpdRecord& record, const std::vector<EpdOperation>& results);

// The solve times of a run, the summary table and the histogram printed at its end.
class CEpdSummary
{
public:
    static constexpr int BIN_COUNT = 23;
    // Upper limits of the solve-time bins, in seconds.
    static const int BIN_LIMITS[BIN_COUNT];

    void addPassed(double seconds);
    void addFailed();
    void addInvalid();

    int passed() const { return m_passed; }
    int failed() const { return m_failed; }
    int invalid() const { return m_invalid; }
    int searched() const { return m_passed + m_failed; }

    // " Test run complete", the results ten to a line (unless one test was selected), the
    // number solved, the average and RMS times (a failed test counts with the full time per
    // test) and the histogram of the solve times.
    void print(int secondsPerTest, bool showTable) const;

private:
    std::vector<double> m_results;  // per tested line: solve time, -2 failed, -1 invalid
    int m_passed = 0;
    int m_failed = 0;
    int m_invalid = 0;
    int m_bins[BIN_COUNT] = {};
};

struct EpdRunSettings
{
    int seconds = 0;  // thinking time per test
    std::string inputName;
    int testNumber = 0;      // the line number of the one test to run; 0 runs them all
    std::string outputName;  // empty: no result file
};

// Reads "secs file-in [#test-nr] [file-out]"; false when fewer than two arguments read.
bool parseEpdArguments(const std::string& args, EpdRunSettings& settings);

// Runs the suite through the player, printing each test, its result and the summary. False,
// after the message, when a file cannot be opened (then no test runs). A command that stops
// the running search (quit, exit, a result, ...) ends the run after the current test, which
// is then not counted; the summary covers the tests that finished.
bool runEpdSuite(const EpdRunSettings& settings);
