// Everything for reading PGN: the lexer, the game with its move tree, and the reader.
#pragma once

#include "board/pgngame.h"
#include "board/pgnlexer.h"
#include "board/pgnreader.h"
