// The static evaluation of the search board, from the side to move's point of view.
#pragma once

// Full window for callers that want an exact score (no lazy exit can fire).
constexpr int EVAL_FULL_WINDOW = 320000;

// Fast evaluation; may return early outside the alpha-beta window.
int Evaluate(int alpha, int beta);
// The same score from the same terms, traced: computes the pawn structure
// directly and prints every term.
int EvaluateVerbose(int alpha, int beta);

// Sets the game stage from the board and resets the lazy margins (start of a search).
void SetGameStage();
// 0 Opening, 1 Middle game, 2 Endgame.
int GameStage();
const char* gameStageName(int stage);

// The lazy-evaluation margins (raised by Evaluate, reset by SetGameStage).
int maxEvalDiffPart1();
int maxEvalDiffPart2();

// Prints the stage, the breakdown and the score of the search board (the sc command).
int printScore();
