// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "game/commands.h"

void handleMoveNow(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleStatus(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleAnalyze(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleClock(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleDraw(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleEasy(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleExit(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleForce(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleGo(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleHard(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleKibitz(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleLevel(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleNew(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleQuit(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleBlack(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleWhite(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleComputer(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleIcs(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleNopost(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handlePost(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleOtim(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleProtover(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleResult(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleSt(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleSd(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleTime(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleXboard(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleEndTest(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleSetResign(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

