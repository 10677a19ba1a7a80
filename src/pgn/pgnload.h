// Loading a PGN game into the engine's game record: the main line of the game
// becomes the record's moves. A game with any fault is not loaded at all.
#pragma once

#include <functional>
#include <string>

#include "board/game.h"
#include "pgn/pgnlexer.h"

// Reads the next game from the lexer and, if it is free of faults, replaces
// the record with its start position and main line. On failure the record is
// unchanged and 'errorText' says why.
bool loadPgnGame(PgnLexer& lexer, CGame& record, std::string& errorText);

// Opens a PGN file for the lexer (see PgnLexer::openFile for 'stopCheck'),
// with 'shownName' naming it in the error texts. Devices are refused: a
// character device such as /dev/zero never ends, so reading one would never
// return.
bool openPgnFile(PgnLexer& lexer, const std::string& fileName, const std::string& shownName,
                 std::function<bool()> stopCheck, std::string& errorText);

// The text refusing a device as a PGN source: "Error (cannot read from a device): NAME".
std::string deviceRefusalText(const std::string& name);

// The same over the first game of a file; "Unable to open file \"%s\"" if it cannot be read.
bool loadPgnFile(const std::string& fileName, CGame& record, std::string& errorText);
