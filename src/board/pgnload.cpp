#include "board/pgnload.h"

#include "board/pgngame.h"
#include "board/pgnreader.h"

bool loadPgnGame(PgnLexer& lexer, CGame& record, std::string& errorText)
{
    PgnGame game;
    completeSevenTagRoster(game);
    if (!readPgnGame(lexer, game, errorText))
    {
        if (errorText.empty())
            errorText = "Error: No PGN game found";
        return false;
    }
    // A faulty game would leave the record half loaded: refuse it whole.
    if (!errorText.empty())
        return false;

    std::string fen = game.tagValue("FEN");
    if (!fen.empty())
    {
        if (!record.setStartPosition(game.startPosition()))
        {
            errorText = "FEN invalid: \"" + fen + "\"";
            return false;
        }
    }
    else
        record.reset();
    for (Move move : game.mainLine())
        record.makeMove(move);
    return true;
}

bool loadPgnFile(const std::string& fileName, CGame& record, std::string& errorText)
{
    PgnLexer lexer;
    if (!lexer.openFile(fileName))
    {
        errorText = "Unable to open file \"" + fileName + "\"";
        return false;
    }
    return loadPgnGame(lexer, record, errorText);
}
