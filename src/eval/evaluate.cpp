// The evaluation frame: special endings, lazy exits, material adjustments and
// the order in which the pawn, piece and king terms are added.
#include "eval/evaluate.h"

#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "endgame/kpk.h"
#include "eval/kingsafety.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "eval/pieces.h"
#include "eval/tables.h"
#include "eval/terms.h"
#include "base/output.h"

using namespace attacks;

namespace
{
int g_gameStage = STAGE_OPENING;
int g_maxEvalDiffPart1 = 0;
int g_maxEvalDiffPart2 = 0;

constexpr uint32_t HAS_PAWNS = 1u << (PAWN - 1);
constexpr uint32_t HAS_BISHOPS = 1u << (BISHOP - 1);

const char* const PIECE_NAMES[7] = {"****", "pawn", "knight", "bishop", "rook", "queen", "king"};

int count(int code) { return CBoard::m_pieceCount[code + 6]; }

int kingDistance(int a, int b) { return evalTables().kingDistance[a][b]; }

double pawnUnits(int64_t value) { return double(value) / 1000.0; }

// Lone bishops all on squares of one colour cannot mate.
bool sameColouredBishopsOnly(int colour)
{
    Bitboard bishops = CBoard::pieces(colour == WHITE ? BISHOP : -BISHOP);
    int dark = popCount(bishops & DARK_SQUARES);
    return dark == 0 || dark == popCount(bishops);
}

// Pawns of both sides on one rook file, the strong side with pawns and
// bishops, the weak side with pawns only: the weak side's nearest pawn ahead of
// the strong side's leading pawn, on squares the bishops never touch, stops
// the pawns; it is a draw when the weak king gets to the corner square in
// front of the promotion square (b2/g2 against Black, b7/g7 against White)
// before the strong king can win that pawn and get there.
bool defenderHoldsRookFile(int strong)
{
    int weak = strong ^ 1;
    Bitboard strongPawns = CBoard::pieces(strong == WHITE ? PAWN : -PAWN);
    Bitboard weakPawns = CBoard::pieces(weak == WHITE ? PAWN : -PAWN);
    Bitboard strongBishops = CBoard::pieces(strong == WHITE ? BISHOP : -BISHOP);
    int tempo = CBoard::sideToMove() == weak ? 1 : 0;
    for (int side = 0; side < 2; ++side)
    {
        bool aFile = side == 0;
        Bitboard file = aFile ? FILE_A : FILE_H;
        // The colour of the squares of the file the strong side's bishops would need.
        Bitboard safe = (strong == BLACK) == aFile ? DARK_SQUARES : LIGHT_SQUARES;
        int corner = strong == BLACK ? (aFile ? 9 : 14) : (aFile ? 49 : 54);  // b2, g2, b7, g7
        if (((strongPawns | weakPawns) & ~file) || (strongBishops & safe))
            continue;
        int guard;
        if (strong == BLACK)
        {
            Bitboard below = weakPawns & safe & (bit(lowestSquare(strongPawns)) - 1);
            if (!below)
                continue;
            guard = highestSquare(below);
        }
        else
        {
            Bitboard above = weakPawns & safe & ~((Bitboard(2) << highestSquare(strongPawns)) - 1);
            if (!above)
                continue;
            guard = lowestSquare(above);
        }
        int weakKing = CBoard::kingSquare(weak), strongKing = CBoard::kingSquare(strong);
        if (kingDistance(weakKing, corner) - tempo < kingDistance(strongKing, guard) + kingDistance(guard, corner))
            return true;
    }
    return false;
}

// The side with pawns and bishops cannot force through a rook pawn whose
// promotion square its bishops do not control (see the cases below).
bool rookPawnDraw()
{
    uint32_t whiteTypes = CBoard::m_pieceTypes[WHITE];
    uint32_t blackTypes = CBoard::m_pieceTypes[BLACK];
    Bitboard wp = CBoard::pieces(PAWN), bp = CBoard::pieces(-PAWN);
    Bitboard wb = CBoard::pieces(BISHOP), bb = CBoard::pieces(-BISHOP);
    int wk = CBoard::kingSquare(WHITE), bk = CBoard::kingSquare(BLACK);
    const Bitboard fileA = FILE_A, fileH = FILE_H;

    // A lone attacker's rook pawns with the defending king in the corner.
    if ((whiteTypes == HAS_PAWNS || whiteTypes == (HAS_PAWNS | HAS_BISHOPS)) && !(blackTypes & HAS_PAWNS) &&
        CBoard::m_pieceUnits[BLACK] < 4)
    {
        if (!(wp & ~fileA) && !(wb & LIGHT_SQUARES) && kingDistance(bk, 56) < 2)
            return true;
        if (!(wp & ~fileH) && !(wb & DARK_SQUARES) && kingDistance(bk, 63) < 2)
            return true;
    }
    if ((blackTypes == HAS_PAWNS || blackTypes == (HAS_PAWNS | HAS_BISHOPS)) && !(whiteTypes & HAS_PAWNS) &&
        CBoard::m_pieceUnits[WHITE] < 4)
    {
        if (!(bp & ~fileA) && !(bb & DARK_SQUARES) && kingDistance(wk, 0) < 2)
            return true;
        if (!(bp & ~fileH) && !(bb & LIGHT_SQUARES) && kingDistance(wk, 7) < 2)
            return true;
    }
    // Pawns of both sides on one rook file: the defender's pawn that the
    // bishops cannot touch, with the defending king in time to reach the corner.
    if (blackTypes == (HAS_PAWNS | HAS_BISHOPS) && whiteTypes == HAS_PAWNS && wp && bp)
        return defenderHoldsRookFile(BLACK);
    if (whiteTypes == (HAS_PAWNS | HAS_BISHOPS) && blackTypes == HAS_PAWNS && wp && bp)
        return defenderHoldsRookFile(WHITE);
    return false;
}

// Scores of the special endings; false when the position needs the full evaluation.
bool specialEnding(int& score)
{
    int men = CBoard::m_totalPieces;
    const int32_t* nonPawn = CBoard::m_nonPawnMaterial;
    const int32_t* units = CBoard::m_pieceUnits;
    uint32_t whiteTypes = CBoard::m_pieceTypes[WHITE];
    uint32_t blackTypes = CBoard::m_pieceTypes[BLACK];
    score = 0;
    if (men == 2)
        return true;
    if (men == 3)
    {
        int64_t material = int64_t(nonPawn[WHITE]) + nonPawn[BLACK];
        if (material < 4000)
        {
            if (material > 0)
                return true;
            Bitboard pawns = CBoard::pieces(PAWN) | CBoard::pieces(-PAWN);
            if (pawns)
            {
                bool pawnIsWhite = CBoard::pieces(PAWN) != 0;
                int r = kpkProbe(CBoard::sideToMove() == WHITE, CBoard::kingSquare(WHITE), CBoard::kingSquare(BLACK),
                                 pawnIsWhite, lowestSquare(pawns));
                int queen = pawnIsWhite ? evalParams().blackQueen[0] : evalParams().whiteQueen[0];
                score = r == 0 ? 0 : r > 0 ? queen + r - 100 : r - queen + 100;
                return true;
            }
        }
    }
    else if (men == 4)
    {
        if (whiteTypes != blackTypes && units[WHITE] == 3 && units[BLACK] == 3)
            return true;
        if (whiteTypes == blackTypes && !(whiteTypes & HAS_PAWNS))
            return true;
    }
    uint32_t types = whiteTypes | blackTypes;
    if (types == HAS_BISHOPS)
    {
        if (men == count(BISHOP) + 2)
        {
            if (sameColouredBishopsOnly(WHITE))
                return true;
        }
        else if (men == count(-BISHOP) + 2 && sameColouredBishopsOnly(BLACK))
            return true;
    }
    if (types == (HAS_PAWNS | HAS_BISHOPS) && rookPawnDraw())
        return true;
    return false;
}

int stageOf(int whiteUnits, int blackUnits)
{
    if (whiteUnits > 25 && blackUnits > 25)
        return STAGE_OPENING;
    if (whiteUnits < 15 || blackUnits < 15)
        return STAGE_ENDGAME;
    return STAGE_MIDDLE;
}

int clampToInt(int64_t v)
{
    const int64_t limit = 2000000000LL;
    return int(v > limit ? limit : v < -limit ? -limit : v);
}

template <bool TRACE>
int evaluate(int alpha, int beta)
{
    int score;
    if (specialEnding(score))
        return score;

    const EvalParameters& p = evalParams();
    int toMove = CBoard::sideToMove();
    bool whiteToMove = toMove == WHITE;
    const int32_t* units = CBoard::m_pieceUnits;
    const int32_t* nonPawn = CBoard::m_nonPawnMaterial;
    int stage = g_gameStage;

    // 1. Material alone, when even the largest positional swing seen cannot reach the window.
    int material = CBoard::m_materialBalance;
    int m = whiteToMove ? material : -material;
    if (int64_t(m) + g_maxEvalDiffPart1 + g_maxEvalDiffPart2 < alpha ||
        int64_t(m) - g_maxEvalDiffPart1 - g_maxEvalDiffPart2 > beta)
        return m;

    // 2. Pawn structure (the traced evaluation computes it afresh to show its terms).
    PawnHashEntry computed;
    const PawnHashEntry* entry;
    if constexpr (TRACE)
    {
        computePawnEntry<true>(computed);
        entry = &computed;
    }
    else
        entry = &probePawnHash();
    int64_t pawnScore = entry->score;
    if (entry->passedFiles[WHITE] | entry->passedFiles[BLACK])
        pawnScore += passedPawnTerm<TRACE>(*entry);
    pawnScore += connectedSixthTerm<TRACE>(*entry);

    // 3. Material superiority: the side ahead in pieces is helped to trade down.
    int64_t whiteBonus = 0, blackBonus = 0;
    if (units[BLACK] < units[WHITE])
    {
        whiteBonus = (8 - entry->passerMeasure[BLACK]) * 750 / 16;
        if (count(-QUEEN) > 0)
            whiteBonus /= 2;
        if constexpr (TRACE)
            output(" white material superiority bonus: %d\n", int(whiteBonus));
    }
    else if (units[WHITE] < units[BLACK])
    {
        blackBonus = (8 - entry->passerMeasure[WHITE]) * 750 / 16;
        if (count(QUEEN) > 0)
            blackBonus /= 2;
        if constexpr (TRACE)
            output(" black material superiority bonus: %d\n", int(-blackBonus));
    }

    // 4. King shelter against the enemy's remaining pieces.
    int defects[2] = {0, 0};
    int64_t safetyLoss[2] = {0, 0};
    if (stage < STAGE_ENDGAME)
    {
        defects[WHITE] = kingDefectValue(WHITE, *entry, stage);
        defects[BLACK] = kingDefectValue(BLACK, *entry, stage);
        for (int colour = 0; colour < 2; ++colour)
        {
            int enemyMaterial = nonPawn[colour ^ 1];
            if (enemyMaterial > 5000)
                safetyLoss[colour] = (int64_t(enemyMaterial) - 5000) * defects[colour] / 1024;
        }
        whiteBonus -= safetyLoss[WHITE];
        blackBonus -= safetyLoss[BLACK];
        if constexpr (TRACE)
        {
            output(" eval: white safety %1.3f (wdef %d, bmat %d)\n", pawnUnits(safetyLoss[WHITE]), defects[WHITE],
                   nonPawn[BLACK]);
            output(" eval: black safety %1.3f (bdef %d, wmat %d)\n", pawnUnits(safetyLoss[BLACK]), defects[BLACK],
                   nonPawn[WHITE]);
            output(" *** king safety:          white: %6.3f  black: %6.3f\n", pawnUnits(-safetyLoss[WHITE]),
                   pawnUnits(-safetyLoss[BLACK]));
        }
    }

    // 5. Material that cannot win on its own.
    int whitePawns = count(PAWN), blackPawns = count(-PAWN);
    if (whitePawns == 0 || blackPawns == 0)
    {
        if (whitePawns == 0 && blackPawns == 0 && std::abs(material) < 4000)
        {
            int rooks = count(ROOK) - count(-ROOK);
            int minors = (count(KNIGHT) - count(-KNIGHT)) + (count(BISHOP) - count(-BISHOP));
            if (count(QUEEN) == count(-QUEEN) && rooks == -minors && (rooks == 1 || rooks == -1))
            {
                if (material <= 0)
                    blackBonus += int64_t(material) * 3 / 4;
                else
                    whiteBonus -= int64_t(material) * 3 / 4;
            }
        }
        else if (units[WHITE] == 3 && whitePawns == 0 && units[BLACK] == 0)
            whiteBonus -= int64_t(p.whiteKnight[0]) - 1000;
        else if (units[BLACK] == 3 && blackPawns == 0 && units[WHITE] == 0)
            blackBonus -= int64_t(p.blackKnight[0]) - 1000;
    }

    // 6. The middle score and the second lazy exit.
    int64_t middle = whiteToMove ? pawnScore - blackBonus + whiteBonus : blackBonus - pawnScore - whiteBonus;
    int s = clampToInt(middle + m);
    int diff1 = clampToInt(std::llabs(int64_t(s) - m));
    if (diff1 > g_maxEvalDiffPart1)
        g_maxEvalDiffPart1 = diff1;
    if (int64_t(s) + g_maxEvalDiffPart2 < alpha || int64_t(s) - g_maxEvalDiffPart2 > beta)
        return s;

    // 7. Full evaluation.
    int64_t full = s;
    if (stage < STAGE_ENDGAME)
        full += developmentTerm<TRACE>();
    PositionalSums sums;
    computePositionalSums<TRACE>(*entry, stage, defects, sums);
    int64_t positional = int64_t(sums.total[WHITE]) - sums.total[BLACK];
    int64_t result = full + (whiteToMove ? positional : -positional);
    if constexpr (TRACE)
    {
        output(" *** final:                white: %6.3f  black: %6.3f\n", pawnUnits(sums.total[WHITE]),
               pawnUnits(sums.total[BLACK]));
        output(" ============================\n");
        output("    material (w): %6.3f\n", pawnUnits(material));
        output(" pawn struct (w): %6.3f\n", pawnUnits(pawnScore));
        output(" king safety (w): %6.3f\n", pawnUnits(safetyLoss[BLACK] - safetyLoss[WHITE]));
        output(" ============================\n");
    }

    // Opposite-coloured bishops in the ending pull the score towards a draw.
    int men = CBoard::m_totalPieces;
    if (stage == STAGE_ENDGAME && men < 20 && units[WHITE] == units[BLACK] && count(BISHOP) == 1 && count(-BISHOP) == 1)
    {
        bool whiteDark = (CBoard::pieces(BISHOP) & DARK_SQUARES) != 0;
        bool blackDark = (CBoard::pieces(-BISHOP) & DARK_SQUARES) != 0;
        if (whiteDark != blackDark)
        {
            int64_t scaled = result * men / 20;
            if constexpr (TRACE)
                output(" *B** opposite coloured bishops  %d\n", int(scaled - result));
            result = scaled;
        }
    }
    int r = clampToInt(result);
    int diff2 = clampToInt(std::llabs(int64_t(r) - s));
    if (diff2 > g_maxEvalDiffPart2)
        g_maxEvalDiffPart2 = diff2;
    return r;
}
}

