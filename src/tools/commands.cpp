// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "tools/commands.h"

#include "base/output.h"
#include "tools/epd.h"
#include "tools/evaltest.h"

void handleTestEval(const std::string& /*args*/) { runEvaluationSymmetryTest(100000); }

void handleEpd(const std::string& args)
{
    EpdRunSettings settings;
    if (!parseEpdArguments(args, settings))
    {
        output("Invalid parameters\n");
        return;
    }
    runEpdSuite(settings);
}
