// Everything for reading PGN: the lexer, the game with its move tree, and the reader.
#pragma once

#include "pgn/pgngame.h"
#include "pgn/pgnlexer.h"
#include "pgn/pgnreader.h"
