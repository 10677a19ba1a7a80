// Golden transcripts: each tests/data/golden/NAME.in is fed to the real engine, started in a
// fresh temporary folder, and its standard output must equal NAME.out byte for byte.
//
// Before comparing, the few things that differ from one checkout or run to the next are
// written as placeholders (the first also in the input, so a script can name the test data):
//   @DATA@        the test data folder (tests/data)
//   @TMP@         the temporary folder the engine runs in
//   #.### secs    a duration the engine reports ("Done (0.021 secs)")
// Pick commands whose output is otherwise fixed (no rates, node counts of timed searches).
// NAME.args, when present, holds the command line, one argument a line; an exit code other
// than 0 ends the output as "[exit code N]".
// After an intended change of a text, rerun with VEKRAN_UPDATE_GOLDEN=1 to rewrite the .out
// files, and read the difference before committing it.
#include <gtest/gtest.h>

#include <regex>

#include "support/engineprocess.h"
#include "support/helpers.h"

namespace
{
std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); !from.empty() && at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Every NAME.in but those that name a folder of their own test (@DIR@): tablebase.in is run
// by endgame_test with the tables it generates.
std::vector<std::string> scripts()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(testData("golden")))
        if (entry.path().extension() == ".in" && fileText(entry.path().string()).find("@DIR@") == std::string::npos)
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

using Golden = ::testing::TestWithParam<std::string>;
}  // namespace

TEST_P(Golden, TranscriptMatches)
{
    const std::string data = std::filesystem::canonical(VEKRAN_TEST_DATA).string();
    const std::string dir = CEngineProcess::makeTempDir();
    const std::string input = replaceAll(fileText(testData("golden/" + GetParam() + ".in")), "@DATA@", data);
    CEngineProcess engine;
    ASSERT_TRUE(engine.start(splitLines(fileText(testData("golden/" + GetParam() + ".args"))), dir));
    engine.sendRaw(input);  // fails when the engine has ended at once (a bad command line)
    engine.closeInput();
    const int code = engine.waitExit(300);
    std::string output = replaceAll(replaceAll(engine.output(), dir, "@TMP@"), data, "@DATA@");
    if (code != 0)
        output += "[exit code " + std::to_string(code) + "]\n";
    expectGolden(GetParam() + ".out", std::regex_replace(output, std::regex("[0-9]+\\.[0-9]+ secs"), "#.### secs"));
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

INSTANTIATE_TEST_SUITE_P(Script, Golden, ::testing::ValuesIn(scripts()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;  // test names take no '-'
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
