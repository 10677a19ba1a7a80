// Thinking-output commands: the noise level and what principal variations show.
#include "game/commands.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/output.h"
#include "base/text.h"
#include "game/thinking.h"

void handleNoise(const std::string& args)
{
    // A whole number within int range; anything else would silently become 0 and
    // flood the console with thinking lines.
    std::string text = trimmed(args);
    char* end = nullptr;
    errno = 0;
    long long level = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || level < INT_MIN || level > INT_MAX)
    {
        output("Error (invalid noise level): %s\n", text.c_str());
        return;
    }
    theThinkingOutput().setNoiseLevel(int(level));
    output(" Noise level set to: %d\n", theThinkingOutput().noiseLevel());
}

void handleShowPvh(const std::string& /*args*/)
{
    CThinkingOutput& thinking = theThinkingOutput();
    thinking.setShowPvHashInfo(!thinking.showPvHashInfo());
    output(" Show hash key values in PV: %d\n", thinking.showPvHashInfo() ? 1 : 0);
}

void handleShowPvq(const std::string& /*args*/)
{
    CThinkingOutput& thinking = theThinkingOutput();
    thinking.setShowPvQuiescence(!thinking.showPvQuiescence());
    output(" Show quiescence moves in PV: %d\n", thinking.showPvQuiescence() ? 1 : 0);
}
