// Temporal-difference learning of the evaluation parameters.
#include "eval/learning.h"

#include <cmath>
#include <cstring>

#include "board/board.h"
#include "eval/evaluate.h"
#include "eval/parameters.h"
#include "eval/pawns.h"

namespace
{
// Scores squash through tanh(SQUASH * score) into (-1, 1).
constexpr double SQUASH = 0.000255;
constexpr double LAMBDA = 0.7;
constexpr double STEP_FACTOR = 10.0;
// The derivative is measured with a step of one unit and scaled by this.
constexpr double DERIVATIVE_SCALE = 1000.0;

struct LearningControl
{
    const char* label;
    int kind;
    const char* link;
};

// Parameters not listed are learned value by value. Some names stand for terms the
// evaluation folds into other tables; they match no label and are kept for that reason.
const LearningControl CONTROL[] = {
    {"blackQueen", LEARN_LINKED, "whiteQueen"},
    {"blackRook", LEARN_LINKED, "whiteRook"},
    {"blackBishop", LEARN_LINKED, "whiteBishop"},
    {"blackKnight", LEARN_LINKED, "whiteKnight"},
    {"blackPawn", LEARN_FIXED, nullptr},
    {"whiteQueen", LEARN_FIXED, nullptr},
    {"whiteRook", LEARN_FIXED, nullptr},
    {"whiteBishop", LEARN_FIXED, nullptr},
    {"whiteKnight", LEARN_FIXED, nullptr},
    {"whitePawn", LEARN_FIXED, nullptr},
    {"kingDefectNpBishop", LEARN_FIXED, nullptr},
    {"kingDefects", LEARN_FIXED, nullptr},
    {"kingDefectLookupTable", LEARN_FIXED, nullptr},
    {"knightOutposts", LEARN_FIXED, nullptr},
    {"bishopOutposts", LEARN_FIXED, nullptr},
    {"pawnKingAttackBonus", LEARN_FIXED, nullptr},
    {"knightKingAttackBonus", LEARN_FIXED, nullptr},
    {"bishopKingAttackBonus", LEARN_FIXED, nullptr},
    {"rookKingAttackBonus", LEARN_FIXED, nullptr},
    {"queenKingAttackBonus", LEARN_FIXED, nullptr},
    {"develKnight", LEARN_FIXED, nullptr},
    {"develBishop", LEARN_FIXED, nullptr},
    {"develBishopCantMove", LEARN_FIXED, nullptr},
    {"develRook", LEARN_FIXED, nullptr},
    {"develQueen", LEARN_FIXED, nullptr},
    {"kingDefectBpAdv1", LEARN_FIXED, nullptr},
    {"kingDefectBpAdv2", LEARN_FIXED, nullptr},
    {"kingDefectBpTooFar", LEARN_FIXED, nullptr},
    {"kingDefectBpMissing", LEARN_FIXED, nullptr},
    {"kingDefectNpAdv1", LEARN_FIXED, nullptr},
    {"kingDefectNpAdv2", LEARN_FIXED, nullptr},
    {"kingDefectNpTooFar", LEARN_FIXED, nullptr},
    {"kingDefectNpMissing", LEARN_FIXED, nullptr},
    {"kingDefectRpAdv1", LEARN_FIXED, nullptr},
    {"kingDefectRpAdv2", LEARN_FIXED, nullptr},
    {"kingDefectRpTooFar", LEARN_FIXED, nullptr},
    {"kingDefectRpMissing", LEARN_FIXED, nullptr},
    {"kingPosEval", LEARN_MIRRORED, nullptr},
    {"queenPosEval", LEARN_MIRRORED, nullptr},
    {"rookPosEval", LEARN_MIRRORED, nullptr},
    {"bishopPosEval", LEARN_MIRRORED, nullptr},
    {"knightPosEval", LEARN_MIRRORED, nullptr},
    {"pawnPosEval", LEARN_MIRRORED, nullptr},
    {"pawnStormKingside", LEARN_MIRRORED, nullptr},
    {"pawnStormQueenside", LEARN_MIRRORED, nullptr},
};

const LearningControl* controlOf(const char* label)
{
    for (const LearningControl& control : CONTROL)
        if (std::strcmp(control.label, label) == 0)
            return &control;
    return nullptr;
}

// One learnable value: a registry value and, for a linked parameter, the value that follows it.
// (A mirrored table's white copy follows through setEvalParameterValue.)
struct Scalar
{
    const EvalParameterEntry* entry;
    int index;
    const EvalParameterEntry* linked;
};

std::vector<Scalar> learnableScalars()
{
    std::vector<Scalar> scalars;
    for (const EvalParameterEntry* entry = evalParameterTable(); entry->label; ++entry)
    {
        int kind = learningKind(entry->label);
        if (kind == LEARN_FIXED)
            continue;
        const char* link = learningLink(entry->label);
        const EvalParameterEntry* linked = link ? findEvalParameter(link) : nullptr;
        for (int i = 0; i < entry->count; ++i)
            scalars.push_back({entry, i, linked && i < linked->count ? linked : nullptr});
    }
    return scalars;
}

void setScalar(const Scalar& scalar, int32_t value)
{
    setEvalParameterValue(*scalar.entry, scalar.index, value);
    if (scalar.linked)
        setEvalParameterValue(*scalar.linked, scalar.index, value);
}

bool isMaterial(const Scalar& scalar) { return scalar.linked != nullptr; }

double squash(double score) { return std::tanh(SQUASH * score); }

// The board's position scored afresh: its pawn entry may hold values of other weights.
int evaluateAfresh()
{
    invalidatePawnHashEntry(CBoard::pawnKey());
    return Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
}

// Plays a move of the line when it is legal on the board (in the board's own spelling).
bool playIfLegal(Move move)
{
    if (!CBoard::hasRoom())
        return false;
    CMoveList legal;
    CBoard::generateLegalMoves(legal);
    for (Move candidate : legal)
        if (sameMove(candidate, move))
        {
            CBoard::makeMove(candidate);
            return true;
        }
    return false;
}

// What the collection keeps of one of the engine's moves.
struct LearningPosition
{
    bool usable = false;
    bool predictionHeld = true;
    double f = 0.0;
    CPosition leaf;
    int leafSide = WHITE;
};

// Sets up the position after the move, plays the rest of its line and checks that the leaf
// still scores what the search said.
void collect(const LearningMove& move, int colour, LearningPosition& position)
{
    if (move.pv.size() < 2 || !CBoard::load(move.position))
        return;
    SetGameStage();
    for (size_t i = 1; i < move.pv.size() && playIfLegal(move.pv[i]); ++i)
    {
    }
    int value = evaluateAfresh();
    if (CBoard::sideToMove() != colour)
        value = -value;
    if (value != move.score)
        return;
    position.usable = true;
    position.f = squash(value);
    CBoard::store(position.leaf);
    position.leafSide = CBoard::sideToMove();
}

void loadLeaf(const LearningPosition& position)
{
    CBoard::load(position.leaf);
    SetGameStage();
}
}  // namespace

