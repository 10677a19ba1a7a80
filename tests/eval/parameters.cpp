// The parameter registry and its ".eval" file: layout, round trip, every load
// error, and files written to break the reader.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <random>
#include <set>

#include "eval/commands.h"
#include "eval/evaluate.h"
#include "eval/parameters.h"
#include "support/helpers.h"

namespace
{
const char* const TAG = "vek300.3.4";

bool sameAsDefaults() { return std::memcmp(&evalParams(), &defaultEvalParameters(), sizeof(EvalParameters)) == 0; }

// Every test starts and ends on the built-in values.
class EvalFile : public ::testing::Test
{
protected:
    void SetUp() override { resetEvalParameters(); }
    void TearDown() override { resetEvalParameters(); }

    bool load(const std::string& text, std::string& error)
    {
        std::string path = tempPath("load.eval");
        writeText(path, text);
        bool ok = loadEvalParameters(path, TAG, error);
        std::remove(path.c_str());
        return ok;
    }
};
}

// The default weights as savee writes them: tag line, labels in 30 columns, 8 values a line.
TEST_F(EvalFile, SavedDefaultsMatchTheGoldenFile)
{
    std::string path = tempPath("layout.eval"), error;
    ASSERT_TRUE(saveEvalParameters(path, TAG, error));
    expectGolden("default.eval", fileText(path));
}

TEST_F(EvalFile, SaveThenLoadGivesBackEveryValue)
{
    // Scramble every value (signs, five and more digits), save, restore defaults, load.
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> value(-99999, 99999);
    for (const EvalParameterEntry* e = evalParameterTable(); e->label; ++e)
        for (int i = 0; i < e->count; ++i)
            e->values[i] = value(random);
    rebuildEvalDerivedTables();
    EvalParameters expected = evalParams();
    EvalDerivedTables expectedDerived = evalDerived();
    std::string path = tempPath("roundtrip.eval");
    std::string error;
    ASSERT_TRUE(saveEvalParameters(path, TAG, error));
    resetEvalParameters();
    ASSERT_TRUE(sameAsDefaults());
    ASSERT_TRUE(loadEvalParameters(path, TAG, error)) << error;
    std::remove(path.c_str());
    EXPECT_EQ(error, "Settings loaded successfully");
    EXPECT_EQ(std::memcmp(&evalParams(), &expected, sizeof(expected)), 0);
    EXPECT_EQ(std::memcmp(&evalDerived(), &expectedDerived, sizeof(expectedDerived)), 0);
}

TEST_F(EvalFile, EachLoadErrorGivesItsMessageAndChangesNothing)
{
    std::string error;
    const std::string missing = tempPath("missing.eval");
    EXPECT_FALSE(loadEvalParameters(missing, TAG, error));
    EXPECT_EQ(error, "Failed to open file: " + missing);

    // 191 numbers then the next label: the label is read as the 192nd number.
    std::string shortTable = "#vek300.3.4\npawnPosEval";
    for (int i = 0; i < 191; ++i)
        shortTable += " 7";
    const std::string badTag = "Bad file version tag, expected vek300.3.4";
    // Values before the error are not kept: the whole file is refused.
    const std::pair<std::string, std::string> cases[] = {
        {"#vek299.1.1\nwhitePawn 900\n", badTag},
        {"vek300.3.4\n", badTag},
        {"#VEK300.3.4\n", badTag},
        {"", badTag},
        {"#vek300.3.4\nwhitePawn 900\nblackPawn 800\nnoSuchLabel 5\n", "Label name not recognised: noSuchLabel"},
        {"#vek300.3.4\nwhitePawn 900\nrookRankMobility 1 2 3 x 5 6 7 8\n",
         "Bad number while processing rookRankMobility"},
        {shortTable + "\nrookPosEval 1\n", "Bad number while processing pawnPosEval"},
        {"#vek300.3.4\nrookBehindPassed 1 2 3\n", "Bad number while processing rookBehindPassed"},
        // Numbers beyond what any weight can sensibly be, and beyond 32 bits; an overlong tag is cut.
        {"#vek300.3.4\nwhitePawn 99999999999999999999\n", "Bad number while processing whitePawn"},
        {"#vek300.3.4\nwhitePawn 1000001\n", "Bad number while processing whitePawn"},
        {"#vek300.3.4\nwhitePawn -\n", "Bad number while processing whitePawn"},
        {"#" + std::string(100000, 'x') + "\n", badTag},
    };
    for (const auto& c : cases)
    {
        EXPECT_FALSE(load(c.first, error)) << c.first.substr(0, 50);
        EXPECT_EQ(error, c.second);
        EXPECT_TRUE(sameAsDefaults()) << c.second;
    }
}

