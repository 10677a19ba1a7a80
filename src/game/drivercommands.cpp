// Game-driver commands: analysis mode and its exit, the search status line, the game-end
// test and the resign threshold.
#include "game/commands.h"

#include "game/driver.h"
#include "game/player.h"
#include "search/search.h"
#include "base/output.h"

#include <cmath>
#include <cstdio>

void handleAnalyze(const std::string& /*args*/) { theDriver().analyse(); }

void handleExit(const std::string& /*args*/)
{
    // Accepted while analysing and during an EPD run. Analysis mode ends; an EPD run ends after
    // the test being searched, which this stops.
    CGameDriver& driver = theDriver();
    if (driver.engineState() != ENGINE_ANALYSING)
    {
        thePlayer().stop();
        return;
    }
    thePlayer().stop();
    driver.setEngineState(ENGINE_STOPPED);
}

void handleStatus(const std::string& /*args*/)
{
    int state = theDriver().engineState();
    if ((state == ENGINE_PLAYING || state == ENGINE_ANALYSING) && thePlayer().isBusy())
        output("%s", thePlayer().statusLine().c_str());
}

void handleEndTest(const std::string& /*args*/) { theDriver().gameFinishedTest(); }

void handleSetResign(const std::string& args)
{
    CGameDriver& driver = theDriver();
    if (!args.empty())
    {
        double pawns = 0.0;
        if (std::sscanf(args.c_str(), "%lf", &pawns) != 1 || !std::isfinite(pawns))
        {
            output(" Invalid resign score: \"%s\"\n", args.c_str());
            return;
        }
        // Beyond a mate score a threshold means nothing more; keep it in range.
        double millipawns = std::fmin(std::fabs(pawns) * 1000.0, 321000.0);
        driver.setResignThreshold(-int(millipawns));
    }
    const char* kind = driver.wild5() ? "wild 5" : "standard";
    if (driver.resignThreshold() == 0)
        output(" Resign score (for %s) set to: 0.000 pawns (DISABLED)\n", kind);
    else
        output(" Resign score (for %s) set to: %1.3f pawns\n", kind, driver.resignThreshold() * 0.001);
}
