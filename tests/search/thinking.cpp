// The thinking output's texts: scores, node counts, times, word wrap, principal variations
// and the lines in console and WinBoard format.
#include "base/text.h"
#include "game/thinking.h"
#include "support/helpers.h"

// The cases are in tests/data/search/texts.txt.
TEST(ThinkingText, ScoresNodesAndTimes)
{
    for (const auto& row : dataRows("search/texts.txt"))
    {
        ASSERT_EQ(row.size(), 3u);
        const std::string& f = row[0];
        const std::string text = f == "score"      ? scoreText(std::stoi(row[1]))
                                 : f == "winboard" ? std::to_string(winboardScore(std::stoi(row[1])))
                                 : f == "nodes"    ? nodesText(std::stoll(row[1]))
                                 : f == "time"     ? timeText(std::stod(row[1]))
                                                   : "unknown function " + f;
        EXPECT_EQ(text, row[2]) << f << " " << row[1];
    }
}

TEST(ThinkingText, WordWrapKeepsPiecesWithinWidth)
{
    EXPECT_EQ(wrapText("short line\n", 79, 31), "short line\n");
    // Lines fit in 79 columns (11 words, then 7 behind the 31-blank indent), no word is cut or lost.
    auto run = [](int n) {
        std::string text = "Nf3xe5";
        for (int i = 1; i < n; ++i)
            text += " Nf3xe5";
        return text;
    };
    const std::string indent = "\n" + std::string(31, ' ');
    EXPECT_EQ(wrapText(run(30) + " \n", 79, 31), run(11) + indent + run(7) + indent + run(7) + indent + run(5) + " \n");
    // A word longer than the width is cut at the width.
    EXPECT_EQ(wrapText(std::string(100, 'x'), 79, 31),
              std::string(79, 'x') + "\n" + std::string(31, ' ') + std::string(21, 'x'));
}

namespace
{
SearchReport lineReport(const CPosition& root, std::initializer_list<const char*> moves, int kind = REPORT_LINE)
{
    SearchReport r;
    r.kind = kind;
    CPosition p = root;
    for (const char* text : moves)
    {
        Move m = legalMove(p, text);
        r.pv.push_back(m);
        p.makeMove(m);
    }
    return r;
}
}  // namespace

TEST(ThinkingPv, NumberedSanFromTheRoot)
{
    CPosition start;
    SearchReport r = lineReport(start, {"e2e4", "e7e5", "g1f3", "b8c6"});
    EXPECT_EQ(pvText(r, start, nullptr, false), "e4 e5 2. Nf3 Nc6");
    // Black to move at the root: the first move carries no number.
    CPosition afterE4 = start;
    afterE4.makeMove(legalMove(start, "e2e4"));
    SearchReport b = lineReport(afterE4, {"e7e5", "g1f3", "b8c6", "f1b5"});
    EXPECT_EQ(pvText(b, afterE4, nullptr, false), "e5 2. Nf3 Nc6 3. Bb5");
    // Fail marks.
    EXPECT_EQ(pvText(lineReport(start, {"d2d4"}, REPORT_FAIL_HIGH), start, nullptr, false), "d4 {++}");
    EXPECT_EQ(pvText(lineReport(start, {"d2d4"}, REPORT_FAIL_LOW), start, nullptr, false), "d4 {--}");
    // While pondering, the predicted move in braces, in SAN of the position before it.
    b.ponderMove = legalMove(start, "e2e4");
    EXPECT_EQ(pvText(b, afterE4, &start, false), "{e4} e5 2. Nf3 Nc6 3. Bb5");
}

TEST(ThinkingPv, EmptyBrokenAndTableEndings)
{
    CPosition start;
    SearchReport r;
    r.kind = REPORT_LINE;
    EXPECT_EQ(pvText(r, start, nullptr, false), "(empty pv)");
    r.pv.push_back(makeMoveWord(20, 28, PAWN));  // e3-e4: nothing on e3
    EXPECT_EQ(pvText(r, start, nullptr, false), "(empty pv)");
    // A move that cannot be played ends the text with "??".
    r = lineReport(start, {"e2e4"});
    r.pv.push_back(makeMoveWord(12, 28, PAWN));  // White again: not Black's move
    r.pv.push_back(makeMoveWord(52, 36, PAWN));
    EXPECT_EQ(pvText(r, start, nullptr, false), "e4 ??");
    // A line ending in a table entry.
    r = lineReport(start, {"e2e4", "e7e5"});
    CPosition end = start;
    end.makeMove(r.pv[0]);
    end.makeMove(r.pv[1]);
    r.pvEndEntry.set(0x0123456789abcdefULL, HASH_EXACT, -42, 16, 3, legalMove(end, "g1f3"));
    EXPECT_EQ(pvText(r, start, nullptr, false), "e4 e5 {ht}");
    EXPECT_EQ(pvText(r, start, nullptr, true), "e4 e5 {ht=0x0123456789abcdef, draft=16, Exact, value=-42(Nf3)}");
}

// Both formats' header and line are pinned by the golden file search-thinking.txt.
TEST(ThinkingOutput, PrintsLinesInBothFormats)
{
    CPosition start;
    ASSERT_TRUE(CBoard::load(start));
    CThinkingOutput out;
    out.setNoiseLevel(5000);
    SearchReport r = lineReport(start, {"e2e4", "e7e5", "g1f3"});
    r.depth = 16, r.score = 1234, r.nodes = 5000, r.elapsed = 1.5;
    SearchReport started;
    started.kind = REPORT_STARTED;
    CCapture capture;
    out.report(started);
    out.report(r);
    out.setXboardMode(true);
    out.report(started);
    out.report(r);
    r.nodes = 4999;  // below the noise level: kept, not printed
    r.score = 1;
    out.report(r);
    expectGolden("search-thinking.txt", capture.take());
    EXPECT_EQ(out.lastLine().score, 1);
}