TEST_F(EvalFile, PartialAndRepeatedLabelsLoadInAnyOrder)
{
    std::string error;
    ASSERT_TRUE(load("#vek300.3.4\n", error));
    EXPECT_TRUE(sameAsDefaults());
    ASSERT_TRUE(load("# vek300.3.4   rookTrapped\n-400 pawnWeak -50\n\n rookTrapped +12\tbishopMobilityBonus "
                     "1 2 3 4 5 6 7 8 9 10 11 12 13 14",
                     error));
    EXPECT_EQ(evalParams().rookTrapped[0], 12);
    EXPECT_EQ(evalParams().pawnWeak[0], -50);
    EXPECT_EQ(evalParams().bishopMobilityBonus[13], 14);
    EXPECT_EQ(evalParams().pawnIsolated[0], -104);
}

TEST_F(EvalFile, HostileFilesAreRefusedWithoutHarm)
{
    std::string error;
    // An overlong label is cut, never overrun.
    EXPECT_FALSE(load("#vek300.3.4\n" + std::string(100000, 'x') + " 5\n", error));
    EXPECT_EQ(error.rfind("Label name not recognised: xxxx", 0), 0u);
    EXPECT_LT(error.size(), 300u);
    // Binary bytes, NULs included.
    std::string binary("#vek300.3.4\n\x01\x02\xff\x00\x80 12\n", 19);
    EXPECT_FALSE(load(binary, error));
    EXPECT_EQ(error.rfind("Label name not recognised: ", 0), 0u);
    EXPECT_FALSE(load(std::string("#vek300.3.4\nwhitePawn 1\0002\n", 24), error));
    EXPECT_TRUE(sameAsDefaults());
    // Index-like weights at their extremes are accepted and the evaluation stays in its tables.
    auto repeat = [](const char* value, int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += std::string(" ") + value;
        return text + "\n";
    };
    std::string extremes = "#vek300.3.4\nkingDefectNpBishop -1000000\nkingPawnDefectTable" + repeat("1000000", 32) +
                           "kingDefects" + repeat("-1000000", 64) + "knightKingAttackBonus" + repeat("1000000", 8) +
                           "queenKingAttackBonus" + repeat("-1000000", 8) +
                           "kingPressureMultiplier 1000000\nknightOutpostMultiplier 1000000\nknightOutposts" +
                           repeat("1000000", 64) + "whiteQueen 1000000\nblackQueen -1000000\n";
    ASSERT_TRUE(load(extremes, error)) << error;
    const char* fens[] = {
        "r1bq1rk1/pp2nppp/2n5/2bpN3/3N4/2P3Q1/PP3PPP/R1B1KB1R w KQ - 0 1",
        "4k3/8/8/3N4/8/8/8/4K2Q b - - 0 1",
        "QQQQkQQQ/QQQQQQQQ/8/8/8/8/qqqqqqqq/qqqqKqqq w - - 0 1",
    };
    for (const char* fen : fens)
    {
        if (!CBoard::load(positionFromFen(fen)))
            continue;
        SetGameStage();
        CCapture sink;
        int verbose = EvaluateVerbose(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
        EXPECT_EQ(Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW), verbose) << fen;
    }
}

