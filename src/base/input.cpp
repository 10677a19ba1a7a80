#include "base/input.h"

#include <vector>

#include "base/text.h"

namespace
{
// The input of a program part that runs without the shell (tests, tools).
class CNoInput : public CInputService
{
public:
    void pollInput() override {}
    bool takeLine(std::string&) override { return false; }
    void requeueFront(const std::string&) override {}
    bool readLineBlocking(std::string&) override { return false; }
    bool endOfInput() const override { return false; }
    void setPrompt(const std::string&) override {}
    bool isTerminal() const override { return false; }
    void selectSearchMode(int, DeferredCommandHandler) override {}
    bool dispatchIdleCommand(const std::string&) override { return false; }
    void waitForCommands(const volatile int&) override {}
};

CInputService* g_service = nullptr;
}

void installInputService(CInputService* service) { g_service = service; }

CInputService& theInput()
{
    static CNoInput noInput;
    return g_service ? *g_service : noInput;
}

bool inputAsksToStop()
{
    CInputService& input = theInput();
    input.pollInput();
    std::vector<std::string> lines;
    std::string line;
    while (input.takeLine(line))
        lines.push_back(line);
    bool stop = input.endOfInput();
    // Put back in reverse order: each goes to the front, so the queue is as it was.
    for (size_t i = lines.size(); i-- > 0;)
    {
        std::string word = trimmed(lines[i]);
        stop = stop || equalsIgnoringCase(word, "quit") || equalsIgnoringCase(word, "exit");
        input.requeueFront(lines[i]);
    }
    return stop;
}
