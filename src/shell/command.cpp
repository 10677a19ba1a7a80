#include "shell/command.h"

#include "shell/console.h"
#include "base/output.h"
#include "base/text.h"

#include <cctype>

namespace
{
const CCommandList* g_currentModeList = nullptr;
DeferredCommandHandler g_deferredCommand = nullptr;

bool equalIgnoringCase(const std::string& text, size_t length, const std::string& name)
{
    if (length > text.size() || length > name.size())
        return false;
    for (size_t i = 0; i < length; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}
}

CCommand::CCommand(const char* pattern, const char* parameterText, const char* description, CommandHandler handler,
                   int category, int modeMask)
    : m_namePattern(pattern), m_parameterText(parameterText), m_description(description), m_handler(handler),
      m_category(category), m_modeMask(modeMask)
{
    for (char c : m_namePattern)
    {
        if (c != '[' && c != ']')
            m_fullName += c;
    }
    size_t bracket = m_namePattern.find('[');
    m_shortLength = bracket == std::string::npos ? m_fullName.size() : bracket;
}

bool CCommand::matches(const std::string& line, std::string& args) const
{
    // Only the blank separates the command word; a tab is part of it.
    size_t blank = line.find(' ');
    size_t length = blank == std::string::npos ? line.size() : blank;
    bool named =
        (length == m_fullName.size() || length == m_shortLength) && equalIgnoringCase(line, length, m_fullName);
    if (!named)
        return false;
    args = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    return true;
}

const CCommand* CCommandList::find(const std::string& line, std::string& args) const
{
    for (const CCommand* command : m_commands)
    {
        if (command->matches(line, args))
            return command;
    }
    return nullptr;
}

bool CCommandList::dispatch(const std::string& line) const
{
    std::string args;
    if (const CCommand* command = find(line, args))
    {
        if (!command->handler())
            return false;
        command->handler()(args);
        return true;
    }
    // Not a command: perhaps a move typed without "usermove".
    const CCommand* command = find("usermove " + line, args);
    if (command && command->handler())
    {
        command->handler()(args);
        return true;
    }
    return false;
}

void setCurrentModeList(const CCommandList* list, DeferredCommandHandler deferred)
{
    g_currentModeList = list;
    g_deferredCommand = list ? deferred : nullptr;
}

const CCommandList* currentModeList() { return g_currentModeList; }

namespace
{
void dispatchSearchLine(const std::string& line)
{
    const CCommandList* list = currentModeList();
    if (!list)
    {
        output(" No command processor for command: %s\n", line.c_str());
        return;
    }
    // Only a line that names no command at all is taken for a move: a command for the idle
    // loop must not be answered with "Invalid move" while the engine ponders or analyses.
    std::string args;
    if (g_deferredCommand && !list->find(line, args) && modeList(MODE_IDLE).find(line, args))
    {
        g_deferredCommand(line);
        return;
    }
    list->dispatch(line);
}
}  // namespace

void dispatchSearchInput(const volatile int& stopRequest)
{
    pollInput();
    std::string line;
    while (stopRequest == 0 && takeLine(line))
    {
        line = trimmed(line);
        if (!line.empty())
            dispatchSearchLine(line);
        pollInput();
    }
}

void waitForSearchInput(const volatile int& stopRequest)
{
    CConsole& console = theConsole();
    std::string line;
    while (stopRequest == 0)
    {
        if (!console.readLineBlocking(line))
        {
            // The input has ended: only the closing "quit" is left. It ends this wait as any
            // quit would (its handler puts it back for the idle loop), and nothing else can come.
            if (console.takeLine(line))
                dispatchSearchLine(trimmed(line));
            return;
        }
        line = trimmed(line);
        if (!line.empty())
            dispatchSearchLine(line);
    }
}
