// Learning after a long game: an 80-move game record whose every engine move is usable
// (its line's leaf scores what the record says), timed through one learning step.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "board/board.h"
#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/learning.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "sections.h"

namespace
{
constexpr int ENGINE_MOVES = 80;
constexpr int LINE_LENGTH = 4;

// A game of quiet moves picked by a fixed sequence, never one that leaves the other side
// without a move; the positions after every ply, the start first.
std::vector<CPosition> playGame(int plies, std::vector<Move>& moves)
{
    std::vector<CPosition> positions(1);
    uint32_t seed = 12345;
    while (int(moves.size()) < plies)
    {
        const CPosition& now = positions.back();
        CMoveList legal, quiet;
        now.generateLegal(legal);
        for (Move move : legal)
            if (moveCaptured(move) == 0)
                quiet.add(move);
        const CMoveList& pool = quiet.size() > 0 ? quiet : legal;
        seed = seed * 1103515245u + 12345u;
        Move chosen = NO_MOVE;
        for (int k = 0; k < pool.size() && chosen == NO_MOVE; ++k)
        {
            Move move = pool[int((seed >> 8) + uint32_t(k)) % pool.size()];
            CPosition next = now;
            next.makeMove(move);
            CMoveList replies;
            next.generateLegal(replies);
            if (replies.size() > 0)
                chosen = move;
        }
        if (chosen == NO_MOVE)
            break;
        moves.push_back(chosen);
        positions.push_back(positions.back());
        positions.back().makeMove(chosen);
    }
    return positions;
}

// The score the learning step will find at the end of the line (White's view).
int leafScore(const CPosition& position, const std::vector<Move>& line)
{
    CBoard::load(position);
    SetGameStage();
    for (size_t i = 1; i < line.size(); ++i)
    {
        CMoveList legal;
        CBoard::generateLegalMoves(legal);
        for (Move move : legal)
            if (sameMove(move, line[i]))
            {
                CBoard::makeMove(move);
                break;
            }
    }
    invalidatePawnHashEntry(CBoard::pawnKey());
    int score = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
    return CBoard::sideToMove() == WHITE ? score : -score;
}
}

int benchLearn(uint64_t& /*signatureNodes*/)
{
    resetEvalParameters();
    std::vector<Move> moves;
    std::vector<CPosition> positions = playGame(2 * ENGINE_MOVES + LINE_LENGTH, moves);
    if (int(moves.size()) < 2 * ENGINE_MOVES + LINE_LENGTH)
    {
        std::printf("learn: the game ended after %d plies\n", int(moves.size()));
        return 1;
    }
    std::vector<LearningMove> record;
    for (int ply = 0; ply < 2 * ENGINE_MOVES; ply += 2)
    {
        LearningMove move;
        move.position = positions[size_t(ply) + 1];
        move.pv.assign(moves.begin() + ply, moves.begin() + ply + LINE_LENGTH);
        move.score = leafScore(move.position, move.pv);
        move.marker = 1;
        move.reply = moves[size_t(ply) + 1];
        record.push_back(move);
    }

    std::clock_t cpuBegin = std::clock();
    auto wallBegin = std::chrono::steady_clock::now();
    LearningOutcome outcome = learnFromGame(record, WHITE, 1);
    double cpu = double(std::clock() - cpuBegin) / CLOCKS_PER_SEC;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBegin).count();
    resetEvalParameters();

    std::printf("learn: %d-move game, %d positions usable, %d values changed\n", outcome.moves, outcome.usable,
                outcome.changed);
    std::printf("  learning step: %.2f s processor time, %.2f s wall time (target < 2)\n", cpu, wall);
    return outcome.usable == ENGINE_MOVES ? 0 : 1;
}
