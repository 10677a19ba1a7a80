#include "shell/hooks.h"

#include "base/input.h"
#include "board/board.h"
#include "search/search.h"
#include "shell/command.h"
#include "shell/console.h"

namespace
{
// The input service on the process console, with the command table's mode lists.
class CShellInput : public CInputService
{
public:
    void pollInput() override { theConsole().pollInput(); }
    bool takeLine(std::string& line) override { return theConsole().takeLine(line); }
    void requeueFront(const std::string& line) override { theConsole().pushLineFront(line); }
    bool readLineBlocking(std::string& line) override { return theConsole().readLineBlocking(line); }
    bool endOfInput() const override { return theConsole().endOfInput(); }
    void setPrompt(const std::string& text) override { theConsole().setPrompt(text); }
    bool isTerminal() const override { return theConsole().isTerminal(); }

    void selectSearchMode(int modeBit, DeferredCommandHandler deferred) override
    {
        setCurrentModeList(modeBit != 0 ? &modeList(modeBit) : nullptr, deferred);
    }
    bool dispatchIdleCommand(const std::string& line) override { return modeList(MODE_IDLE).dispatch(line); }
    void waitForCommands(const volatile int& stopRequest) override { waitForSearchInput(stopRequest); }
};
}

void installLayerHooks()
{
    static CShellInput shellInput;
    installInputService(&shellInput);
    theSearch().setInputPoll(dispatchSearchInput);
    CBoard::setExchangeEvaluator(&CSearch::staticExchange);
}
