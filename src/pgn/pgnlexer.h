// PgnLexer: splits PGN text into tokens. It reads from a file, from a text held
// in memory, or from a line reader (the console), keeps the line number and can
// give back its last token. It never fails: bytes it has no use for are
// skipped, and the end of input can come anywhere.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Token kinds.
constexpr int PGN_STRING = 0;         // "..." -> the characters between the quotes
constexpr int PGN_INTEGER = 1;        // a run of digits
constexpr int PGN_MOVE = 2;           // a run starting with a piece, file or castling letter; "0-0", "0-0-0"
constexpr int PGN_SYMBOL = 3;         // any other run starting with a letter
constexpr int PGN_PERIOD = 4;         // .
constexpr int PGN_OPEN_BRACKET = 5;   // [
constexpr int PGN_CLOSE_BRACKET = 6;  // ]
constexpr int PGN_OPEN_PAREN = 7;     // (
constexpr int PGN_CLOSE_PAREN = 8;    // )
constexpr int PGN_OPEN_ANGLE = 9;     // <
constexpr int PGN_CLOSE_ANGLE = 10;   // >
constexpr int PGN_GLYPH = 11;         // $n, !, ?, !!, ??, !?, ?! -> the glyph number as text
constexpr int PGN_COMMENT = 12;       // {...} or ; to the end of the line -> the comment text
constexpr int PGN_GAME_END = 13;      // 1-0, 0-1, 1/2-1/2, *
constexpr int PGN_OTHER = 14;         // a single # + - / = or a $ without digits
constexpr int PGN_END_OF_LINE = 15;
constexpr int PGN_END_OF_INPUT = 16;

// Where the lexer's characters come from: one byte (0..255) per call, -1 at the end.
class CPgnSource
{
public:
    virtual ~CPgnSource() = default;
    virtual int read() = 0;
    // True when the source gave up waiting for its input before the end.
    virtual bool stopped() const { return false; }
};

class PgnLexer
{
public:
    // Over nothing (end of input) until opened.
    PgnLexer();
    // Reads the named file from its start; false (and nothing to read) if it
    // cannot be opened. The lexer closes the file itself. The file may be a
    // FIFO: while the lexer waits for its writer, it asks 'stopCheck' (if
    // given) every tenth of a second whether to give up; if so the input ends
    // there and stopped() is true.
    bool openFile(const std::string& fileName, std::function<bool()> stopCheck = {});
    // True once a stop check has ended the input early.
    bool stopped() const;
    // Reads the text from its start.
    void openText(const std::string& text);

    // Over a text held in memory.
    explicit PgnLexer(const std::string& text);
    // Over an open file, read from its current position (the caller closes it).
    explicit PgnLexer(std::FILE* file);
    // Over lines handed out by 'readLine' (false at the end of input); each line
    // is read only when the lexer needs its first character.
    explicit PgnLexer(std::function<bool(std::string&)> readLine);

    // Reads the next token and returns its kind; line ends are passed over when
    // skipLineEnds is set.
    int nextToken(bool skipLineEnds);
    const std::string& tokenText() const { return m_text; }
    // Line (from 1) on which the last token started.
    int lineNumber() const { return m_tokenLine; }
    // Gives back the last token: the next nextToken() returns it again.
    void pushBack() { m_pushedBack = true; }

private:
    void restart(CPgnSource* source);
    int getChar();
    void ungetChar(int c);
    int readRaw();
    void readDigits(int first);
    void readRun(int first);

    std::unique_ptr<CPgnSource> m_source;
    std::vector<int> m_pending;  // characters given back, the next one last
    int m_rawAhead = -2;         // a byte read after a CR, -2 for none
    int m_line = 1;
    int m_tokenLine = 1;
    int m_kind = PGN_END_OF_INPUT;
    std::string m_text;
    bool m_pushedBack = false;
};
