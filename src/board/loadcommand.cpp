// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "board/commands.h"

void handleLoad(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

