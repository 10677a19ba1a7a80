// The parameter registry and its ".eval" file: layout, round trip, every load
// error, and files written to break the reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>

#include "board/board.h"
#include "board/position.h"
#include "eval/commands.h"
#include "eval/evaluate.h"
#include "eval/parameters.h"
#include "shell/output.h"

namespace
{
const char* const TAG = "vek300.3.4";

std::string tempPath(const std::string& name)
{
    return ::testing::TempDir() + "evaltest_" + std::to_string(getpid()) + "_" + name;
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool sameAsDefaults()
{
    return std::memcmp(&evalParams(), &defaultEvalParameters(), sizeof(EvalParameters)) == 0;
}

// Every test starts and ends on the built-in values.
class EvalFile : public ::testing::Test
{
protected:
    void SetUp() override { resetEvalParameters(); }
    void TearDown() override { resetEvalParameters(); }

    bool load(const std::string& text, std::string& error)
    {
        std::string path = tempPath("load.eval");
        writeFile(path, text);
        bool ok = loadEvalParameters(path, TAG, error);
        std::remove(path.c_str());
        return ok;
    }
};
}

TEST(EvalRegistry, SeventyEntriesInFileOrderWithTheirSizes)
{
    const EvalParameterEntry* table = evalParameterTable();
    ASSERT_EQ(evalParameterCount(), 70);
    EXPECT_EQ(table[70].label, nullptr);
    EXPECT_STREQ(table[0].label, "blackQueen");
    EXPECT_STREQ(table[9].label, "whitePawn");
    EXPECT_STREQ(table[34].label, "castleNotCastled");
    EXPECT_STREQ(table[39].label, "develQueen");
    EXPECT_STREQ(table[40].label, "kingPosEval");
    EXPECT_STREQ(table[45].label, "pawnPosEval");
    EXPECT_STREQ(table[59].label, "kingDefectLookupTable");
    EXPECT_STREQ(table[67].label, "kingAttackLookupTable");
    EXPECT_STREQ(table[69].label, "pawnStormQueenside");
    int total = 0;
    for (int i = 0; i < 70; ++i)
    {
        EXPECT_EQ(table[i].count, i < 40 ? 1 : table[i].count) << table[i].label;
        total += table[i].count;
        // Entries are laid out back to back in the parameter block.
        if (i > 0)
        {
            EXPECT_EQ(table[i].values, table[i - 1].values + table[i - 1].count) << table[i].label;
        }
    }
    EXPECT_EQ(total * sizeof(int32_t), sizeof(EvalParameters));
    EXPECT_EQ(findEvalParameter("pawnPosEval")->count, 192);
    EXPECT_EQ(findEvalParameter("bishopMobilityBonus")->count, 14);
    EXPECT_EQ(findEvalParameter("rookMobilityBonus")->count, 15);
    EXPECT_EQ(findEvalParameter("kingDefectLookupTable")->count, 30);
    EXPECT_EQ(findEvalParameter("kingAttackLookupTable")->count, 100);
    EXPECT_EQ(findEvalParameter("PawnPosEval"), nullptr);  // case-sensitive
}

TEST(EvalRegistry, DefaultsFollowTheirStatedShapes)
{
    const EvalParameters& p = defaultEvalParameters();
    EXPECT_EQ(p.whiteQueen[0], 10001);
    EXPECT_EQ(p.blackKnight[0], 3497);
    EXPECT_EQ(p.bishopTrapped[0], -1500);
    // Attack lookup: ... 150 200 at index 10, +50 a step to 950 at 25, then 999.
    EXPECT_EQ(p.kingAttackLookupTable[10], 200);
    EXPECT_EQ(p.kingAttackLookupTable[11], 250);
    EXPECT_EQ(p.kingAttackLookupTable[25], 950);
    EXPECT_EQ(p.kingAttackLookupTable[26], 999);
    EXPECT_EQ(p.kingAttackLookupTable[99], 999);
    EXPECT_EQ(p.kingDefectLookupTable[11], 24);
    EXPECT_EQ(p.kingDefectLookupTable[12], 25);
    EXPECT_EQ(p.kingDefectLookupTable[29], 25);
    // Shelter table rows a and h: 1 2 3 4; b..g: 2 4 5 6.
    EXPECT_EQ(p.kingPawnDefectTable[0 * 4 + DEFECT_MISSING], 4);
    EXPECT_EQ(p.kingPawnDefectTable[7 * 4 + DEFECT_ADV1], 1);
    EXPECT_EQ(p.kingPawnDefectTable[3 * 4 + DEFECT_TOO_FAR], 5);
    // The king's castled squares score about +50 in the Opening; the stored home row is row 7.
    EXPECT_EQ(p.kingPosEval[56 + 6], 51);
    EXPECT_EQ(p.kingPosEval[56 + 1], 49);
    EXPECT_EQ(p.pawnPosEval[8 + 4], 250);
    EXPECT_EQ(p.pawnPosEval[128 + 16], 225);  // Endgame block, row 2
    EXPECT_EQ(p.kingDefects[59], 1);
    EXPECT_EQ(p.kingDefects[0], 8);
}

TEST(EvalRegistry, WhiteCopiesMirrorTheStoredTablesAndBoardGetsPieceValues)
{
    resetEvalParameters();
    const EvalDerivedTables& d = evalDerived();
    const EvalParameters& p = evalParams();
    for (int block = 0; block < 3; ++block)
        for (int s = 0; s < 64; ++s)
        {
            ASSERT_EQ(d.whitePawnPosEval[block * 64 + s], p.pawnPosEval[block * 64 + (s ^ 56)]);
            ASSERT_EQ(d.whiteKingPosEval[block * 64 + s], p.kingPosEval[block * 64 + (s ^ 56)]);
        }
    EXPECT_EQ(d.whiteKingDefects[4], p.kingDefects[60]);
    EXPECT_EQ(d.whitePawnStormKingside[6 + 16], p.pawnStormKingside[6 + 40]);
    // learning-style single change keeps the mirror in step
    setEvalParameterValue(*findEvalParameter("knightOutposts"), 35, 9);
    EXPECT_EQ(evalDerived().whiteKnightOutposts[35 ^ 56], 9);
    // The board takes changed piece values at its next load.
    setEvalParameterValue(*findEvalParameter("whiteRook"), 0, 5000);
    EXPECT_EQ(evalPieceValue(ROOK), 5000);
    ASSERT_TRUE(CBoard::load(CPosition()));
    EXPECT_EQ(CBoard::searchPieceValue(ROOK), 5000);
    EXPECT_EQ(CBoard::searchPieceValue(-ROOK), 5505);
    resetEvalParameters();
    ASSERT_TRUE(CBoard::load(CPosition()));
    EXPECT_EQ(CBoard::searchPieceValue(ROOK), 5505);
}

TEST_F(EvalFile, SavedFileHasTheDocumentedLayout)
{
    std::string path = tempPath("layout.eval");
    ASSERT_TRUE(saveEvalParameters(path, TAG));
    std::string text = readFile(path);
    std::remove(path.c_str());
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "#vek300.3.4");
    // Scalars stand on adjacent lines, label in 30 columns, " %5d" values.
    std::getline(lines, line);
    EXPECT_EQ(line, "blackQueen                     10001");
    std::getline(lines, line);
    EXPECT_EQ(line, "blackRook                       5505");
    EXPECT_NE(text.find("\nbishopTrapped                  -1500\nrookOnOpenFile                   167\n"),
              std::string::npos);
    // A scalar followed by a table gets one blank line; then 8 values a line,
    // continuation lines indented by 30 blanks, a blank line between 64-value blocks.
    std::string queen = "develQueen                        10\n\nkingPosEval                      -50   -50";
    EXPECT_NE(text.find(queen), std::string::npos);
    std::string continuation = "\n" + std::string(30, ' ') + "   -50   -50   -50   -50   -50   -50   -50   -50\n";
    EXPECT_NE(text.find(continuation), std::string::npos);
    std::string blockBreak = "   -50    49    30   -50     1   -50    51   -50\n\n" + std::string(30, ' ') + "   -50";
    EXPECT_NE(text.find(blockBreak), std::string::npos);
    // An 8-value table is followed by a blank line before the next label.
    EXPECT_NE(text.find("pawnBlockedByEnemy                 0  -125   -75   -75   -60   -25   -20     0\n\n"
                        "pawnBlockedByFriend"),
              std::string::npos);
    // 9 values break after the eighth.
    EXPECT_NE(text.find("knightMobilityBonus             -250  -150   -50     0    20    40    60    60\n" +
                        std::string(30, ' ') + "    60\n\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    // No temporary file is left beside it.
    EXPECT_FALSE(std::ifstream(path + ".tmp").good());
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
    ASSERT_TRUE(saveEvalParameters(path, TAG));
    resetEvalParameters();
    ASSERT_TRUE(sameAsDefaults());
    std::string error;
    ASSERT_TRUE(loadEvalParameters(path, TAG, error)) << error;
    std::remove(path.c_str());
    EXPECT_EQ(error, "Settings loaded successfully");
    EXPECT_EQ(std::memcmp(&evalParams(), &expected, sizeof(expected)), 0);
    EXPECT_EQ(std::memcmp(&evalDerived(), &expectedDerived, sizeof(expectedDerived)), 0);
}

TEST_F(EvalFile, EachLoadErrorGivesItsMessageAndChangesNothing)
{
    std::string error;
    EXPECT_FALSE(loadEvalParameters(tempPath("missing.eval"), TAG, error));
    EXPECT_EQ(error, "Failed to open file: " + tempPath("missing.eval"));

    EXPECT_FALSE(load("#vek299.1.1\nwhitePawn 900\n", error));
    EXPECT_EQ(error, "Bad file version tag, expected vek300.3.4");
    EXPECT_FALSE(load("vek300.3.4\n", error));
    EXPECT_EQ(error, "Bad file version tag, expected vek300.3.4");
    EXPECT_FALSE(load("#VEK300.3.4\n", error));
    EXPECT_EQ(error, "Bad file version tag, expected vek300.3.4");
    EXPECT_FALSE(load("", error));
    EXPECT_EQ(error, "Bad file version tag, expected vek300.3.4");

    // Values before the error are not kept: the whole file is refused.
    EXPECT_FALSE(load("#vek300.3.4\nwhitePawn 900\nblackPawn 800\nnoSuchLabel 5\n", error));
    EXPECT_EQ(error, "Label name not recognised: noSuchLabel");
    EXPECT_TRUE(sameAsDefaults());

    EXPECT_FALSE(load("#vek300.3.4\nwhitePawn 900\nrookRankMobility 1 2 3 x 5 6 7 8\n", error));
    EXPECT_EQ(error, "Bad number while processing rookRankMobility");
    EXPECT_TRUE(sameAsDefaults());

    // 191 numbers then the next label: the label is read as the 192nd number.
    std::string shortTable = "#vek300.3.4\npawnPosEval";
    for (int i = 0; i < 191; ++i)
        shortTable += " 7";
    EXPECT_FALSE(load(shortTable + "\nrookPosEval 1\n", error));
    EXPECT_EQ(error, "Bad number while processing pawnPosEval");
    EXPECT_TRUE(sameAsDefaults());
    // The values end with the file.
    EXPECT_FALSE(load("#vek300.3.4\nrookBehindPassed 1 2 3\n", error));
    EXPECT_EQ(error, "Bad number while processing rookBehindPassed");
    EXPECT_TRUE(sameAsDefaults());
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
    // Numbers beyond what any weight can sensibly be, and beyond 32 bits.
    EXPECT_FALSE(load("#vek300.3.4\nwhitePawn 99999999999999999999\n", error));
    EXPECT_EQ(error, "Bad number while processing whitePawn");
    EXPECT_FALSE(load("#vek300.3.4\nwhitePawn 1000001\n", error));
    EXPECT_EQ(error, "Bad number while processing whitePawn");
    EXPECT_FALSE(load("#vek300.3.4\nwhitePawn -\n", error));
    EXPECT_EQ(error, "Bad number while processing whitePawn");
    // An overlong label or tag is cut, never overrun.
    std::string longLabel(100000, 'x');
    EXPECT_FALSE(load("#vek300.3.4\n" + longLabel + " 5\n", error));
    EXPECT_EQ(error.rfind("Label name not recognised: xxxx", 0), 0u);
    EXPECT_LT(error.size(), 300u);
    EXPECT_FALSE(load("#" + longLabel + "\n", error));
    EXPECT_EQ(error, "Bad file version tag, expected vek300.3.4");
    // Binary bytes, NULs included.
    std::string binary("#vek300.3.4\n\x01\x02\xff\x00\x80 12\n", 19);
    EXPECT_FALSE(load(binary, error));
    EXPECT_EQ(error.rfind("Label name not recognised: ", 0), 0u);
    EXPECT_FALSE(load(std::string("#vek300.3.4\nwhitePawn 1\0002\n", 24), error));
    EXPECT_TRUE(sameAsDefaults());
    // Index-like weights at their extremes are accepted and the evaluation stays in its tables.
    std::string extremes = "#vek300.3.4\nkingDefectNpBishop -1000000\nkingPawnDefectTable";
    for (int i = 0; i < 32; ++i)
        extremes += " 1000000";
    extremes += "\nkingDefects";
    for (int i = 0; i < 64; ++i)
        extremes += " -1000000";
    extremes += "\nknightKingAttackBonus 1000000 1000000 1000000 1000000 1000000 1000000 1000000 1000000";
    extremes += "\nqueenKingAttackBonus -1000000 -1000000 -1000000 -1000000 -1000000 -1000000 -1000000 -1000000";
    extremes += "\nkingPressureMultiplier 1000000\nknightOutpostMultiplier 1000000\nknightOutposts";
    for (int i = 0; i < 64; ++i)
        extremes += " 1000000";
    extremes += "\nwhiteQueen 1000000\nblackQueen -1000000\n";
    ASSERT_TRUE(load(extremes, error)) << error;
    const char* fens[] = {
        "r1bq1rk1/pp2nppp/2n5/2bpN3/3N4/2P3Q1/PP3PPP/R1B1KB1R w KQ - 0 1",
        "4k3/8/8/3N4/8/8/8/4K2Q b - - 0 1",
        "QQQQkQQQ/QQQQQQQQ/8/8/8/8/qqqqqqqq/qqqqKqqq w - - 0 1",
    };
    for (const char* fen : fens)
    {
        CPosition position;
        ASSERT_TRUE(position.setFromFen(fen));
        if (!CBoard::load(position))
            continue;
        SetGameStage();
        std::string sink;
        std::string* previous = setOutputCapture(&sink);
        int verbose = EvaluateVerbose(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
        setOutputCapture(previous);
        EXPECT_EQ(Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW), verbose) << fen;
    }
}

TEST_F(EvalFile, LoadPutsNewWeightsInForceEverywhere)
{
    CPosition position;
    ASSERT_TRUE(position.setFromFen("4k3/pp3ppp/8/3p4/3P4/8/PP3PPP/4K3 w - - 0 1"));
    ASSERT_TRUE(CBoard::load(position));
    SetGameStage();
    int before = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);  // fills the pawn cache
    std::string error;
    // Only White's isolated d-pawn changes value; the white copy of a square
    // table follows its stored table; the board takes new piece values at its next load.
    ASSERT_TRUE(load("#vek300.3.4\npawnIsolated -1104\nwhitePawn 1100\n", error));
    ASSERT_TRUE(CBoard::load(position));
    EXPECT_EQ(CBoard::searchPieceValue(PAWN), 1100);
    int after = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
    std::string sink;
    std::string* previous = setOutputCapture(&sink);
    int verbose = EvaluateVerbose(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
    setOutputCapture(previous);
    EXPECT_EQ(after, verbose);
    // Both sides have an isolated d-pawn, so that change cancels; White's six
    // pawns gain 100 each in the material balance, and nothing else moves.
    EXPECT_EQ(after - before, 600);
}

TEST_F(EvalFile, ConsoleCommandsAndStartupLoadPrintTheirMessages)
{
    // Work in a scratch directory: the default names are relative.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    std::string dir = tempPath("dir");
    ASSERT_EQ(system(("mkdir -p '" + dir + "'").c_str()), 0);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    std::remove("vek300.3.4.eval");
    std::remove("vek300.3.4-td.eval");

    std::string text;
    std::string* previous = setOutputCapture(&text);
    EXPECT_FALSE(loadStartupEvaluation(false));
    EXPECT_EQ(text, "Information: Failed to open file: vek300.3.4.eval\n-- Default evaluation values will be used.\n");
    text.clear();
    EXPECT_FALSE(loadStartupEvaluation(true));
    EXPECT_EQ(text, "Information: Failed to open file: vek300.3.4-td.eval\n-- Default evaluation values will be used.\n");

    // savee without a name writes the default file; loade reads it back.
    text.clear();
    evalParams().rookOnSeventh[0] = 333;
    handleSaveEval("");
    EXPECT_EQ(text, "");
    evalParams().rookOnSeventh[0] = 1;
    handleLoadEval("  ");
    EXPECT_EQ(text, "Evaluation values loaded successfully.\n");
    EXPECT_EQ(evalParams().rookOnSeventh[0], 333);
    text.clear();
    EXPECT_TRUE(loadStartupEvaluation(false));
    EXPECT_EQ(text, "Evaluation values loaded successfully.\n");

    // A named file with the wrong tag.
    writeFile("other.eval", "#vek1\n");
    text.clear();
    handleLoadEval("other.eval");
    EXPECT_EQ(text, "Information: Bad file version tag, expected vek300.3.4\n-- Default evaluation values will be used.\n");
    EXPECT_EQ(evalParams().rookOnSeventh[0], 333);
    // A file that cannot be created is reported, and nothing is written.
    text.clear();
    handleSaveEval("no-such-dir/x.eval");
    EXPECT_EQ(text, "Error (cannot write file): no-such-dir/x.eval\n");
    setOutputCapture(previous);

    std::remove("vek300.3.4.eval");
    std::remove("other.eval");
    ASSERT_EQ(chdir(cwd), 0);
    rmdir(dir.c_str());
}
