// Keyboard input from an interactive terminal: raw keys without echo, editing keys decoded.
#pragma once

// True when fd is an interactive terminal.
bool isTerminal(int fd);

// Switches the terminal on fd to key-at-a-time input without echo (signal keys stay off too,
// so Ctrl+C arrives as a key). The previous mode is restored when the process exits.
// Does nothing if fd is not a terminal or the mode is already set.
void enterRawKeyMode(int fd);
void restoreTerminalMode();

// What readKey() delivers.
const int KEY_NONE = -1;          // nothing waiting (only when not asked to wait)
const int KEY_END_OF_INPUT = -2;  // the terminal was closed or read failed
const int KEY_EXTENDED = 0x100;   // flag: KEY_EXTENDED | code is an editing key, code as below
// Editing key codes (the classic PC keyboard scan codes).
const int KEYCODE_HOME = 71;
const int KEYCODE_UP = 72;
const int KEYCODE_PAGE_UP = 73;
const int KEYCODE_LEFT = 75;
const int KEYCODE_RIGHT = 77;
const int KEYCODE_END = 79;
const int KEYCODE_DOWN = 80;
const int KEYCODE_PAGE_DOWN = 81;
const int KEYCODE_INSERT = 82;
const int KEYCODE_DELETE = 83;
const int KEYCODE_CTRL_LEFT = 115;
const int KEYCODE_CTRL_RIGHT = 116;

// Reads one key from the terminal on fd. With wait false returns KEY_NONE when no key is waiting.
// Plain keys come as their byte (Backspace as 8, Enter as 13); escape sequences of editing keys
// come as KEY_EXTENDED | code; unknown sequences are swallowed and give KEY_NONE.
int readKey(int fd, bool wait);

// Decodes the bytes of one escape sequence after the ESC ("[A", "[1;5D", "OH", "[3~" ...).
// Returns KEY_EXTENDED | code, or KEY_NONE for a sequence that is not an editing key.
int decodeEscapeSequence(const char* bytes, int length);
