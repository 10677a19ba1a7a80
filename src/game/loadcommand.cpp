// The l[oad] command: parses its argument text, loads the game record and prints through output().
#include "game/commands.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/input.h"
#include "base/output.h"
#include "base/text.h"
#include "board/game.h"
#include "game/display.h"
#include "game/loadcommand.h"
#include "pgn/pgnload.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace
{
const size_t MAX_ANSWER = 1000;

std::string trimmedRight(std::string text)
{
    while (!text.empty() && std::isspace((unsigned char)text.back()))
        text.pop_back();
    return text;
}

bool endsWithPgn(const std::string& name)
{
    if (name.size() < 3)
        return false;
    std::string tail = name.substr(name.size() - 3);
    for (char& c : tail)
        c = char(std::tolower((unsigned char)c));
    return tail == "pgn";
}

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower((unsigned char)x) < std::tolower((unsigned char)y);
    });
}

void reportLoad(bool loaded, const std::string& name, const std::string& errorText)
{
    if (!loaded)
    {
        output("%s\n", errorText.c_str());
        return;
    }
    output("Load of \"%s\" complete.\n", name.c_str());
    if (autoDisplay())
        displayBoard(theGame());
}

// 'path' is where the file is, 'shownName' what the texts call it.
void loadFile(const std::string& path, const std::string& shownName)
{
    PgnLexer lexer;
    std::string errorText;
    bool loaded =
        openPgnFile(lexer, path, shownName, inputAsksToStop, errorText) && loadPgnGame(lexer, theGame(), errorText);
    reportLoad(loaded, shownName, errorText);
}

void loadPasted(const LoadLineReader& readLine)
{
    output("Paste the PGN format game now.\nThis needs to end with one of: 1-0, 0-1, 1/2-1/2 or *\n");
    PgnLexer lexer([&readLine](std::string& line) { return readLine(line); });
    std::string errorText;
    bool loaded = loadPgnGame(lexer, theGame(), errorText);
    reportLoad(loaded, "-", errorText);
}

void listEntries(const std::string& directory, const std::vector<std::string>& entries)
{
    output("Directory: %s\n", directory.c_str());
    size_t width = 0;
    for (const std::string& entry : entries)
        width = std::max(width, entry.size());
    size_t columns = std::max<size_t>(1, 80 / (width + 6));
    size_t rows = (entries.size() + columns - 1) / columns;
    for (size_t row = 0; row < rows; ++row)
    {
        for (size_t column = 0; column < columns; ++column)
        {
            size_t index = row + column * rows;
            if (index < entries.size())
                output("%3d. %-*s ", int(index + 1), int(width), entries[index].c_str());
            else
                output("     %-*s ", int(width), "");
        }
        output("\n");
    }
}

// The same path as the process would report after changing into it, or
// 'directory' unchanged when it cannot be entered.
std::string enteredDirectory(const std::string& directory, const std::string& name)
{
    std::error_code error;
    fs::path target = fs::canonical(fs::path(directory) / name, error);
    if (error || !canEnterDirectory(target.string()))
        return directory;
    return target.string();
}

// The browser keeps the folder it shows in a string of its own: changing the
// process's current folder would move where later commands write their files.
void browse(const LoadLineReader& readLine)
{
    std::error_code error;
    std::string directory = fs::current_path(error).string();
    for (;;)
    {
        std::vector<std::string> entries = browserEntries(directory);
        listEntries(directory, entries);
        output("load [1..%d, q]:\n>", int(entries.size()));
        std::string answer;
        if (!readLine(answer))
            return;  // the input has ended: as if "q" were given
        if (answer.size() > MAX_ANSWER)
            answer.resize(MAX_ANSWER);
        answer = trimmedRight(answer);
        if (answer == "." || (!answer.empty() && (answer[0] == 'q' || answer[0] == 'Q')))
            return;
        if (answer == "..")
        {
            directory = enteredDirectory(directory, "..");
            continue;
        }
        char* end = nullptr;
        long number = std::strtol(answer.c_str(), &end, 10);
        if (end == answer.c_str() || number < 1 || number > long(entries.size()))
            continue;
        const std::string& entry = entries[size_t(number - 1)];
        if (!entry.empty() && entry.back() == '\\')
        {
            directory = enteredDirectory(directory, entry.substr(0, entry.size() - 1));
            continue;
        }
        loadFile((fs::path(directory) / entry).string(), entry);
        return;
    }
}
}

std::vector<std::string> browserEntries(const std::string& directory)
{
    std::vector<std::string> entries;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), last; !error && it != last; it.increment(error))
    {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (it->is_directory(typeError))
            entries.push_back(name + "\\");
        else if (endsWithPgn(name))
            entries.push_back(name);
    }
    // Listing order differs between systems; sorted by name the browser
    // shows the same list everywhere.
    std::sort(entries.begin(), entries.end(), lessIgnoringCase);
    entries.insert(entries.begin(), "..\\");
    return entries;
}

void runLoadCommand(const std::string& args, const LoadLineReader& readLine)
{
    std::string name = trimmed(args);
    if (name.empty())
        browse(readLine);
    else if (name == "-")
        loadPasted(readLine);
    else
        loadFile(name, name);
}

void handleLoad(const std::string& args)
{
    runLoadCommand(args, [](std::string& line) {
        if (!theInput().readLineBlocking(line))
            return false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    });
}
