// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "endgame/commands.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "board/game.h"
#include "board/notation.h"
#include "endgame/edwards.h"
#include "endgame/kpk.h"
#include "base/output.h"
#include "base/text.h"

void handleKpk(const std::string& /*args*/)
{
    const CPosition& position = theGame();
    int men = 0, pawnSquare = NO_SQUARE;
    for (int square = 0; square < 64; ++square)
    {
        int code = position.pieceAt(square);
        if (code == 0)
            continue;
        ++men;
        if (pieceType(code) == PAWN)
            pawnSquare = square;
    }
    if (men != 3 || pawnSquare == NO_SQUARE)
    {
        output(" Not a kpk end-game\n");
        return;
    }
    int score = kpkProbe(position.sideToMove() == WHITE, position.whiteKingSquare(), position.blackKingSquare(),
                         pieceColour(position.pieceAt(pawnSquare)) == WHITE, pawnSquare);
    output(" kpk score: %d\n", score);
}

namespace
{
// The tablebase directory; empty (the current directory) until tbp names one.
std::string g_tablebaseDirectory;

void reportProbeFailure(const TablebaseProbe& probe)
{
    if (probe.status == TB_PROBE_TOO_MANY_MEN)
        output(" Too many men for tablebase: %d\n", probe.men);
    else if (probe.status == TB_PROBE_NO_FILE)
        output(" Failed to open tablebase: %s\n", probe.fileName.c_str());
}

// Reads one whole KPK file: the name spelled as kpktest always has, else the
// upper-case class name that tbp and the generator use. A file too short to
// hold every index counts as unreadable. On failure `name` is the file to blame.
bool readKpkFile(const std::string& directory, bool strongToMove, std::vector<int8_t>& bytes, std::string& name)
{
    const char* ending = strongToMove ? ".tbw" : ".tbb";
    name = tbJoinPath(directory, std::string("kpk") + ending);
    if (tbReadFile(name, KPK_INDEX_COUNT, bytes))
        return bytes.size() == size_t(KPK_INDEX_COUNT);
    std::string upper = tbJoinPath(directory, std::string("KPK") + ending);
    if (!tbReadFile(upper, KPK_INDEX_COUNT, bytes))
        return false;
    name = upper;
    return bytes.size() == size_t(KPK_INDEX_COUNT);
}
}

void handleKpkTest(const std::string& args)
{
    const std::string directory = trimmed(args);
    theKpkTable().generate();
    output(" Testing internal KP-K end-game table against Edwards tablebase...\n");
    std::vector<int8_t> files[2];
    std::string names[2];
    for (int strong = 0; strong < 2; ++strong)
        if (!readKpkFile(directory, strong != 0, files[strong], names[strong]))
        {
            output("Failed to open file: %s\n", names[strong].c_str());
            return;
        }
    std::vector<KpkDiscrepancy> discrepancies;
    tbCompareKpk(files[0], files[1], discrepancies);
    int count[2] = {0, 0};
    for (const KpkDiscrepancy& d : discrepancies)
    {
        const std::string& file = names[d.strongToMove ? 1 : 0];
        output("Discrepancy: %s %s %d/%d [%d %s] WK%s WP%s BK%s\n", file.substr(file.find_last_of('/') + 1).c_str(),
               d.kind, d.internalIndex, d.tablebaseIndex, d.tablebaseByte, d.byteClass,
               squareToText(d.strongKing).c_str(), squareToText(d.pawn).c_str(), squareToText(d.weakKing).c_str());
        ++count[d.strongToMove ? 1 : 0];
    }
    output(" Discrepancy count: b %d, w %d\n", count[0], count[1]);
}

void handleTbAnal(const std::string& args)
{
    char name[32] = {}, side = 0;
    int major = -1, minor = -1;
    int fields = std::sscanf(args.c_str(), "%31s %c %d %d", name, &side, &major, &minor);
    if (fields < 2)
        return;
    for (char* c = name; *c; ++c)
        *c = char(std::toupper(static_cast<unsigned char>(*c)));
    CTablebaseClass tbClass;
    if (!tbClass.setName(name))
        return;
    const int men = tbClass.men();
    bool majorGiven = fields >= 3, minorGiven = fields >= 4;
    if ((majorGiven && (major < 0 || major >= men)) || (minorGiven && (minor < 0 || minor >= men)))
        return;
    if (!majorGiven)
        major = tbClass.firstMen();  // the second side's king, the last "K"
    TablebaseAnalysis analysis;
    bool firstSide = side == 'w' || side == 'W';
    if (!tbAnalyse(tbClass, g_tablebaseDirectory, firstSide, major, minorGiven ? minor : -1, analysis))
    {
        output("Failed to open tablebase: %s\n", analysis.fileName.c_str());
        return;
    }
    output("Analysing tablebase: %s\n", analysis.fileName.c_str());
    const char majorLetter = name[major];
    for (int square = 0; square < 64; ++square)
    {
        int outcomes[3] = {0, 0, 0};
        for (int other = 0; other < 64; ++other)
            for (int k = 0; k < 3; ++k)
                outcomes[k] += int(analysis.count(square, other, k));
        if (outcomes[0] + outcomes[1] + outcomes[2] == 0)
            continue;
        if (minorGiven)
        {
            output("\n%c%s===A======B======C======D======E======F======G======H\n", majorLetter,
                   squareToText(square).c_str());
            for (int rank = 7; rank >= 0; --rank)
                for (int k = 0; k < 3; ++k)
                {
                    std::string row;
                    char cell[16];
                    for (int file = 0; file < 8; ++file)
                    {
                        std::snprintf(cell, sizeof cell, "%7d", int(analysis.count(square, squareOf(rank, file), k)));
                        row += cell;
                    }
                    output("%s\n", row.c_str());
                }
            output("--------------------------------------------------------\n");
        }
        if (majorGiven)
            output("  %c%s -- nWins: %7d, nDraws: %7d, nLosses: %7d\n", majorLetter, squareToText(square).c_str(),
                   outcomes[0], outcomes[1], outcomes[2]);
    }
    output("Total -- nWins: %7d, nDraws: %7d, nLosses: %7d\n", int(analysis.totals[0]), int(analysis.totals[1]),
           int(analysis.totals[2]));
    for (int value = -128; value < 128; ++value)
        if (analysis.histogram[value + 128])
            output(" %15s - %d\n", tbAnalysisText(value).c_str(), int(analysis.histogram[value + 128]));
}

void handleTbProbe(const std::string& args)
{
    const std::string directory = trimmed(args);
    if (!directory.empty())
    {
        g_tablebaseDirectory = directory;
        output(" Edwards directory set to: %s\n", directory.c_str());
        return;
    }
    const CPosition& position = theGame();
    TablebaseProbe probe = tbProbe(position, g_tablebaseDirectory);
    reportProbeFailure(probe);
    output(" Edwards probe: %s\n", tbProbeText(probe.value, false).c_str());
    CMoveList moves;
    position.generateLegal(moves);
    std::string line;
    for (Move move : moves)
    {
        CPosition after = position;
        after.makeMove(move);
        int value = tbProbe(after, g_tablebaseDirectory).value;
        char text[64];
        std::snprintf(text, sizeof text, "   %s %-5s", position.moveToSan(move).c_str(),
                      tbProbeText(value, true).c_str());
        line += text;
        if (line.size() > 60)
        {
            output("%s\n", line.c_str());
            line.clear();
        }
    }
    if (!line.empty())
        output("%s\n", line.c_str());
}
