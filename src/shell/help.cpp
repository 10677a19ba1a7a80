#include "shell/help.h"

#include "shell/command.h"
#include "base/output.h"
#include "base/text.h"

#include <cctype>
#include <cstdio>

namespace
{
const size_t WRAP_WIDTH = 79;
const size_t WRAP_INDENT = 32;
const size_t NAME_LIST_WIDTH = 78;

const char* const CATEGORY_KEYS[CATEGORY_COUNT] = {"main", "book", "settings", "winboard", "test"};
const char* const CATEGORY_TITLES[CATEGORY_COUNT] = {"Main", "Book", "Settings", "Winboard", "Test"};
const char* const CATEGORY_HEADERS[CATEGORY_COUNT] = {
    " Category: Main\n --------------\n",         " Category: Book\n --------------\n",
    " Category: Settings\n ------------------\n", " Category: Winboard\n ------------------\n",
    " Category: Test\n --------------\n",
};

// The category the argument names by a prefix of its name (ignoring case), or -1.
int selectedCategory(const std::string& args)
{
    if (args.empty())
        return -1;
    for (int category = 0; category < CATEGORY_COUNT; ++category)
    {
        std::string key = CATEGORY_KEYS[category];
        if (args.size() > key.size())
            continue;
        bool prefix = true;
        for (size_t i = 0; i < args.size() && prefix; ++i)
            prefix = std::tolower(static_cast<unsigned char>(args[i])) == key[i];
        if (prefix)
            return category;
    }
    return -1;
}

void printNameList(int category)
{
    std::string line;
    for (const CCommand* command : commandTable())
    {
        if (command->category() != category)
            continue;
        const std::string& name = command->namePattern();
        if (line.empty())
        {
            line = name;
        }
        else if (4 + line.size() + 2 + name.size() > NAME_LIST_WIDTH)
        {
            output("    %s\n", line.c_str());
            line = name;
        }
        else
        {
            line += ", " + name;
        }
    }
    if (!line.empty())
        output("    %s\n", line.c_str());
    output("\n");
}

void printOverview()
{
    output("\n");
    output(" Help\n ----\n");
    output("    If you would like more detailed help on the available commands below\n");
    output("    then you need to type \"help category\" to get help on the commands\n");
    output("    within that category.  For example, to get help on the commands in\n");
    output("    the Main category, you need to type \"help main\".\n");
    output("\n");
    for (int category = 0; category < CATEGORY_COUNT; ++category)
    {
        output("%s", CATEGORY_HEADERS[category]);
        printNameList(category);
    }
}

void printCategory(int category)
{
    output("\n");
    std::string title = std::string(CATEGORY_TITLES[category]) + " Command";
    output(" %-28s Description\n", title.c_str());
    output(" ---------------------------- -------------------------------------------------\n");
    for (const CCommand* command : commandTable())
    {
        if (command->category() != category)
            continue;
        std::string usage = command->namePattern() + " " + command->parameterText();
        char first[4096];
        std::snprintf(first, sizeof first, " %-28s %s\n", usage.c_str(), command->description().c_str());
        output("%s", wrapHelpLine(first).c_str());
    }
    output("\n");
}
}

std::string wrapHelpLine(const std::string& text) { return wrapText(text, int(WRAP_WIDTH), int(WRAP_INDENT)); }

void handleHelp(const std::string& args)
{
    int category = selectedCategory(args);
    if (category < 0)
        printOverview();
    else
        printCategory(category);
}
