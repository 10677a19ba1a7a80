// Reading PGN games: the tag section and the move text with variations,
// comments and glyphs, every move checked by playing it. The first fault of a
// game ends it and leaves a one-line error text with the line number
// ("Error: Line %d: ..."); the lexer stays usable for the next game.
#pragma once

#include <string>

#include "pgn/pgngame.h"
#include "pgn/pgnlexer.h"
#include "board/position.h"

// Variations may nest this deep; deeper nesting is a fault of the game.
constexpr int PGN_MAX_VARIATION_DEPTH = 64;

// Reads the next game into 'game' (cleared first). A game starts at its tags
// or, when it has none, at its first move number or move; the roster tags then
// keep their defaults. False when the input holds no further game. A game with a fault still returns true, with 'errorText'
// set; it is empty for a clean game.
bool readPgnGame(PgnLexer& lexer, PgnGame& game, std::string& errorText);

// Reads move text from 'position', adding the moves below 'node' of 'game'.
// Stops before a game end, a "[" or a ")" (left for the caller), or at the end
// of input. False, with 'errorText' set, on a fault.
bool readMoveText(PgnLexer& lexer, const CPosition& position, PgnGame& game, PgnNode* node, std::string& errorText);
