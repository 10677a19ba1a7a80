#include "pgn/pgnload.h"

#include "pgn/pgngame.h"
#include "pgn/pgnreader.h"
#include "platform/files.h"

bool loadPgnGame(PgnLexer& lexer, CGame& record, std::string& errorText)
{
    PgnGame game;
    completeSevenTagRoster(game);
    bool found = readPgnGame(lexer, game, errorText);
    if (lexer.stopped())
    {
        // What was read is only the start of the game.
        errorText = "Error: Reading stopped before the end of the game";
        return false;
    }
    if (!found)
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

std::string deviceRefusalText(const std::string& name) { return "Error (cannot read from a device): " + name; }

bool openPgnFile(PgnLexer& lexer, const std::string& fileName, const std::string& shownName,
                 std::function<bool()> stopCheck, std::string& errorText)
{
    if (fileKind(fileName) == FileKind::DEVICE)
    {
        errorText = deviceRefusalText(shownName);
        return false;
    }
    if (!lexer.openFile(fileName, std::move(stopCheck)))
    {
        errorText = "Unable to open file \"" + shownName + "\"";
        return false;
    }
    return true;
}

bool loadPgnFile(const std::string& fileName, CGame& record, std::string& errorText)
{
    PgnLexer lexer;
    if (!openPgnFile(lexer, fileName, fileName, {}, errorText))
        return false;
    return loadPgnGame(lexer, record, errorText);
}
