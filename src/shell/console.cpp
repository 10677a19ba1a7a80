#include "shell/console.h"

#include "base/text.h"
#include "platform/pipe.h"
#include "platform/terminal.h"

#include <algorithm>

namespace
{
CConsole* g_inputSource = nullptr;

const int CHAR_BACKSPACE = 8;
const int CHAR_LINE_FEED = 10;
const int CHAR_CARRIAGE_RETURN = 13;
const int CHAR_ESCAPE = 27;
const int CHAR_END_OF_TRANSMISSION = 4;  // Ctrl+D on a terminal

bool isBlank(char c) { return c == ' '; }
}

CConsole::CConsole() : CConsole(0, 1, ::isTerminal(0)) {}

CConsole::CConsole(int inputFd, int outputFd, bool terminal)
    : m_inputFd(inputFd), m_outputFd(outputFd), m_terminal(terminal), m_readBuffer(terminal ? 0 : READ_CHUNK)
{
}

void CConsole::prepareTerminal()
{
    if (m_terminal && !m_terminalPrepared)
    {
        m_terminalPrepared = true;
        enterRawKeyMode(m_inputFd);
    }
}

void CConsole::writeOut(const std::string& bytes)
{
    if (m_outputClosed)
        return;
    if (!writeAll(m_outputFd, bytes.data(), bytes.size()))
        markOutputClosed();
}

// ---------------------------------------------------------------------------------------------
// Input

void CConsole::injectInput(const std::string& bytes)
{
    if (m_injectedPos == m_injected.size())
    {
        m_injected.clear();
        m_injectedPos = 0;
    }
    m_injected += bytes;
}

void CConsole::markEndOfInput()
{
    if (m_endOfInput)
        return;
    m_endOfInput = true;
    // A last line without its line end still counts; then the engine ends as after "quit".
    if (!m_editLine.empty())
        completeLine();
    m_queue.push_back("quit");
    m_endLineQueued = true;
}

void CConsole::markOutputClosed()
{
    if (m_outputClosed)
        return;
    m_outputClosed = true;
    // Nobody reads what the engine says any more, so nothing it does from here on matters:
    // it ends as after "quit". A line still being typed was never sent and is not run; lines
    // already complete are, as at the end of input.
    m_editLine.clear();
    m_editCursor = 0;
    markEndOfInput();
}

void CConsole::feedBytes(const char* bytes, size_t count)
{
    for (size_t i = 0; i < count && !m_outputClosed; ++i)
        feedChar(static_cast<unsigned char>(bytes[i]));
}

bool CConsole::readIntoEditor(size_t count)
{
    if (m_readBuffer.size() < count)
        m_readBuffer.resize(count);
    long n = readBytes(m_inputFd, m_readBuffer.data(), count);
    if (n <= 0)
        return false;
    feedBytes(m_readBuffer.data(), static_cast<size_t>(n));
    return true;
}

void CConsole::readCharBlocking()
{
    if (m_injectedPos < m_injected.size())
    {
        pollInput();
        return;
    }
    if (m_endOfInput)
        return;
    if (m_terminal)
    {
        prepareTerminal();
        int key = readKey(m_inputFd, true);
        if (key != KEY_NONE)
            feedKey(key);
        return;
    }
    // A blocking read returns as soon as anything has arrived, with all of it that fits.
    if (!readIntoEditor(std::max(m_readBuffer.size(), READ_CHUNK)))
        markEndOfInput();  // end of file, or a pipe that can no longer be read
}

bool CConsole::feedKey(int key)
{
    // The end-of-input code is negative and would look like an editing key: test it first.
    if (key == KEY_END_OF_INPUT || (key == CHAR_END_OF_TRANSMISSION && m_editLine.empty()))
    {
        markEndOfInput();
        return false;
    }
    if (key & KEY_EXTENDED)
        feedEditingKey(key & ~KEY_EXTENDED);
    else
        feedChar(key);
    return true;
}

