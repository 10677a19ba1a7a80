// Time-control commands: level, st, sd, time, otim and clock.
#include "game/commands.h"

#include "game/player.h"
#include "game/timecontrol.h"
#include "base/output.h"
#include "base/timevalue.h"

namespace
{
// The operator's share of a tournament clock (moving pieces, pressing the clock).
constexpr double OPERATOR_SHARE = 0.15;
}

void handleLevel(const std::string& args)
{
    if (!theTimeControl().setLevel(args))
        output("Error (Invalid time control): level\n");
}

void handleSt(const std::string& args)
{
    if (!theTimeControl().setFixedTime(args))
        output("Error (Invalid time control): st\n");
}

void handleSd(const std::string& args)
{
    // An unreadable depth keeps the limit.
    if (theTimeControl().setMaxDepth(args))
        thePlayer().setMaxDepth(theTimeControl().maxDepth());
}

void handleTime(const std::string& args)
{
    // An unreadable reading keeps the clock.
    theTimeControl().setEngineClockCentis(args);
}

void handleOtim(const std::string& args) { theTimeControl().setOpponentClockCentis(args); }

void handleClock(const std::string& args)
{
    CTimeValue total;
    if (!total.parseTime(args))
    {
        output("Invalid time format: %s\n", args.c_str());
        return;
    }
    CTimeValue operatorTime = total * OPERATOR_SHARE;
    CTimeValue computerTime = total - operatorTime;
    output("Real time: %s\n", total.formatTime().c_str());
    output("Operator time: %s\n", operatorTime.formatTime().c_str());
    output("Computer time: %s\n", computerTime.formatTime().c_str());
    theTimeControl().setEngineClock(computerTime.seconds());
}