int currentGameStage() { return g_gameStage; }

void printTerm(int square, const char* label, int value)
{
    if (value == 0)
        return;
    int code = square >= 0 && square < 64 ? CBoard::pieceAt(square) : 0;
    char colour = code == 0 ? '*' : code > 0 ? 'w' : 'b';
    const char* indent = code == 0 ? "   " : code > 0 ? "" : "      ";
    char squareName[3] = {0, 0, 0};
    if (square >= 0 && square < 64)
    {
        squareName[0] = char('a' + fileOf(square));
        squareName[1] = char('1' + rankOf(square));
    }
    char text[96];
    std::snprintf(text, sizeof(text), "%c %s (%s) %s", colour, PIECE_NAMES[pieceType(code)], squareName, label);
    output(" %s%-40s %6d\n", indent, text, value);
}

int Evaluate(int alpha, int beta) { return evaluate<false>(alpha, beta); }

int EvaluateVerbose(int alpha, int beta) { return evaluate<true>(alpha, beta); }

void SetGameStage()
{
    g_gameStage = stageOf(CBoard::m_pieceUnits[WHITE], CBoard::m_pieceUnits[BLACK]);
    g_maxEvalDiffPart1 = 0;
    g_maxEvalDiffPart2 = 0;
}

int GameStage() { return g_gameStage; }

const char* gameStageName(int stage)
{
    return stage == STAGE_OPENING ? "Opening" : stage == STAGE_MIDDLE ? "Middle game" : "Endgame";
}

int maxEvalDiffPart1() { return g_maxEvalDiffPart1; }
int maxEvalDiffPart2() { return g_maxEvalDiffPart2; }

int printScore()
{
    SetGameStage();
    output(" Game stage: %s\n", gameStageName(g_gameStage));
    int score = EvaluateVerbose(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
    output(" Score (%s) %1.3f\n", CBoard::sideToMove() == WHITE ? "white" : "black", score / 1000.0);
    return score;
}
