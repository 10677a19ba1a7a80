#include "pgn/pgnreader.h"

#include <climits>
#include <cstdio>

#include "base/text.h"

namespace
{
std::string lineError(const PgnLexer& lexer, const std::string& what)
{
    return "Error: Line " + std::to_string(lexer.lineNumber()) + ": " + what;
}

int32_t glyphNumber(const std::string& digits)
{
    long long value = 0;
    for (char c : digits)
    {
        value = value * 10 + (c - '0');
        if (value > INT32_MAX)
            return INT32_MAX;
    }
    return int32_t(value);
}

// After a fault inside a variation: pass over the rest of it, nested
// variations included. A game end or "[" is left for the game reader.
void skipVariation(PgnLexer& lexer)
{
    for (int depth = 0;;)
    {
        int kind = lexer.nextToken(true);
        if (kind == PGN_END_OF_INPUT)
            return;
        if (kind == PGN_GAME_END || kind == PGN_OPEN_BRACKET)
        {
            lexer.pushBack();
            return;
        }
        if (kind == PGN_OPEN_PAREN)
            ++depth;
        else if (kind == PGN_CLOSE_PAREN && depth-- == 0)
            return;
    }
}

// Tag pairs: "[" name value "]", one or more to a line. The first word is the
// name even when it looks like a move (Round, Black, Result, ...); the value
// ends at "]" or at the end of the line. Returns the number of pairs read;
// 'unterminatedLine' gets the line of the first pair whose "]" is missing
// (a file cut off inside its tags, a string left open), 0 when there is none.
int readTags(PgnLexer& lexer, PgnGame& game, int& unterminatedLine)
{
    int pairs = 0;
    unterminatedLine = 0;
    int kind = lexer.nextToken(true);
    while (kind == PGN_OPEN_BRACKET)
    {
        int line = lexer.lineNumber();
        std::string name, value;
        kind = lexer.nextToken(false);
        if (kind == PGN_SYMBOL || kind == PGN_MOVE)
            name = lexer.tokenText();
        else
            lexer.pushBack();
        bool empty = kind == PGN_END_OF_INPUT;
        for (;;)
        {
            kind = lexer.nextToken(false);
            if (kind == PGN_END_OF_INPUT)
                lexer.pushBack();
            if (kind == PGN_END_OF_INPUT || kind == PGN_END_OF_LINE)
            {
                if (unterminatedLine == 0)
                    unterminatedLine = line;
                break;
            }
            if (kind == PGN_CLOSE_BRACKET)
                break;
            if (!lexer.tokenText().empty())
                value += (value.empty() ? "" : " ") + lexer.tokenText();
        }
        if (!empty)
        {
            game.setTag(name.empty() ? "InvalidTag" : name, trimmedBlanks(value));
            ++pairs;
        }
        kind = lexer.nextToken(true);
    }
    lexer.pushBack();
    return pairs;
}

// Passes over what is left of a game: up to its end marker, or up to the next
// game's tags, which stay for the next game.
void skipRestOfGame(PgnLexer& lexer)
{
    for (;;)
    {
        int kind = lexer.nextToken(true);
        if (kind == PGN_END_OF_INPUT || kind == PGN_GAME_END)
            return;
        if (kind == PGN_OPEN_BRACKET)
        {
            lexer.pushBack();
            return;
        }
    }
}

bool readLine(PgnLexer& lexer, const CPosition& start, PgnGame& game, PgnNode* node, int depth, std::string& errorText)
{
    CPosition position = start;
    CPosition beforeLast = start;  // position before the last move of this line
    PgnNode* lastMoveParent = nullptr;
    for (;;)
    {
        int kind = lexer.nextToken(true);
        switch (kind)
        {
        case PGN_END_OF_INPUT:
            return true;
        case PGN_GAME_END:
        case PGN_OPEN_BRACKET:
        case PGN_CLOSE_PAREN:
            lexer.pushBack();
            return true;
        case PGN_SYMBOL:
            // A word with a digit in it names a square: a move in a notation
            // the reader does not know (German "Sf3") or a null move ("Z0").
            // Passing over it would give the next move to the wrong side.
            if (lexer.tokenText().find_first_of("0123456789") == std::string::npos)
                break;
            // fall through
        case PGN_MOVE:
        {
            Move move = NO_MOVE;
            if (!position.parseMove(lexer.tokenText(), move))
            {
                char number[40];
                std::snprintf(number, sizeof number, "%d.%s", position.moveNumber(),
                              position.sideToMove() == WHITE ? "" : "..");
                errorText = lineError(lexer, std::string("Invalid move: ") + number + " \"" + lexer.tokenText() + "\"");
                if (depth > 0)
                    skipVariation(lexer);
                return false;
            }
            PgnNode* child = node->childWithMove(move);
            if (!child)
                child = game.addChild(node, move);
            lastMoveParent = node;
            node = child;
            beforeLast = position;
            position.makeMove(move);
            break;
        }
        case PGN_OPEN_PAREN:
        {
            if (depth + 1 > PGN_MAX_VARIATION_DEPTH)
            {
                errorText = lineError(lexer, "Variations nested too deeply");
                skipVariation(lexer);
                return false;
            }
            // An alternative to the last move, played from the position before
            // it; before any move, an alternative to the move that follows.
            PgnNode* anchor = lastMoveParent ? lastMoveParent : node;
            while (anchor->isVariation())
                anchor = anchor->parent();
            PgnNode* variation = game.addChild(anchor, NO_MOVE);
            if (!readLine(lexer, lastMoveParent ? beforeLast : position, game, variation, depth + 1, errorText))
                return false;
            if (lexer.nextToken(true) != PGN_CLOSE_PAREN)
            {
                lexer.pushBack();
                errorText = lineError(lexer, "Missing ')' after variation");
                return false;
            }
            break;
        }
        case PGN_GLYPH:
            node->setAnnotation(glyphNumber(lexer.tokenText()));
            break;
        case PGN_COMMENT:
            node->appendComment(lexer.tokenText());
            break;
        default:
            // Move numbers, periods and anything else carry nothing here.
            break;
        }
    }
}
}