void CConsole::pollInput()
{
    if (m_injectedPos < m_injected.size())
    {
        size_t from = m_injectedPos;
        m_injectedPos = m_injected.size();
        feedBytes(m_injected.data() + from, m_injected.size() - from);
        return;
    }
    if (m_endOfInput)
        return;
    if (m_terminal)
        prepareTerminal();
    // One query tells both whether input waits and whether the output still has a reader:
    // a search that prints nothing for minutes must still notice that the user interface left.
    bool outputGone = false;
    long waiting = bytesWaiting(m_inputFd, m_outputFd, outputGone);
    if (outputGone)
    {
        markOutputClosed();
        return;
    }
    if (waiting == 0)
        return;
    if (m_terminal)
    {
        // Keys come one at a time; a terminal holds a few kilobytes of them at most.
        for (;;)
        {
            int key = readKey(m_inputFd, false);
            if (key == KEY_NONE)
            {
                if (bytesWaiting(m_inputFd) == 0)
                    break;
                continue;  // an unknown key sequence was swallowed
            }
            if (!feedKey(key) || m_endOfInput)
                break;
        }
        return;
    }
    // -1: readable without a count, which on a pipe means its end; read() tells for sure.
    size_t count = waiting < 0 ? READ_CHUNK : std::min(static_cast<size_t>(waiting), POLL_READ_LIMIT);
    if (!readIntoEditor(count))
        markEndOfInput();
}

bool CConsole::takeLine(std::string& line)
{
    if (m_queue.empty())
        return false;
    line = std::move(m_queue.front());
    m_queue.pop_front();
    if (m_queue.empty())
        m_endLineQueued = false;
    return true;
}

void CConsole::pushLineFront(const std::string& line) { m_queue.push_front(line); }

bool CConsole::readLineBlocking(std::string& line)
{
    for (;;)
    {
        if (m_endLineQueued && m_queue.size() == 1)
            return false;
        if (takeLine(line))
            return true;
        if (m_endOfInput && m_injectedPos >= m_injected.size())
            return false;
        readCharBlocking();
    }
}

// ---------------------------------------------------------------------------------------------
// Line editor

void CConsole::completeLine()
{
    if (!m_editLine.empty())
    {
        if (m_history.size() >= HISTORY_KEEP)
            m_history.erase(m_history.begin(), m_history.end() - static_cast<long>(HISTORY_KEEP));
        m_history.push_back(m_editLine);
        m_historyCursor = m_history.size();
    }
    // The protocol is known from the first line, before the lines that came with it are
    // answered: everything a UCI interface reads must be a UCI line.
    if (!m_firstLineSeen)
    {
        std::string line = trimmed(m_editLine);
        m_firstLineSeen = !line.empty();
        m_uci = line == "uci";
    }
    m_queue.push_back(m_editLine);
    m_editLine.clear();
    m_editCursor = 0;
    if (!m_uci || m_terminal)
        writeOut("\r\n");
    if (m_terminal)
    {
        m_screenLine.assign(SCREEN_WIDTH, ' ');
        m_screenColumn = 0;
        redrawBottomLine();
    }
}

void CConsole::feedChar(int c)
{
    // Each of the two line-end bytes completes a line: "\r\n" queues the line and then an empty
    // one (which the command loops skip), and each is answered by "\r\n" on the output.
    if (c == CHAR_CARRIAGE_RETURN || c == CHAR_LINE_FEED)
    {
        completeLine();
        return;
    }
    if (c == CHAR_BACKSPACE)
    {
        if (m_editCursor > 0)
        {
            m_editLine.erase(m_editCursor - 1, 1);
            --m_editCursor;
            changed();
        }
        return;
    }
    if (c == CHAR_ESCAPE)
    {
        m_editLine.clear();
        m_editCursor = 0;
        changed();
        return;
    }
    if (c >= 32 && c <= 126)
    {
        m_editLine.insert(m_editCursor, 1, static_cast<char>(c));
        ++m_editCursor;
        changed();
    }
}

void CConsole::feedEditingKey(int code)
{
    switch (code)
    {
    case KEYCODE_HOME:
        m_editCursor = 0;
        break;
    case KEYCODE_UP:
        if (m_historyCursor > 0)
        {
            --m_historyCursor;
            m_editLine = m_history[m_historyCursor];
            m_editCursor = m_editLine.size();
        }
        break;
    case KEYCODE_PAGE_UP:
        if (!m_history.empty())
        {
            m_historyCursor = 0;
            m_editLine = m_history[0];
            m_editCursor = m_editLine.size();
        }
        break;
    case KEYCODE_LEFT:
        if (m_editCursor > 0)
            --m_editCursor;
        break;
    case KEYCODE_RIGHT:
        if (m_editCursor < m_editLine.size())
            ++m_editCursor;
        break;
    case KEYCODE_END:
        m_editCursor = m_editLine.size();
        break;
    case KEYCODE_DOWN:
        if (m_historyCursor < m_history.size())
            ++m_historyCursor;
        m_editLine = m_historyCursor < m_history.size() ? m_history[m_historyCursor] : std::string();
        m_editCursor = m_editLine.size();
        break;
    case KEYCODE_PAGE_DOWN:
        m_historyCursor = m_history.size();
        m_editLine.clear();
        m_editCursor = 0;
        break;
    case KEYCODE_INSERT:
    case KEYCODE_DELETE:
        if (m_editCursor < m_editLine.size())
            m_editLine.erase(m_editCursor, 1);
        break;
    case KEYCODE_CTRL_LEFT:
        while (m_editCursor > 0 && isBlank(m_editLine[m_editCursor - 1]))
            --m_editCursor;
        while (m_editCursor > 0 && !isBlank(m_editLine[m_editCursor - 1]))
            --m_editCursor;
        break;
    case KEYCODE_CTRL_RIGHT:
        while (m_editCursor < m_editLine.size() && !isBlank(m_editLine[m_editCursor]))
            ++m_editCursor;
        while (m_editCursor < m_editLine.size() && isBlank(m_editLine[m_editCursor]))
            ++m_editCursor;
        break;
    default:
        return;
    }
    changed();
}

