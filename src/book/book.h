// What the move choice needs from an opening book, whatever its file format: the engine's
// own hash books (hashbook.h) and Polyglot books (polyglotbook.h) both sit behind it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/types.h"

class CPosition;

// One candidate of a position, as a book knows it.
struct BookMove
{
    Move move = NO_MOVE;
    uint32_t games = 0;
    double whitePoints = 0.0;  // half-points * 0.5
    double bias = 0.0;         // quarters * 0.25
    uint8_t flags = 0;
    // A Polyglot book stores the weight of each move itself; a hash book's weight is
    // computed from the statistics above and the book parameters.
    bool hasStoredWeight = false;
    double storedWeight = 0.0;
};

class CBook
{
public:
    virtual ~CBook() = default;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // The (position, move) pairs the book holds.
    virtual uint32_t positionCount() const = 0;
    virtual const std::string& fileName() const = 0;
    // The book's moves that are legal in the position; false only when the file could
    // not be read.
    virtual bool probe(const CPosition& position, std::vector<BookMove>& out) = 0;
    // Whether the candidates carry their own weights (and the book has no parameters).
    virtual bool storesWeights() const = 0;
};
