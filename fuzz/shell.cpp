// Whole command lines as a user or a GUI types them, one per line, through the idle
// command list (a line naming no command is read as a move). Commands that read or write
// files, wait for more input or run for long (analysis, pondering, perft, book imports)
// are left out, and every search is held to depth 2, so one input stays well under a second.
#include "fuzzsupport.h"

#include <set>
#include <vector>

#include "base/output.h"
#include "base/text.h"
#include "game/driver.h"
#include "game/thinking.h"
#include "search/search.h"
#include "shell/command.h"
#include "shell/hooks.h"

namespace
{
class CDiscardSink : public COutputSink
{
public:
    void write(const std::string&) override {}
};

const std::set<std::string> LEFT_OUT = {"analhash", "analyze", "badd",     "bcreate", "book",    "bset",     "epd",
                                        "endtest",  "hard",    "hash",     "hamm",    "kpktest", "load",     "loadeval",
                                        "memory",   "perf",    "perfc",    "perft",   "quit",    "saveeval", "sd",
                                        "tbanal",   "tbprobe", "testeval", "xboard"};

// Each line may cost a few milliseconds under the sanitizers (a board display, a depth-2
// search); a longer script says nothing new and only brings a run near the hang limit.
constexpr size_t MAX_LINES = 32;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size() && lines.size() < MAX_LINES)
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    static CDiscardSink discard;
    buildCommandTable();
    installOutputSinks(nullptr, &discard);
    installLayerHooks();
    theSearch().setObserver(&theThinkingOutput());
    theDriver().newGame();
    // Every input starts with "new", which clears the transposition table: a small one
    // keeps that from taking most of each run.
    modeList(MODE_IDLE).dispatch("hash 1");
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setUp();
    if (size == 0)
        return 0;
    const CCommandList& idle = modeList(MODE_IDLE);
    // The first byte picks the console or the WinBoard protocol for the lines that follow.
    idle.dispatch(data[0] & 1 ? "xboard" : "xboard off");
    idle.dispatch("new");
    idle.dispatch("force");
    for (const std::string& raw : linesOf(fuzzText(data + 1, size - 1)))
    {
        const std::string line = trimmed(raw);
        std::string args;
        const CCommand* command = idle.find(line, args);
        if (line.empty() || (command != nullptr && LEFT_OUT.count(command->fullName()) != 0))
            continue;
        idle.dispatch("sd 2");
        idle.dispatch(line);
    }
    return 0;
}
