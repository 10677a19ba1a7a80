// The console's board diagram and the auto-display setting.
#pragma once

#include <string>

class CPosition;
class CGame;

// Prints the board of the position with the side to move and the recent moves of the game record.
void displayBoard(const CPosition& position);

// The diagram as text: the board on the left, the side to move and the last (up to 16)
// half-moves of the game on the right. An empty square of odd file + rank shows the byte
// 0xB0, or with unicodeShading the character U+2591 (one column wide, UTF-8 encoded).
std::string boardDiagram(const CPosition& position, const CGame& game, bool unicodeShading);

// Whether the console can show the UTF-8 shading character: a terminal with a UTF-8 locale.
bool consoleShowsUtf8();

// Print the board after every change of the position (on by default).
bool autoDisplay();
void setAutoDisplay(bool on);
