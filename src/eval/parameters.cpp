// The parameter registry, its derived tables and the ".eval" text file.
#include "eval/parameters.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstddef>
#include <cstring>

#include "board/board.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "base/output.h"
#include "base/version.h"

namespace evaldetail
{
EvalParameters g_parameters = defaultEvalParameters();
EvalDerivedTables g_derived;
uint32_t g_generation = 0;
}

namespace
{
using evaldetail::g_parameters;

#define EVAL_PARAMETER(name)                                                                                           \
    {                                                                                                                  \
#name, int(sizeof(g_parameters.name) / sizeof(int32_t)), g_parameters.name                                     \
    }

const EvalParameterEntry PARAMETER_TABLE[] = {
    EVAL_PARAMETER(blackQueen),
    EVAL_PARAMETER(blackRook),
    EVAL_PARAMETER(blackBishop),
    EVAL_PARAMETER(blackKnight),
    EVAL_PARAMETER(blackPawn),
    EVAL_PARAMETER(whiteQueen),
    EVAL_PARAMETER(whiteRook),
    EVAL_PARAMETER(whiteBishop),
    EVAL_PARAMETER(whiteKnight),
    EVAL_PARAMETER(whitePawn),
    EVAL_PARAMETER(pawnDoubled),
    EVAL_PARAMETER(pawnSinglyConnected),
    EVAL_PARAMETER(pawnDoublyConnected),
    EVAL_PARAMETER(pawnIsolated),
    EVAL_PARAMETER(pawnWeak),
    EVAL_PARAMETER(pawnBishopPromoteSq),
    EVAL_PARAMETER(pawnPassedOutside),
    EVAL_PARAMETER(knightOutpostMultiplier),
    EVAL_PARAMETER(knightOutpostSupported),
    EVAL_PARAMETER(bishopOutpostMultiplier),
    EVAL_PARAMETER(bishopOutpostSupported),
    EVAL_PARAMETER(bishopWithBishop),
    EVAL_PARAMETER(bishopWithPawnsEndgame),
    EVAL_PARAMETER(bishopTrapped),
    EVAL_PARAMETER(rookOnOpenFile),
    EVAL_PARAMETER(rookOnOpenFileEndgame),
    EVAL_PARAMETER(rookOnHalfOpenFile),
    EVAL_PARAMETER(rookSupportedByRook),
    EVAL_PARAMETER(rookOnSeventh),
    EVAL_PARAMETER(rookOnSeventhWithRook),
    EVAL_PARAMETER(rookTrapped),
    EVAL_PARAMETER(kingDefectNpBishop),
    EVAL_PARAMETER(kingWithPawns),
    EVAL_PARAMETER(kingPressureMultiplier),
    EVAL_PARAMETER(castleNotCastled),
    EVAL_PARAMETER(develKnight),
    EVAL_PARAMETER(develBishop),
    EVAL_PARAMETER(develBishopCantMove),
    EVAL_PARAMETER(develRook),
    EVAL_PARAMETER(develQueen),
    EVAL_PARAMETER(kingPosEval),
    EVAL_PARAMETER(queenPosEval),
    EVAL_PARAMETER(rookPosEval),
    EVAL_PARAMETER(bishopPosEval),
    EVAL_PARAMETER(knightPosEval),
    EVAL_PARAMETER(pawnPosEval),
    EVAL_PARAMETER(pawnBlockedByEnemy),
    EVAL_PARAMETER(pawnBlockedByFriend),
    EVAL_PARAMETER(pawnPassed),
    EVAL_PARAMETER(pawnPassedConnected),
    EVAL_PARAMETER(pawnPassedSupported),
    EVAL_PARAMETER(pawnPassedBlocked),
    EVAL_PARAMETER(knightMobilityBonus),
    EVAL_PARAMETER(bishopMobilityBonus),
    EVAL_PARAMETER(rookRankMobility),
    EVAL_PARAMETER(rookMobilityBonus),
    EVAL_PARAMETER(rookBehindPassed),
    EVAL_PARAMETER(kingPawnDefectTable),
    EVAL_PARAMETER(kingDefects),
    EVAL_PARAMETER(kingDefectLookupTable),
    EVAL_PARAMETER(knightOutposts),
    EVAL_PARAMETER(bishopOutposts),
    EVAL_PARAMETER(pawnKingAttackBonus),
    EVAL_PARAMETER(knightKingAttackBonus),
    EVAL_PARAMETER(bishopKingAttackBonus),
    EVAL_PARAMETER(rookKingAttackBonus),
    EVAL_PARAMETER(queenKingAttackBonus),
    EVAL_PARAMETER(kingAttackLookupTable),
    EVAL_PARAMETER(pawnStormKingside),
    EVAL_PARAMETER(pawnStormQueenside),
    {nullptr, 0, nullptr},
};

#undef EVAL_PARAMETER

constexpr int ENTRY_COUNT = int(sizeof(PARAMETER_TABLE) / sizeof(PARAMETER_TABLE[0])) - 1;

// The same parameter in another copy of the parameter block.
int32_t* valuesIn(EvalParameters& block, const EvalParameterEntry& entry)
{
    std::ptrdiff_t offset = entry.values - reinterpret_cast<int32_t*>(&g_parameters);
    return reinterpret_cast<int32_t*>(&block) + offset;
}

int mirrorSquare(int square) { return square ^ 56; }

void refreshPieceValues();

// A stored table (from Black's side) and the copy the evaluation reads for White.
struct MirroredTable
{
    const int32_t* stored;
    int32_t* white;
    size_t count;
};

template <size_t N>
constexpr MirroredTable mirrored(int32_t (&white)[N], const int32_t (&stored)[N])
{
    return {stored, white, N};
}

// Every stored table with a mirrored copy, listed once for the full rebuild and for the
// single-value updates of learning.
constexpr MirroredTable MIRRORED_TABLES[] = {
    mirrored(evaldetail::g_derived.whiteKingPosEval, g_parameters.kingPosEval),
    mirrored(evaldetail::g_derived.whiteQueenPosEval, g_parameters.queenPosEval),
    mirrored(evaldetail::g_derived.whiteRookPosEval, g_parameters.rookPosEval),
    mirrored(evaldetail::g_derived.whiteBishopPosEval, g_parameters.bishopPosEval),
    mirrored(evaldetail::g_derived.whiteKnightPosEval, g_parameters.knightPosEval),
    mirrored(evaldetail::g_derived.whitePawnPosEval, g_parameters.pawnPosEval),
    mirrored(evaldetail::g_derived.whiteKingDefects, g_parameters.kingDefects),
    mirrored(evaldetail::g_derived.whiteKnightOutposts, g_parameters.knightOutposts),
    mirrored(evaldetail::g_derived.whiteBishopOutposts, g_parameters.bishopOutposts),
    mirrored(evaldetail::g_derived.whitePawnStormKingside, g_parameters.pawnStormKingside),
    mirrored(evaldetail::g_derived.whitePawnStormQueenside, g_parameters.pawnStormQueenside),
};

// The index in the white copy of a stored value: the same block of 64, the square flipped.
size_t mirroredIndex(size_t index) { return (index & ~size_t(63)) | size_t(mirrorSquare(int(index & 63))); }

// Which table, if any, mirrors a stored one.
const MirroredTable* mirrorOf(const int32_t* stored)
{
    for (const MirroredTable& table : MIRRORED_TABLES)
        if (table.stored == stored)
            return &table;
    return nullptr;
}

// Reads whitespace-delimited tokens from a file; an overlong token (or one with
// a NUL byte) is consumed whole, kept cut to the buffer and flagged as unusable,
// so no input can overrun the buffer or pass for something it is not.
class CTokenReader
{
public:
    explicit CTokenReader(FILE* file) : m_file(file) {}

