#include "platform/terminal.h"

#include "platform/pipe.h"

#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
bool g_rawMode = false;
int g_rawFd = -1;
termios g_savedMode;

// An ESC that starts a key sequence is followed by the rest of it at once; a lone ESC key is not.
const int ESCAPE_SEQUENCE_WAIT_MS = 30;

int plainKey(unsigned char byte)
{
    if (byte == 127)  // most terminals send DEL for the Backspace key
        return 8;
    if (byte == 10)
        return 13;
    return byte;
}
}

bool isTerminal(int fd) { return isatty(fd) == 1; }

void restoreTerminalMode()
{
    if (g_rawMode)
    {
        tcsetattr(g_rawFd, TCSANOW, &g_savedMode);
        g_rawMode = false;
    }
}

void enterRawKeyMode(int fd)
{
    if (g_rawMode || !isTerminal(fd))
        return;
    if (tcgetattr(fd, &g_savedMode) != 0)
        return;
    termios raw = g_savedMode;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &raw) != 0)
        return;
    static bool registered = false;
    if (!registered)
    {
        registered = true;
        std::atexit(restoreTerminalMode);
    }
    g_rawFd = fd;
    g_rawMode = true;
}

int decodeEscapeSequence(const char* bytes, int length)
{
    if (length < 2 || (bytes[0] != '[' && bytes[0] != 'O'))
        return KEY_NONE;
    char final = bytes[length - 1];
    std::string body(bytes + 1, static_cast<size_t>(length - 2));
    bool ctrl = body.find(";5") != std::string::npos;
    switch (final)
    {
    case 'A':
        return KEY_EXTENDED | KEYCODE_UP;
    case 'B':
        return KEY_EXTENDED | KEYCODE_DOWN;
    case 'C':
        return KEY_EXTENDED | (ctrl ? KEYCODE_CTRL_RIGHT : KEYCODE_RIGHT);
    case 'D':
        return KEY_EXTENDED | (ctrl ? KEYCODE_CTRL_LEFT : KEYCODE_LEFT);
    case 'H':
        return KEY_EXTENDED | KEYCODE_HOME;
    case 'F':
        return KEY_EXTENDED | KEYCODE_END;
    case '~':
    {
        int number = std::atoi(body.c_str());
        switch (number)
        {
        case 1:
        case 7:
            return KEY_EXTENDED | KEYCODE_HOME;
        case 4:
        case 8:
            return KEY_EXTENDED | KEYCODE_END;
        case 2:
            return KEY_EXTENDED | KEYCODE_INSERT;
        case 3:
            return KEY_EXTENDED | KEYCODE_DELETE;
        case 5:
            return KEY_EXTENDED | KEYCODE_PAGE_UP;
        case 6:
            return KEY_EXTENDED | KEYCODE_PAGE_DOWN;
        default:
            return KEY_NONE;
        }
    }
    default:
        return KEY_NONE;
    }
}

int readKey(int fd, bool wait)
{
    if (!wait && bytesWaiting(fd) == 0)
        return KEY_NONE;
    unsigned char byte;
    if (readBytes(fd, reinterpret_cast<char*>(&byte), 1) != 1)
        return KEY_END_OF_INPUT;
    if (byte != 27)
        return plainKey(byte);
    if (!waitForInput(fd, ESCAPE_SEQUENCE_WAIT_MS))
        return 27;
    // Collect "[" or "O", parameter bytes, and the final byte (0x40..0x7e).
    char sequence[16];
    int length = 0;
    while (length < static_cast<int>(sizeof sequence))
    {
        char c;
        if (readBytes(fd, &c, 1) != 1)
            return KEY_END_OF_INPUT;
        sequence[length++] = c;
        if (length == 1)
        {
            if (c != '[' && c != 'O')
                return KEY_NONE;  // Alt+key: ignored like other unknown keys
            continue;
        }
        if (c >= 0x40 && c <= 0x7e)
            return decodeEscapeSequence(sequence, length);
        if (!waitForInput(fd, ESCAPE_SEQUENCE_WAIT_MS))
            return KEY_NONE;
    }
    return KEY_NONE;
}
