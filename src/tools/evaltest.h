// The evaluation symmetry test: random positions against their colour mirrors.
#pragma once

class CPosition;

// The colour mirror of a position: ranks flipped, colours swapped, the other
// side to move, castling rights and en-passant square carried over mirrored.
CPosition mirroredPosition(const CPosition& position);

// Runs the test over the given number of random positions (drawn from the C
// library generator); prints progress, the first mismatch in full, and
// "Evaluation test complete". True when every pair scored alike.
bool runEvaluationSymmetryTest(int iterations);