    // Next token, or false at end of file.
    bool next(char* buffer, size_t size, bool& truncated)
    {
        int c = std::fgetc(m_file);
        while (c != EOF && std::isspace(c))
            c = std::fgetc(m_file);
        if (c == EOF)
            return false;
        size_t length = 0;
        truncated = false;
        while (c != EOF && !std::isspace(c))
        {
            if (c == 0)
                truncated = true;  // a NUL would hide the rest of the token
            else if (length + 1 < size)
                buffer[length++] = char(c);
            else
                truncated = true;
            c = std::fgetc(m_file);
        }
        buffer[length] = '\0';
        return true;
    }

    int first() { return std::fgetc(m_file); }

private:
    FILE* m_file;
};

// A decimal integer, optionally signed, within the parameter limit.
bool parseValue(const char* text, int32_t& value)
{
    const char* digits = text + (text[0] == '-' || text[0] == '+' ? 1 : 0);
    if (*digits == '\0')
        return false;
    for (const char* c = digits; *c; ++c)
        if (*c < '0' || *c > '9')
            return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > PARAMETER_LIMIT || v < -PARAMETER_LIMIT)
        return false;
    value = int32_t(v);
    return true;
}

constexpr size_t TOKEN_SIZE = 256;

bool readParameterFile(FILE* file, const std::string& versionTag, EvalParameters& target, std::string& errorText)
{
    CTokenReader reader(file);
    char token[TOKEN_SIZE];
    bool truncated = false;
    if (reader.first() != '#' || !reader.next(token, sizeof(token), truncated) || truncated || versionTag != token)
    {
        errorText = "Bad file version tag, expected " + versionTag;
        return false;
    }
    while (reader.next(token, sizeof(token), truncated))
    {
        const EvalParameterEntry* entry = truncated ? nullptr : findEvalParameter(token);
        if (!entry)
        {
            errorText = std::string("Label name not recognised: ") + token;
            return false;
        }
        int32_t* values = valuesIn(target, *entry);
        char number[TOKEN_SIZE];
        for (int i = 0; i < entry->count; ++i)
        {
            if (!reader.next(number, sizeof(number), truncated) || truncated || !parseValue(number, values[i]))
            {
                errorText = std::string("Bad number while processing ") + entry->label;
                return false;
            }
        }
    }
    return true;
}
}

