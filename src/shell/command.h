// Commands, the command table and its mode lists, and dispatching input lines to handlers.
#pragma once

#include <string>
#include <vector>

// The modes (MODE_IDLE ...) and the deferred-command handler are the input service's.
#include "base/input.h"

// Help categories.
const int CATEGORY_MAIN = 0;
const int CATEGORY_BOOK = 1;
const int CATEGORY_SETTINGS = 2;
const int CATEGORY_WINBOARD = 3;
const int CATEGORY_TEST = 4;
const int CATEGORY_COUNT = 5;

// A handler gets the text after the command word.
typedef void (*CommandHandler)(const std::string& args);

class CCommand
{
public:
    // pattern: the name, with the part that may be left out in brackets ("u[ndo]").
    // handler: nullptr for commands that are accepted and ignored.
    CCommand(const char* pattern, const char* parameterText, const char* description, CommandHandler handler,
             int category, int modeMask);

    // True when the line's first word is the full name or its short form (ignoring case);
    // args then receives the text after the first blank ("" without a blank).
    bool matches(const std::string& line, std::string& args) const;

    const std::string& namePattern() const { return m_namePattern; }
    const std::string& fullName() const { return m_fullName; }
    const std::string& parameterText() const { return m_parameterText; }
    const std::string& description() const { return m_description; }
    CommandHandler handler() const { return m_handler; }
    int category() const { return m_category; }
    int modeMask() const { return m_modeMask; }

private:
    std::string m_namePattern;
    std::string m_fullName;
    size_t m_shortLength;
    std::string m_parameterText;
    std::string m_description;
    CommandHandler m_handler;
    int m_category;
    int m_modeMask;
};

class CCommandList
{
public:
    void add(const CCommand* command) { m_commands.push_back(command); }
    // The first command, in list order, that the line names; nullptr if none.
    const CCommand* find(const std::string& line, std::string& args) const;
    // Runs the handler of the command the line names. A line naming no command is tried again
    // as "usermove " + line. Returns true when a handler ran; unknown lines are dropped silently.
    bool dispatch(const std::string& line) const;

    size_t size() const { return m_commands.size(); }
    const CCommand* at(size_t index) const { return m_commands[index]; }
    std::vector<const CCommand*>::const_iterator begin() const { return m_commands.begin(); }
    std::vector<const CCommand*>::const_iterator end() const { return m_commands.end(); }

private:
    std::vector<const CCommand*> m_commands;
};

// Builds the table of all commands, the five mode lists and the two of a UCI session (once;
// later calls do nothing).
void buildCommandTable();
// The full table in its fixed order, and the list of commands accepted in one mode
// (modeBit is one of the MODE_ constants). Both build the table if needed.
const CCommandList& commandTable();
const CCommandList& modeList(int modeBit);

// The mode list used for input read while a search runs; nullptr when none is installed.
// The thinking, pondering, analysing and EPD loops install theirs for the length of the search.
// With a deferred-command handler, an idle-loop command (new, remove, go, ...) goes to it instead
// of being retried as a move; without one such a line is dispatched as the list would.
void setCurrentModeList(const CCommandList* list, DeferredCommandHandler deferred = nullptr);
const CCommandList* currentModeList();

// Input during a search: call at the search's regular input check (every 2048 nodes).
// Reads what is waiting on the input without blocking, then, as long as stopRequest is 0
// (running), takes each completed line, trims it, skips it if empty, and dispatches it through
// the current mode list; without a current list it prints " No command processor for command: %s\n".
// After each line the input is polled again. A handler that stops the search sets stopRequest,
// which ends the loop: the lines still queued stay for the loop that reads next.
void dispatchSearchInput(const volatile int& stopRequest);

// Input while a search has nothing left to search but must not end yet (an analysis of a
// finished position): blocks on the console for whole lines and dispatches them as
// dispatchSearchInput does, until a handler sets stopRequest. At the end of the input the
// closing "quit" is dispatched too, so the search's loop ends and the program with it.
void waitForSearchInput(const volatile int& stopRequest);