TEST_F(EvalFile, LoadPutsNewWeightsInForceEverywhere)
{
    CPosition position;
    ASSERT_TRUE(loadFen("4k3/pp3ppp/8/3p4/3P4/8/PP3PPP/4K3 w - - 0 1", &position));
    SetGameStage();
    int before = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);  // fills the pawn cache
    std::string error;
    // Only White's isolated d-pawn changes value; the white copy of a square
    // table follows its stored table; the board takes new piece values at its next load.
    ASSERT_TRUE(load("#vek300.3.4\npawnIsolated -1104\nwhitePawn 1100\n", error));
    ASSERT_TRUE(CBoard::load(position));
    EXPECT_EQ(CBoard::searchPieceValue(PAWN), 1100);
    int after = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
    {
        CCapture sink;
        EXPECT_EQ(after, EvaluateVerbose(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW));
    }
    // Both sides have an isolated d-pawn, so that change cancels; White's six
    // pawns gain 100 each in the material balance, and nothing else moves.
    EXPECT_EQ(after - before, 600);
    // A single changed weight (as learning makes) keeps White's mirrored copy in step.
    setEvalParameterValue(*findEvalParameter("knightOutposts"), 35, 9);
    EXPECT_EQ(evalDerived().whiteKnightOutposts[35 ^ 56], 9);
}

TEST_F(EvalFile, SaveeReplacesOnlyRegularFilesAndLoadeRefusesDevices)
{
    const std::string dir = tempPath("targets");
    std::filesystem::create_directories(dir);
    writeText(dir + "/real.eval", "old\n");
    writeText(dir + "/victim", "victim\n");
    writeText(dir + "/open.eval", "open\n");
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("real.eval", (dir + "/link.eval").c_str()), 0);
    // A link planted where a predictable temporary name would be.
    ASSERT_EQ(symlink((dir + "/victim").c_str(), (dir + "/plain.eval.tmp").c_str()), 0);
    // A file the engine holds open (as it does the game record and the log).
    FILE* held = std::fopen((dir + "/open.eval").c_str(), "a");
    ASSERT_NE(held, nullptr);
    const std::pair<std::string, std::string> saves[] = {
        {"fifo", "Error (Not a regular file): " + dir + "/fifo\n"},
        {".", "Error (Not a regular file): " + dir + "/.\n"},
        {"open.eval", "Error (file is open in the engine): " + dir + "/open.eval\n"},
        {"link.eval", ""},
        {"plain.eval", ""},
        {"no-such-dir/x.eval", "Error (cannot write file): " + dir + "/no-such-dir/x.eval\n"},
    };
    for (const auto& save : saves)
        EXPECT_EQ(captureCommand(handleSaveEval, dir + "/" + save.first), save.second) << save.first;
    EXPECT_EQ(captureCommand(handleLoadEval, "/dev/zero"),
              "Information: Not a regular file: /dev/zero\n-- Default evaluation values will be used.\n");
    std::fclose(held);

    // The FIFO and the link are still what they were; the link's file got the values.
    struct stat info;
    EXPECT_TRUE(lstat((dir + "/fifo").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(lstat((dir + "/link.eval").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_EQ(fileText(dir + "/real.eval").rfind("#vek300.3.4\nblackQueen", 0), 0u);
    EXPECT_EQ(fileText(dir + "/plain.eval").rfind("#vek300.3.4\nblackQueen", 0), 0u);
    EXPECT_EQ(fileText(dir + "/victim"), "victim\n");
    EXPECT_EQ(fileText(dir + "/open.eval"), "open\n");
    std::set<std::string> names;  // no temporary file is left behind
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"fifo", "real.eval", "victim", "open.eval", "link.eval", "plain.eval.tmp",
                                            "plain.eval"}));
}
