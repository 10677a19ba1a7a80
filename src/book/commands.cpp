// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "book/commands.h"

void handleBadd(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleBcreate(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleBk(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleBook(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleBset(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