bool readMoveText(PgnLexer& lexer, const CPosition& position, PgnGame& game, PgnNode* node, std::string& errorText)
{
    int depth = 0;
    for (const PgnNode* n = node; n; n = n->parent())
        depth += n->isVariation() ? 1 : 0;
    return readLine(lexer, position, game, node, depth, errorText);
}

bool readPgnGame(PgnLexer& lexer, PgnGame& game, std::string& errorText)
{
    for (;;)
    {
        errorText.clear();
        game.clear();
        // A game starts with its tags, or, with no tags at all, with its move
        // text (a move number or a move); anything else between games is passed over.
        // Bare move text is read as a game rather than skipped: a user pasting
        // "1. e4 e5 *" into load, or building a book from an export without tag
        // pairs, would otherwise lose those games without a word.
        int kind;
        do
            kind = lexer.nextToken(true);
        while (kind != PGN_OPEN_BRACKET && kind != PGN_MOVE && kind != PGN_INTEGER && kind != PGN_END_OF_INPUT);
        if (kind == PGN_END_OF_INPUT)
            return false;
        lexer.pushBack();
        bool tagless = kind != PGN_OPEN_BRACKET;

        CPosition start;
        if (!tagless)
        {
            int unterminatedLine = 0;
            if (readTags(lexer, game, unterminatedLine) == 0)
            {
                errorText = lineError(lexer, "No PGN Headers found");
                return true;
            }
            if (unterminatedLine != 0)
            {
                // A cut-off file would otherwise load as an empty game without a word.
                errorText = "Error: Line " + std::to_string(unterminatedLine) + ": Unterminated tag pair";
                skipRestOfGame(lexer);
                return true;
            }
            std::string fen = game.tagValue("FEN");
            if (!fen.empty() && !start.setFromFen(fen))
            {
                errorText = lineError(lexer, "Invalid start position");
                return true;
            }
        }
        game.setStartPosition(start);

        readMoveText(lexer, start, game, &game.root(), errorText);
        skipRestOfGame(lexer);
        // A stray number between games, with neither tags nor moves, is no game.
        if (tagless && errorText.empty() && game.root().children().empty())
            continue;
        return true;
    }
}
