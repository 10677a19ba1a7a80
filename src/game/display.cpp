// The console's board diagram.
#include "game/display.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/input.h"
#include "base/output.h"
#include "board/game.h"
#include "board/notation.h"
#include "platform/terminal.h"

namespace
{
// Half-moves listed beside the board at most.
constexpr int MOVES_SHOWN = 16;

bool g_autoDisplay = true;

std::string formatted(const char* format, int number, const char* text)
{
    char buffer[64];
    snprintf(buffer, sizeof buffer, format, number, text);
    return buffer;
}

std::string padded(const std::string& text)
{
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%-7s", text.c_str());
    return buffer;
}

// The text column right of the board.
std::vector<std::string> sideColumn(const CPosition& position, const CGame& game)
{
    std::vector<std::string> lines;
    lines.push_back(std::string(position.sideToMove() ? "White" : "Black") + " to play     ");
    lines.push_back("");

    const auto& entries = game.entries();
    const int last = int(entries.size()) - 1;
    int first = last - MOVES_SHOWN + 1;
    if (first < 1)
        first = 1;
    // The list starts at a White move unless the game itself starts with Black's.
    if (first > 1 && entries[size_t(first) - 1].position.sideToMove() == 0)
        ++first;
    std::string line;
    for (int i = first; i <= last; ++i)
    {
        const CPosition& before = entries[size_t(i) - 1].position;
        const std::string san = before.moveToSan(entries[size_t(i)].move);
        if (before.sideToMove())
        {
            if (!line.empty())
                lines.push_back(line);
            line = formatted("%3d. %-7s", before.moveNumber(), san.c_str());
        }
        else
        {
            if (line.empty())
                line = "  1...      ";
            line += " " + padded(san);
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty())
        lines.push_back(line);
    lines.push_back("---- ------- -------");
    return lines;
}
}  // namespace

std::string boardDiagram(const CPosition& position, const CGame& game, bool unicodeShading)
{
    const std::vector<std::string> column = sideColumn(position, game);
    size_t next = 0;
    auto columnLine = [&]() { return next < column.size() ? column[next++] : std::string(); };

    std::string text = "\n";
    text += "   abcdefgh      " + columnLine() + "\n";
    text += "  +--------+     " + columnLine() + "\n";
    for (int rank = 7; rank >= 0; --rank)
    {
        text += " " + std::to_string(rank + 1) + "|";
        for (int file = 0; file < 8; ++file)
        {
            const int code = position.pieceAt(rank, file);
            if (code != 0)
                text += PIECE_LETTERS[code + 6];
            else if (((file + rank) & 1) == 0)
                text += ' ';
            else if (unicodeShading)
                text += "\xe2\x96\x91";
            else
                text += '\xb0';
        }
        text += "|" + std::to_string(rank + 1) + "    " + columnLine() + "\n";
    }
    text += "  +--------+     " + columnLine() + "\n";
    text += "   abcdefgh      " + columnLine() + "\n";
    text += "\n\n";
    return text;
}

bool consoleShowsUtf8()
{
    // Both ends must be the terminal: output sent to a file or pipe keeps the plain byte.
    if (!theInput().isTerminal() || !isTerminal(1))
        return false;
    const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const char* name : names)
    {
        const char* value = getenv(name);
        if (value == nullptr || value[0] == '\0')
            continue;
        // The first variable that is set decides, as for the C library.
        std::string locale(value);
        for (char& c : locale)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return locale.find("utf-8") != std::string::npos || locale.find("utf8") != std::string::npos;
    }
    return false;
}

void displayBoard(const CPosition& position)
{
    const std::string text = boardDiagram(position, theGame(), consoleShowsUtf8());
    output("%s", text.c_str());
}

bool autoDisplay() { return g_autoDisplay; }

void setAutoDisplay(bool on) { g_autoDisplay = on; }