const EvalParameterEntry* evalParameterTable() { return PARAMETER_TABLE; }

int evalParameterCount() { return ENTRY_COUNT; }

const EvalParameterEntry* findEvalParameter(const char* label)
{
    for (const EvalParameterEntry* entry = PARAMETER_TABLE; entry->label; ++entry)
        if (std::strcmp(entry->label, label) == 0)
            return entry;
    return nullptr;
}

void rebuildEvalDerivedTables()
{
    for (const MirroredTable& table : MIRRORED_TABLES)
        for (size_t i = 0; i < table.count; ++i)
            table.white[i] = table.stored[mirroredIndex(i)];
    refreshPieceValues();
}

namespace
{
// The search piece values from the material parameters.
void refreshPieceValues()
{
    const EvalParameters& p = g_parameters;
    EvalDerivedTables& d = evaldetail::g_derived;
    const int32_t byType[7] = {0, 0, 0, 0, 0, 0, 100000};
    for (int code = -6; code <= 6; ++code)
        d.pieceValues[code + 6] = byType[code < 0 ? -code : code];
    d.pieceValues[6 + 1] = p.whitePawn[0];
    d.pieceValues[6 + 2] = p.whiteKnight[0];
    d.pieceValues[6 + 3] = p.whiteBishop[0];
    d.pieceValues[6 + 4] = p.whiteRook[0];
    d.pieceValues[6 + 5] = p.whiteQueen[0];
    d.pieceValues[6 - 1] = p.blackPawn[0];
    d.pieceValues[6 - 2] = p.blackKnight[0];
    d.pieceValues[6 - 3] = p.blackBishop[0];
    d.pieceValues[6 - 4] = p.blackRook[0];
    d.pieceValues[6 - 5] = p.blackQueen[0];
    // The search board keeps its own copy; it takes effect at its next load.
    for (int code = -5; code <= 5; ++code)
        if (code != 0)
            CBoard::setSearchPieceValue(code, d.pieceValues[code + 6]);
}

bool isMaterialParameter(const int32_t* values)
{
    const EvalParameters& p = g_parameters;
    for (const int32_t* material : {p.blackQueen, p.blackRook, p.blackBishop, p.blackKnight, p.blackPawn, p.whiteQueen,
                                    p.whiteRook, p.whiteBishop, p.whiteKnight, p.whitePawn})
        if (values == material)
            return true;
    return false;
}
}