void CConsole::changed()
{
    if (m_terminal)
        redrawBottomLine();
}

void CConsole::setPrompt(const std::string& text)
{
    m_prompt = text;
    if (m_terminal)
        redrawBottomLine();
}

// ---------------------------------------------------------------------------------------------
// Output

void CConsole::moveCursorTo(size_t column)
{
    if (column < m_screenColumn)
    {
        if (column < m_screenColumn - column)
            writeOut("\r" + m_screenLine.substr(0, column));
        else
            writeOut(std::string(m_screenColumn - column, '\b'));
    }
    else if (column > m_screenColumn)
    {
        writeOut(m_screenLine.substr(m_screenColumn, column - m_screenColumn));
    }
    m_screenColumn = column;
}

void CConsole::showLine(const std::string& text)
{
    std::string line = text.substr(0, SCREEN_WIDTH);
    line.resize(SCREEN_WIDTH, ' ');
    size_t first = 0;
    while (first < SCREEN_WIDTH && line[first] == m_screenLine[first])
        ++first;
    if (first == SCREEN_WIDTH)
        return;
    size_t last = SCREEN_WIDTH - 1;
    while (line[last] == m_screenLine[last])
        --last;
    moveCursorTo(first);
    writeOut(line.substr(first, last - first + 1));
    m_screenLine = line;
    m_screenColumn = last + 1;
}

void CConsole::showOutputLine(const std::string& text)
{
    showLine(text);
    // Terminals here keep the cursor on a completely written line, so every output line ends
    // with an explicit line break, whether or not its last column was written.
    writeOut("\r\n");
    m_screenLine.assign(SCREEN_WIDTH, ' ');
    m_screenColumn = 0;
}

void CConsole::redrawBottomLine()
{
    std::string text = m_prompt + m_editLine;
    size_t cursor = m_prompt.size() + m_editCursor;
    const size_t visible = SCREEN_WIDTH - 1;
    if (text.size() > visible)
    {
        size_t shift = text.size() - visible;
        text.erase(0, shift);
        cursor = cursor > shift ? cursor - shift : 0;
    }
    showLine(text);
    moveCursorTo(std::min(cursor, visible));
}

void CConsole::write(const std::string& text)
{
    if (!m_terminal)
    {
        writeOut(text);
        return;
    }
    for (char c : text)
    {
        // Control characters would move the real cursor behind the screen model's back.
        if (c == '\n' || (c >= 32 && c != 127) || (c & 0x80))
            m_pendingOutput += c;
        else if (c == '\t')
            m_pendingOutput += ' ';
    }
    size_t end;
    while ((end = m_pendingOutput.find('\n')) != std::string::npos)
    {
        std::string part = m_pendingOutput.substr(0, end);
        m_pendingOutput.erase(0, end + 1);
        while (part.size() > SCREEN_WIDTH)
        {
            showOutputLine(part.substr(0, SCREEN_WIDTH));
            part.erase(0, SCREEN_WIDTH);
        }
        showOutputLine(part);
    }
    while (m_pendingOutput.size() >= SCREEN_WIDTH)
    {
        showOutputLine(m_pendingOutput.substr(0, SCREEN_WIDTH));
        m_pendingOutput.erase(0, SCREEN_WIDTH);
    }
    redrawBottomLine();
}

// ---------------------------------------------------------------------------------------------
// Process-wide access

CConsole& theConsole()
{
    static CConsole console;
    return console;
}

void installInputSource(CConsole* console) { g_inputSource = console; }

void pollInput()
{
    if (g_inputSource)
        g_inputSource->pollInput();
}

bool takeLine(std::string& line)
{
    if (!g_inputSource)
        return false;
    return g_inputSource->takeLine(line);
}
