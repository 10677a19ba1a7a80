// The EPD runner: a golden transcript through the real engine, and its summary.
#include <gtest/gtest.h>

#include <regex>

#include "support/engineprocess.h"
#include "support/helpers.h"
#include "tools/epd.h"

namespace
{
const char* const RULE = " ======================================================\n";

// The runner's own lines: the search output of each test (from " Test [..]..." to the rule of
// its result) is left out, and the solve times, which vary, are masked.
std::string runnerText(const std::string& output)
{
    static const std::regex TEST_START(R"(^ Line \d+: Test \[.*\]\.\.\.$)");
    static const std::regex TABLE_LINE(R"(^ *\d+( +\d+\.\d\d| \*fail\*|  #bad#)+$)");
    static const std::regex TIME(R"(\d+\.\d\d(?= seconds \[|$| ))");
    static const std::regex AVERAGE(R"((solutions: )\S+( seconds))");
    std::istringstream in(output);
    std::string line, text, skipped;
    bool inSearch = false;
    while (std::getline(in, line))
    {
        if (inSearch && line != " --------------------------------------------")
        {
            skipped = line;
            continue;
        }
        if (inSearch && skipped == " ")
            text += " \n";
        inSearch = std::regex_match(line, TEST_START);
        if (line.find(": passed in ") != std::string::npos || std::regex_match(line, TABLE_LINE))
            line = line.substr(0, 3) + std::regex_replace(line.substr(3), TIME, "#.##");
        text += std::regex_replace(line, AVERAGE, "$1#$2") + "\n";
    }
    return text;
}

// Waits until the engine has answered one more epd command (an error, or its whole summary).
bool waitForEpdAnswer(CEngineProcess& engine, long answers)
{
    static const std::regex ANSWER("Invalid parameters\n| file for (input|output)\n|=\n \n");
    for (int tenths = 0; tenths < 600; engine.readFor(0.1), ++tenths)
    {
        const std::string& out = engine.output();
        if (std::distance(std::sregex_iterator(out.begin(), out.end(), ANSWER), std::sregex_iterator()) >= answers)
            return true;
    }
    return false;
}
}  // namespace

// A small suite with CRLF line ends: a bm test, an am-only test, a line with neither, a bad
// FEN, bad and unplayable operands, the errors of the command, an output file and one test.
TEST(EpdRunner, SuiteTranscriptAndResultFile)
{
    const std::string dir = CEngineProcess::makeTempDir();
    std::string suite = std::regex_replace(fileText(testData("golden/epd/suite.epd")), std::regex("\n"), "\r\n");
    std::ofstream(dir + "/suite.epd", std::ios::binary) << suite;
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({}, dir));
    std::istringstream script(fileText(testData("golden/epd/run.in")));
    long answers = 0;
    for (std::string line; std::getline(script, line);)
    {
        ASSERT_TRUE(engine.send(line));
        ASSERT_TRUE(line.rfind("epd", 0) != 0 || waitForEpdAnswer(engine, ++answers)) << line;
    }
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(10), 0);
    expectGolden("epd/run.out", runnerText(engine.output()));
    // The suite was not touched; the results carry the search's figures (counts masked).
    EXPECT_EQ(fileText(dir + "/suite.epd"), suite);
    expectGolden("epd/results.epd",
                 std::regex_replace(fileText(dir + "/results.epd"), std::regex("(ac[ns]) \\d+;"), "$1 #;"));
    std::filesystem::remove_all(dir);
}

TEST(EpdRunner, SummaryWithoutTestsAndScaledHistogram)
{
    CCapture capture;
    CEpdSummary().print(5, true);
    CEpdSummary many;
    for (int i = 0; i < 60; ++i)
        many.addPassed(0.5);
    many.addPassed(11.0);
    many.addFailed();
    many.print(5, false);
    const std::string text = capture.take();
    EXPECT_NE(text.find("      Number of solutions found: 0/0\n Average time to find solutions: 0 seconds\n"
                        "     RMS time to find solutions: 0 seconds\n" +
                        std::string(RULE)),
              std::string::npos);
    // 60 tests within one second scale the bars to 50; the empty bins between stay.
    EXPECT_NE(text.find("   1s:   60   +60 |" + std::string(50, '#') + "  (98.4%)\n   2s:   60    +0 |  (0.0%)\n"),
              std::string::npos);
    EXPECT_NE(text.find("  12s:   61    +1 |#  (1.6%)\n" + std::string(RULE) + " \n"), std::string::npos);
    EXPECT_EQ(text.find(" *fail*"), std::string::npos);
}