int learningKind(const char* label)
{
    const LearningControl* control = controlOf(label);
    return control ? control->kind : LEARN_PLAIN;
}

const char* learningLink(const char* label)
{
    const LearningControl* control = controlOf(label);
    return control && control->kind == LEARN_LINKED ? control->link : nullptr;
}

std::vector<LearnedParameter> learnedParameters()
{
    std::vector<LearnedParameter> parameters;
    for (const EvalParameterEntry* entry = evalParameterTable(); entry->label; ++entry)
        if (learningKind(entry->label) != LEARN_FIXED)
            parameters.push_back({entry->label, entry->count});
    return parameters;
}

LearningOutcome learnFromGame(const std::vector<LearningMove>& moves, int colour, int outcome)
{
    LearningOutcome result;
    const size_t n = moves.size();
    result.moves = int(n);
    for (const LearningMove& move : moves)
        if (move.marker == 0)
        {
            result.stopped = true;
            return result;
        }

    // 1. The leaves that still give the scores the moves were played with.
    std::vector<LearningPosition> positions(n);
    for (size_t t = 0; t < n; ++t)
    {
        const LearningMove& move = moves[t];
        collect(move, colour, positions[t]);
        result.usable += positions[t].usable ? 1 : 0;
        if (t + 1 < n && move.pv.size() >= 2 && !sameMove(move.reply, move.pv[1]))
            positions[t].predictionHeld = false;
    }

    // 2. Temporal differences; a gain the opponent's unexpected reply handed over is not
    // credited to the evaluation.
    std::vector<double> d(n, 0.0);
    for (size_t t = 0; t < n; ++t)
    {
        const LearningPosition& p = positions[t];
        bool last = t == n - 1;
        if (!p.usable)
        {
            d[t] = last ? outcome : 0.0;
            continue;
        }
        double dt = last ? outcome - p.f : positions[t + 1].usable ? positions[t + 1].f - p.f : 0.0;
        if (dt > 0 && !p.predictionHeld)
            dt = 0.0;
        d[t] = dt;
    }
    // The lambda-weighted sum of the differences from each usable move on.
    std::vector<double> future(n, 0.0);
    double running = 0.0;
    for (size_t t = n; t-- > 0;)
    {
        running *= LAMBDA;
        if (positions[t].usable)
        {
            running += d[t];
            future[t] = running;
        }
    }

    // 3. The gradient, position by position: every learnable value raised by one unit in turn.
    std::vector<Scalar> scalars = learnableScalars();
    std::vector<double> accumulators(scalars.size(), 0.0);
    for (size_t t = 0; t < n; ++t)
    {
        const LearningPosition& p = positions[t];
        if (!p.usable || future[t] == 0.0)
            continue;  // nothing to add for this position
        double sign = p.leafSide == colour ? 1.0 : -1.0;
        loadLeaf(p);
        double f0 = squash(evaluateAfresh());
        for (size_t s = 0; s < scalars.size(); ++s)
        {
            const Scalar& scalar = scalars[s];
            int32_t old = scalar.entry->values[scalar.index];
            setScalar(scalar, old + 1);
            // The board takes new piece values at a load, with its material sums.
            if (isMaterial(scalar))
                loadLeaf(p);
            double f1 = squash(evaluateAfresh());
            setScalar(scalar, old);
            if (isMaterial(scalar))
                loadLeaf(p);
            double g = (f1 - f0) * DERIVATIVE_SCALE * sign;
            if (g != 0.0)
                accumulators[s] += STEP_FACTOR * g * future[t];
        }
    }

    // 4. The step, within the limits a parameter file accepts so that the saved file loads.
    for (size_t s = 0; s < scalars.size(); ++s)
    {
        const Scalar& scalar = scalars[s];
        double old = scalar.entry->values[scalar.index];
        double value = std::floor(old + accumulators[s] + 0.5);
        value = std::fmax(-double(PARAMETER_LIMIT), std::fmin(double(PARAMETER_LIMIT), value));
        if (value != old)
        {
            setScalar(scalar, int32_t(value));
            ++result.changed;
        }
    }
    rebuildEvalDerivedTables();
    // Every cached pawn entry was computed with the old weights.
    clearPawnHashTable();
    return result;
}