namespace
{
// The derived tables must be valid before anyone evaluates, even without a load.
struct CDerivedInit
{
    CDerivedInit() { rebuildEvalDerivedTables(); }
} derivedInit;
}

void resetEvalParameters()
{
    g_parameters = defaultEvalParameters();
    rebuildEvalDerivedTables();
    ++evaldetail::g_generation;
}

void setEvalParameterValue(const EvalParameterEntry& entry, int index, int32_t value)
{
    if (index < 0 || index >= entry.count)
        return;
    entry.values[index] = value;
    // Only the copy that depends on this value changes: learning calls this thousands of
    // times between two evaluations.
    if (const MirroredTable* table = mirrorOf(entry.values))
        table->white[mirroredIndex(size_t(index))] = value;
    else if (isMaterialParameter(entry.values))
        refreshPieceValues();
}

namespace
{
// The whole file in the documented layout.
std::string evalParameterFileText(const std::string& versionTag)
{
    std::string text = "#" + versionTag + "\n";
    char field[64];
    for (const EvalParameterEntry* entry = PARAMETER_TABLE; entry->label; ++entry)
    {
        std::snprintf(field, sizeof field, "%-30s", entry->label);
        text += field;
        for (int i = 0; i < entry->count; ++i)
        {
            if (i > 0 && i % 64 == 0 && entry->count % 64 == 0)
                text += "\n";
            if (i > 0 && i % 8 == 0)
                text += "\n" + std::string(30, ' ');
            std::snprintf(field, sizeof field, " %5d", int(entry->values[i]));
            text += field;
        }
        text += "\n";
        if (entry->count > 1 || (entry[1].label && entry[1].count >= 2))
            text += "\n";
    }
    return text;
}
}

bool saveEvalParameters(const std::string& fileName, const std::string& versionTag, std::string& errorText)
{
    // All or nothing: a failed write never leaves a truncated parameter file behind.
    switch (writeWholeFile(fileName, evalParameterFileText(versionTag)))
    {
    case FileWriteResult::WRITTEN:
        errorText.clear();
        return true;
    case FileWriteResult::NOT_REGULAR:
        errorText = "Not a regular file";
        break;
    case FileWriteResult::IN_USE:
        errorText = "file is open in the engine";
        break;
    case FileWriteResult::FAILED:
        errorText = "cannot write file";
        break;
    }
    return false;
}

bool loadEvalParameters(const std::string& fileName, const std::string& versionTag, std::string& errorText)
{
    // A device would be read without end (or with side effects); a FIFO is read like a file.
    FileKind kind = fileKind(fileName);
    if (kind == FileKind::DIRECTORY || kind == FileKind::DEVICE || kind == FileKind::OTHER)
    {
        errorText = "Not a regular file: " + fileName;
        return false;
    }
    FILE* file = std::fopen(fileName.c_str(), "r");
    if (!file)
    {
        errorText = "Failed to open file: " + fileName;
        return false;
    }
    // Read into a copy and put it in force only when the whole file was good.
    static EvalParameters scratch;
    scratch = g_parameters;
    bool ok = readParameterFile(file, versionTag, scratch, errorText);
    std::fclose(file);
    if (!ok)
        return false;
    g_parameters = scratch;
    rebuildEvalDerivedTables();
    // Cached pawn entries were computed with the old weights.
    ++evaldetail::g_generation;
    errorText = "Settings loaded successfully";
    return true;
}

std::string evalFileBaseName() { return fileBaseName(); }

bool loadStartupEvaluation(bool learning)
{
    std::string base = evalFileBaseName();
    std::string errorText;
    if (loadEvalParameters(base + (learning ? "-td.eval" : ".eval"), base, errorText))
    {
        output("Evaluation values loaded successfully.\n");
        return true;
    }
    output("Information: %s\n", errorText.c_str());
    output("-- Default evaluation values will be used.\n");
    return false;
}
