// The evaluation's named weights: one registry of int32 arrays, its text file,
// and the tables derived from it (white piece-square copies, search piece values).
#pragma once

#include <cstdint>
#include <string>

// All weights of the evaluation. Every member is an array of int32, so the whole
// object is one contiguous block of int32 and a registry entry can be located in
// any copy of it by its offset (used to load into a scratch copy).
struct EvalParameters
{
    int32_t blackQueen[1];
    int32_t blackRook[1];
    int32_t blackBishop[1];
    int32_t blackKnight[1];
    int32_t blackPawn[1];
    int32_t whiteQueen[1];
    int32_t whiteRook[1];
    int32_t whiteBishop[1];
    int32_t whiteKnight[1];
    int32_t whitePawn[1];
    int32_t pawnDoubled[1];
    int32_t pawnSinglyConnected[1];
    int32_t pawnDoublyConnected[1];
    int32_t pawnIsolated[1];
    int32_t pawnWeak[1];
    int32_t pawnBishopPromoteSq[1];
    int32_t pawnPassedOutside[1];
    int32_t knightOutpostMultiplier[1];
    int32_t knightOutpostSupported[1];
    int32_t bishopOutpostMultiplier[1];
    int32_t bishopOutpostSupported[1];
    int32_t bishopWithBishop[1];
    int32_t bishopWithPawnsEndgame[1];
    int32_t bishopTrapped[1];
    int32_t rookOnOpenFile[1];
    int32_t rookOnOpenFileEndgame[1];
    int32_t rookOnHalfOpenFile[1];
    int32_t rookSupportedByRook[1];
    int32_t rookOnSeventh[1];
    int32_t rookOnSeventhWithRook[1];
    int32_t rookTrapped[1];
    int32_t kingDefectNpBishop[1];
    int32_t kingWithPawns[1];
    int32_t kingPressureMultiplier[1];
    int32_t castleNotCastled[1];
    int32_t develKnight[1];
    int32_t develBishop[1];
    int32_t develBishopCantMove[1];
    int32_t develRook[1];
    int32_t develQueen[1];
    int32_t kingPosEval[192];
    int32_t queenPosEval[192];
    int32_t rookPosEval[192];
    int32_t bishopPosEval[192];
    int32_t knightPosEval[192];
    int32_t pawnPosEval[192];
    int32_t pawnBlockedByEnemy[8];
    int32_t pawnBlockedByFriend[8];
    int32_t pawnPassed[8];
    int32_t pawnPassedConnected[8];
    int32_t pawnPassedSupported[8];
    int32_t pawnPassedBlocked[8];
    int32_t knightMobilityBonus[9];
    int32_t bishopMobilityBonus[14];
    int32_t rookRankMobility[8];
    int32_t rookMobilityBonus[15];
    int32_t rookBehindPassed[8];
    int32_t kingPawnDefectTable[32];
    int32_t kingDefects[64];
    int32_t kingDefectLookupTable[30];
    int32_t knightOutposts[64];
    int32_t bishopOutposts[64];
    int32_t pawnKingAttackBonus[8];
    int32_t knightKingAttackBonus[8];
    int32_t bishopKingAttackBonus[8];
    int32_t rookKingAttackBonus[8];
    int32_t queenKingAttackBonus[8];
    int32_t kingAttackLookupTable[100];
    int32_t pawnStormKingside[64];
    int32_t pawnStormQueenside[64];
};

// Column of kingPawnDefectTable (row = file a..h).
constexpr int DEFECT_ADV1 = 0;
constexpr int DEFECT_ADV2 = 1;
constexpr int DEFECT_TOO_FAR = 2;
constexpr int DEFECT_MISSING = 3;

// Loaded values beyond this magnitude are refused, so that no sum or product of
// the evaluation can overflow (the largest default is 10001).
constexpr int32_t PARAMETER_LIMIT = 1000000;

// One registry entry; the table ends with an entry whose label is null.
struct EvalParameterEntry
{
    const char* label;
    int count;
    int32_t* values;  // live storage read by the evaluation
};

// Tables computed from the parameters: the white copies of the tables stored from
// Black's side (entry s = stored entry of the square with the same file and the
// mirrored rank) and the search piece values by piece code + 6.
struct EvalDerivedTables
{
    int32_t whiteKingPosEval[192];
    int32_t whiteQueenPosEval[192];
    int32_t whiteRookPosEval[192];
    int32_t whiteBishopPosEval[192];
    int32_t whiteKnightPosEval[192];
    int32_t whitePawnPosEval[192];
    int32_t whiteKingDefects[64];
    int32_t whiteKnightOutposts[64];
    int32_t whiteBishopOutposts[64];
    int32_t whitePawnStormKingside[64];
    int32_t whitePawnStormQueenside[64];
    int32_t pieceValues[13];
};

namespace evaldetail
{
extern EvalParameters g_parameters;
extern EvalDerivedTables g_derived;
extern uint32_t g_generation;
}

// The live parameters (the registry's storage) and their derived tables.
inline EvalParameters& evalParams() { return evaldetail::g_parameters; }
inline const EvalDerivedTables& evalDerived() { return evaldetail::g_derived; }

// Search piece value of a piece code (pawn..queen from the parameters, king
// 100000, empty 0); the board reads it when it loads a position or makes a move.
inline int32_t evalPieceValue(int code) { return evaldetail::g_derived.pieceValues[code + 6]; }

// The registry in file order, ended by an entry with a null label.
const EvalParameterEntry* evalParameterTable();
int evalParameterCount();
const EvalParameterEntry* findEvalParameter(const char* label);

// Counts the times the whole parameter set was replaced (a load, or the built-in values put
// back): caches of values computed from the weights compare it and empty themselves.
inline uint32_t evalParameterGeneration() { return evaldetail::g_generation; }

// Built-in values of every parameter.
const EvalParameters& defaultEvalParameters();
// Puts the built-in values in force (and rebuilds the derived tables).
void resetEvalParameters();
// Rebuilds the derived tables from the live parameters; call after any change.
void rebuildEvalDerivedTables();
// Changes one stored entry and keeps its derived copy in step (used by learning).
void setEvalParameterValue(const EvalParameterEntry& entry, int index, int32_t value);

// Writes the whole registry, replacing the file in one step; false, with the reason in
// errorText, when it was not written (the name is not a regular file, the file is open
// in the engine, or it cannot be written).
bool saveEvalParameters(const std::string& fileName, const std::string& versionTag, std::string& errorText);
// Reads a parameter file (a device or folder is refused unread); on failure nothing
// changes and errorText says why.
bool loadEvalParameters(const std::string& fileName, const std::string& versionTag, std::string& errorText);

// The file base name used for the default file names and the version tag.
std::string evalFileBaseName();
// Start-up load: "<base>.eval", or "<base>-td.eval" when learning, with the messages of loade.
bool loadStartupEvaluation(bool learning);
