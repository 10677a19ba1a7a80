// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "game/commands.h"

void handleFen(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleSetboard(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleDisplay(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleAutod(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleUndo(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleRedo(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleUndoAll(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleRedoAll(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleRemove(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleGoto(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleUsermove(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

