// The console: turns input bytes (terminal keys or pipe bytes) into command lines, and shows output.
#pragma once

#include "base/output.h"

#include <deque>
#include <string>
#include <vector>

class CConsole : public COutputSink
{
public:
    static constexpr size_t SCREEN_WIDTH = 80;
    static constexpr size_t HISTORY_KEEP = 100;
    // What one blocking read of a pipe takes at most: a full pipe of the usual size.
    static constexpr size_t READ_CHUNK = 65536;
    // What one poll takes at most: the largest pipe a process may ask for without privileges.
    // A file given as standard input counts all its remaining bytes as waiting.
    static constexpr size_t POLL_READ_LIMIT = 1 << 20;

    // The process's console on standard input and output; a terminal when standard input is one.
    CConsole();
    // A console on other descriptors (tests): terminal selects the key and screen handling.
    CConsole(int inputFd, int outputFd, bool terminal);

    // Output: a pipe gets the text unchanged at once; a terminal shows it above the edit line.
    void write(const std::string& text) override;

    // Waits for input and feeds it to the line editor: one key of a terminal, or all the bytes
    // that have arrived on a pipe (up to READ_CHUNK) in one read.
    // Returns at once, without waiting, once the input has ended.
    void readCharBlocking();
    // Feeds everything that is waiting to the line editor without waiting for more: a pipe's
    // waiting bytes in one read (up to POLL_READ_LIMIT), or every waiting key of a terminal.
    // Also notices a standard output that can no longer be written (see outputClosed()).
    void pollInput();
    // Takes the oldest completed line from the input queue; false when the queue is empty.
    bool takeLine(std::string& line);
    // Puts a line at the front of the input queue: it is the next one taken.
    void pushLineFront(const std::string& line);
    // Waits until a completed line is there and takes it. False (nothing taken) once the input
    // has ended and only the closing "quit" is left, which stays queued for the command loop.
    bool readLineBlocking(std::string& line);

    void setPrompt(const std::string& text);
    const std::string& prompt() const { return m_prompt; }
    bool isTerminal() const { return m_terminal; }

    // True once standard input has ended (pipe closed, Ctrl+D on an empty terminal line).
    // At that moment the line "quit" is queued, so the engine ends as if the user typed it.
    bool endOfInput() const { return m_endOfInput; }
    // True once a write to standard output failed, or it was found closed (the user interface
    // stopped reading). Nothing is written any more, the line being typed is dropped, the input
    // ends and "quit" is queued: a running search stops and the engine ends as after "quit".
    bool outputClosed() const { return m_outputClosed; }

    // True when the first line received was "uci": the engine speaks UCI for the rest of the
    // run, and a pipe's lines are no longer answered by an empty line (not a UCI line).
    bool speaksUci() const { return m_uci; }

    // Test hook: bytes handed here are read by pollInput() and readCharBlocking() before the
    // real input, exactly as if they had arrived on the input pipe (no key decoding).
    void injectInput(const std::string& bytes);

    // The line editor, fed one character (any byte value) or one editing key (scan code) at a time.
    void feedChar(int c);
    void feedEditingKey(int code);

    const std::string& editLine() const { return m_editLine; }
    size_t editCursor() const { return m_editCursor; }
    const std::vector<std::string>& history() const { return m_history; }
    size_t queuedLines() const { return m_queue.size(); }

private:
    void prepareTerminal();
    void completeLine();
    void markEndOfInput();
    void markOutputClosed();
    // Feeds bytes read from a pipe (or injected) until they end or the output is found closed.
    void feedBytes(const char* bytes, size_t count);
    // One read of up to count bytes; false (input ended) when the read delivers nothing.
    bool readIntoEditor(size_t count);
    // Feeds one key read from the terminal; false when it ended the input.
    bool feedKey(int key);
    void writeOut(const std::string& bytes);
    // Terminal screen handling: the bottom line holds the prompt and the edit line.
    void moveCursorTo(size_t column);
    void showLine(const std::string& text);
    void showOutputLine(const std::string& text);
    void redrawBottomLine();
    void changed();

    int m_inputFd = 0;
    int m_outputFd = 1;
    bool m_terminal = false;
    bool m_terminalPrepared = false;
    bool m_endOfInput = false;
    bool m_endLineQueued = false;
    bool m_outputClosed = false;
    bool m_firstLineSeen = false;
    bool m_uci = false;

    std::vector<std::string> m_history;
    size_t m_historyCursor = 0;
    std::deque<std::string> m_queue;
    std::string m_injected;
    size_t m_injectedPos = 0;
    std::vector<char> m_readBuffer;  // grows to the largest poll; reused so reading allocates nothing

    std::string m_screenLine = std::string(SCREEN_WIDTH, ' ');
    size_t m_screenColumn = 0;
    std::string m_pendingOutput;
    std::string m_prompt;
    size_t m_editCursor = 0;
    std::string m_editLine;
};

// The process-wide console (standard input and output).
CConsole& theConsole();

// The input source polled by a running search. installInputSource(nullptr) removes it; without
// one, pollInput() does nothing and takeLine() returns false.
void installInputSource(CConsole* console);
void pollInput();
bool takeLine(std::string& line);
