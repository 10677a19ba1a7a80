// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "eval/commands.h"

#include "board/board.h"
#include "board/game.h"
#include "eval/evaluate.h"
#include "eval/parameters.h"
#include "base/output.h"
#include "base/text.h"

namespace
{
std::string fileNameOrDefault(const std::string& args)
{
    std::string name = trimmed(args);
    return name.empty() ? evalFileBaseName() + ".eval" : name;
}
}

void handleScore(const std::string& /*args*/)
{
    // Only the idle loop takes this command, so no search is using the board.
    // A position the board refuses leaves the board as it was; score that.
    CBoard::load(theGame());
    printScore();
}

void handleLoadEval(const std::string& args)
{
    std::string errorText;
    if (loadEvalParameters(fileNameOrDefault(args), evalFileBaseName(), errorText))
    {
        output("Evaluation values loaded successfully.\n");
        return;
    }
    output("Information: %s\n", errorText.c_str());
    output("-- Default evaluation values will be used.\n");
}

void handleSaveEval(const std::string& args)
{
    std::string name = fileNameOrDefault(args);
    // Say so when nothing could be written: a silent failure would let the user
    // believe the values were kept.
    std::string errorText;
    if (!saveEvalParameters(name, evalFileBaseName(), errorText))
        output("Error (%s): %s\n", errorText.c_str(), name.c_str());
}
