// Edwards tablebases: indexing, the generator's files checked move by move,
// kpktest, and the tbp/tba console transcript on generated files.
#include <gtest/gtest.h>

#include "endgame/commands.h"
#include "endgame/tbgen.h"
#include "support/engineprocess.h"
#include "support/helpers.h"

namespace
{
std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// Every three-man class and KRKN, generated once for the whole suite.
class GeneratedTablebases : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = CEngineProcess::makeTempDir();
        CTablebaseGenerator generator(s_dir);
        std::vector<std::string> names = tbClassNames(3);
        names.push_back("KRKN");
        for (const std::string& name : names)
        {
            std::string error;
            ASSERT_TRUE(generator.generate(name, error)) << error;
        }
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(s_dir); }
    static std::string s_dir;
};
std::string GeneratedTablebases::s_dir;
}

TEST(TablebaseIndex, PositionsFindTheirFileAndIndex)
{
    const struct
    {
        const char* fen;
        const char* file;
        uint64_t index;
    } cases[] = {
        // Black's king and rook: mirrored top to bottom, Black to move reads the first side's file.
        // Reference man black king e1 -> e8 -> (flips) d1 = 3; king b2 -> b7 -> g2, rook c2 -> f2.
        {"8/8/8/8/8/8/1kr5/4K3 b - - 0 1", "KRK.tbw", 14 + 64 * (13 + 64 * 3)},
        // Pawn on f5 is flipped to c5 (4 x 4 + 2), kings h1 -> a1 and a2 -> h2: kpktest's own index.
        {"8/8/8/5P2/8/8/k7/7K w - - 0 1", "KPK.tbw", (15 * 32 + 18) * 64 + 0},
        // Equal sides: the stronger piece leads (KRKN, not KNKR), even when Black holds it.
        // Reference man knight f1 -> f8 -> (flips) c1 = 2.
        {"8/8/8/8/8/8/1kr5/4KN2 w - - 0 1", "KRKN.tbb", 14 + 64 * (13 + 64 * (3 + 64 * 2))},
    };
    for (const auto& c : cases)
    {
        TablebaseProbe probe = tbProbe(positionFromFen(c.fen), "no-such-dir");
        EXPECT_EQ(probe.status, TB_PROBE_NO_FILE) << c.fen;
        EXPECT_EQ(probe.fileName, std::string("no-such-dir/") + c.file) << c.fen;
        EXPECT_EQ(probe.index, c.index) << c.fen;
        EXPECT_EQ(probe.value, TB_BROKEN);
    }
    // A file too short for the index reads as broken.
    std::string dir = CEngineProcess::makeTempDir();
    writeText(dir + "/KRK.tbw", "short");
    TablebaseProbe shortRead = tbProbe(positionFromFen(cases[0].fen), dir);
    EXPECT_EQ(shortRead.status, TB_PROBE_OK);
    EXPECT_EQ(shortRead.value, TB_BROKEN);
    std::filesystem::remove_all(dir);

    TablebaseProbe probe = tbProbe(positionFromFen("4k3/pp6/8/8/8/8/PP6/4K3 w - - 0 1"), "");
    EXPECT_EQ(probe.status, TB_PROBE_TOO_MANY_MEN);
    EXPECT_EQ(probe.men, 6);
    EXPECT_EQ(probe.value, TB_BROKEN);
}

TEST_F(GeneratedTablebases, FourMenClassAgreesWithItsMovesAndAWrongByteIsFound)
{
    CTablebaseGenerator generator(s_dir);  // reads the files made above
    TablebaseCheck check;
    std::string error;
    ASSERT_TRUE(generator.verify("KRKN", check, error)) << error;
    EXPECT_EQ(check.errors, 0u) << check.firstError;
    EXPECT_EQ(check.positions, 2u * 10 * 64 * 64 * 64);

    // One byte off by one in a copy: the check must see it.
    std::string copy = CEngineProcess::makeTempDir();
    for (const char* name : {"KRK.tbw", "KRK.tbb", "KNK.tbw", "KNK.tbb", "KRKN.tbw", "KRKN.tbb"})
        std::filesystem::copy_file(s_dir + "/" + name, copy + "/" + name);
    TablebaseProbe probe = tbProbe(positionFromFen("4k3/8/8/n7/8/8/8/R3K3 b - - 0 1"), copy);
    ASSERT_EQ(probe.status, TB_PROBE_OK);
    std::fstream file(probe.fileName, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(std::streamoff(probe.index));
    file.put(char(probe.value + 1));
    file.close();
    CTablebaseGenerator reader(copy);
    ASSERT_TRUE(reader.verify("KRKN", check, error)) << error;
    EXPECT_GE(check.errors, 1u);
    std::filesystem::remove_all(copy);
}

TEST_F(GeneratedTablebases, KpkTestAgreesWithGeneratedFilesAndRefusesShortOnes)
{
    const std::string count = " Discrepancy count: b 0, w 0\n";
    std::string text = captureCommand(handleKpkTest, s_dir);
    EXPECT_NE(text.find(" Testing internal KP-K end-game table against Edwards tablebase...\n" + count),
              std::string::npos)
        << text;

    std::string other = CEngineProcess::makeTempDir();
    EXPECT_NE(captureCommand(handleKpkTest, other).find("Failed to open file: " + other + "/kpk.tbb\n"),
              std::string::npos);
    std::filesystem::copy_file(s_dir + "/KPK.tbb", other + "/kpk.tbb");
    std::vector<int8_t> strong;
    ASSERT_TRUE(tbReadFile(s_dir + "/KPK.tbw", 131072, strong));
    std::ofstream(other + "/kpk.tbw", std::ios::binary).write(reinterpret_cast<const char*>(strong.data()), 131071);
    text = captureCommand(handleKpkTest, other);
    EXPECT_NE(text.find("Failed to open file: " + other + "/kpk.tbw\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Discrepancy count"), std::string::npos);

    // A win turned into a draw at white king a1, pawn b2, black king h8 is one discrepancy.
    int at = (63 * 32 + 4 * 1 + 1) * 64 + 0;
    ASSERT_GT(strong[size_t(at)], 0);
    strong[size_t(at)] = 0;
    std::ofstream(other + "/kpk.tbw", std::ios::binary).write(reinterpret_cast<const char*>(strong.data()), 131072);
    text = captureCommand(handleKpkTest, other);
    EXPECT_NE(text.find("Discrepancy: kpk.tbw Win "), std::string::npos) << text;
    EXPECT_NE(text.find(" [0 Draw] WKa1 WPb2 BKh8\n Discrepancy count: b 0, w 1\n"), std::string::npos) << text;
    std::filesystem::remove_all(other);
}

TEST_F(GeneratedTablebases, ConsoleTranscript)
{
    const std::string golden = testData("golden/tablebase");
    std::string script = replaced(fileText(golden + ".in"), "@DIR@", s_dir);
    std::string expected = replaced(fileText(golden + ".out"), "@DIR@", s_dir);
    ASSERT_FALSE(expected.empty());
    std::string work = CEngineProcess::makeTempDir();
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({}, work));
    engine.sendRaw(script);
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(120), 0);
    std::string actual = replaced(engine.output(), "\r\n", "");
    size_t start = actual.find(expected.substr(0, expected.find('\n') + 1));
    ASSERT_NE(start, std::string::npos) << actual;
    EXPECT_EQ(actual.substr(start), expected);
    std::filesystem::remove_all(work);
}
