#include "pgn/pgnlexer.h"

#include <cstring>

#include "platform/files.h"

namespace
{
// Punctuation that is a token on its own.
struct SingleCharToken
{
    char ch;
    int kind;
};
constexpr SingleCharToken SINGLE_CHAR_TOKENS[] = {
    {'.', PGN_PERIOD},      {'[', PGN_OPEN_BRACKET}, {']', PGN_CLOSE_BRACKET}, {'(', PGN_OPEN_PAREN},
    {')', PGN_CLOSE_PAREN}, {'<', PGN_OPEN_ANGLE},   {'>', PGN_CLOSE_ANGLE}};

class CTextSource : public CPgnSource
{
public:
    explicit CTextSource(const std::string& text) : m_text(text) {}
    int read() override { return m_pos < m_text.size() ? (unsigned char)m_text[m_pos++] : -1; }

private:
    std::string m_text;
    size_t m_pos = 0;
};

class CFileSource : public CPgnSource
{
public:
    explicit CFileSource(std::FILE* file) : m_file(file) {}
    int read() override
    {
        if (m_pos == m_size)
        {
            m_size = m_file ? std::fread(m_buffer, 1, sizeof m_buffer, m_file) : 0;
            m_pos = 0;
            if (m_size == 0)
                return -1;
        }
        return m_buffer[m_pos++];
    }

private:
    std::FILE* m_file;
    unsigned char m_buffer[65536];
    size_t m_pos = 0, m_size = 0;
};

// A file read through its descriptor: a FIFO's writer may keep it open
// without writing, so each read waits only briefly and then asks whether to
// go on waiting.
class CDescriptorSource : public CPgnSource
{
public:
    static constexpr int WAIT_MS = 100;

    CDescriptorSource(int fd, std::function<bool()> stopCheck) : m_fd(fd), m_stopCheck(std::move(stopCheck)) {}
    ~CDescriptorSource() override { closeDescriptor(m_fd); }
    CDescriptorSource(const CDescriptorSource&) = delete;
    CDescriptorSource& operator=(const CDescriptorSource&) = delete;
    int read() override
    {
        while (m_pos == m_size)
        {
            if (m_ended)
                return -1;
            long n = readWaiting(m_fd, m_buffer, sizeof m_buffer, WAIT_MS);
            if (n == READ_NOTHING_YET)
            {
                if (m_stopCheck && m_stopCheck())
                {
                    m_stopped = true;
                    m_ended = true;
                }
                continue;
            }
            if (n <= 0)
            {
                m_ended = true;
                continue;
            }
            m_size = size_t(n);
            m_pos = 0;
        }
        return m_buffer[m_pos++];
    }
    bool stopped() const override { return m_stopped; }

private:
    int m_fd;
    std::function<bool()> m_stopCheck;
    unsigned char m_buffer[65536];
    size_t m_pos = 0, m_size = 0;
    bool m_ended = false;
    bool m_stopped = false;
};

class CLineSource : public CPgnSource
{
public:
    explicit CLineSource(std::function<bool(std::string&)> readLine) : m_readLine(std::move(readLine)) {}
    int read() override
    {
        if (m_pos == m_line.size())
        {
            if (m_ended || !m_readLine || !m_readLine(m_line))
            {
                m_ended = true;
                return -1;
            }
            m_line += '\n';
            m_pos = 0;
        }
        return (unsigned char)m_line[m_pos++];
    }

private:
    std::function<bool(std::string&)> m_readLine;
    std::string m_line;
    size_t m_pos = 0;
    bool m_ended = false;
};

bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }
// Characters that continue a move or symbol run.
bool continuesRun(int c) { return isLetter(c) || isDigit(c) || (c > 0 && std::strchr("_+#=:-", c) != nullptr); }
// Letters that can begin a move: pieces, files and the castling O.
bool beginsMove(int c) { return (c > 0 && std::strchr("KQRBNPO", c) != nullptr) || (c >= 'a' && c <= 'h') || c == 'o'; }
}

PgnLexer::PgnLexer() : m_source(new CTextSource(std::string())) {}

void PgnLexer::restart(CPgnSource* source)
{
    m_source.reset(source);
    m_pending.clear();
    m_rawAhead = -2;
    m_line = 1;
    m_tokenLine = 1;
    m_kind = PGN_END_OF_INPUT;
    m_text.clear();
    m_pushedBack = false;
}

bool PgnLexer::openFile(const std::string& fileName, std::function<bool()> stopCheck)
{
    int fd = openForReading(fileName);
    restart(fd >= 0 ? static_cast<CPgnSource*>(new CDescriptorSource(fd, std::move(stopCheck)))
                    : new CTextSource(std::string()));
    return fd >= 0;
}

bool PgnLexer::stopped() const { return m_source->stopped(); }

void PgnLexer::openText(const std::string& text) { restart(new CTextSource(text)); }

PgnLexer::PgnLexer(const std::string& text) : m_source(new CTextSource(text)) {}

PgnLexer::PgnLexer(std::FILE* file) : m_source(new CFileSource(file)) {}

PgnLexer::PgnLexer(std::function<bool(std::string&)> readLine) : m_source(new CLineSource(std::move(readLine))) {}

// One byte of the source with every line end (LF, CR LF or a lone CR) turned into LF.
int PgnLexer::readRaw()
{
    int c;
    if (m_rawAhead != -2)
    {
        c = m_rawAhead;
        m_rawAhead = -2;
    }
    else
        c = m_source->read();
    if (c == '\r')
    {
        int next = m_source->read();
        if (next != '\n')
            m_rawAhead = next;
        c = '\n';
    }
    return c;
}

int PgnLexer::getChar()
{
    int c;
    if (!m_pending.empty())
    {
        c = m_pending.back();
        m_pending.pop_back();
    }
    else
        c = readRaw();
    if (c == '\n')
        ++m_line;
    return c;
}

void PgnLexer::ungetChar(int c)
{
    if (c == -1)
        return;
    if (c == '\n')
        --m_line;
    m_pending.push_back(c);
}

// A digit run: a game end ("1-0", "0-1", "1/2-1/2"), castling written with
// zeros ("0-0", "0-0-0") or an integer. The longest of these forms that the
// text starts with wins; the characters read beyond it go back.
void PgnLexer::readDigits(int first)
{
    std::string run(1, char(first));
    for (int c = getChar();; c = getChar())
    {
        if (!isDigit(c) && c != '-' && c != '/')
        {
            ungetChar(c);
            break;
        }
        run += char(c);
        if (run.size() > 7 && !isDigit(c))
        {
            // No form is longer than seven characters: stop before swallowing more.
            break;
        }
    }
    static const char* const FORMS[] = {"1/2-1/2", "0-0-0", "1-0", "0-1", "0-0"};
    size_t keep = 0;
    m_kind = PGN_INTEGER;
    for (const char* form : FORMS)
    {
        size_t length = std::strlen(form);
        if (run.compare(0, length, form) == 0)
        {
            keep = length;
            m_kind = form[2] == '0' && form[1] == '-' && form[0] == '0' ? PGN_MOVE : PGN_GAME_END;
            break;
        }
    }
    if (keep == 0)
        while (keep < run.size() && isDigit(run[keep]))
            ++keep;
    for (size_t i = run.size(); i > keep; --i)
        ungetChar((unsigned char)run[i - 1]);
    m_text = run.substr(0, keep);
    if (m_kind == PGN_MOVE)
    {
        // Castling may carry a check or mate sign.
        int c = getChar();
        if (c == '+' || c == '#')
            m_text += char(c);
        else
            ungetChar(c);
    }
}

void PgnLexer::readRun(int first)
{
    m_text.assign(1, char(first));
    m_kind = beginsMove(first) ? PGN_MOVE : PGN_SYMBOL;
    for (int c = getChar();; c = getChar())
    {
        if (!continuesRun(c))
        {
            ungetChar(c);
            return;
        }
        m_text += char(c);
    }
}

int PgnLexer::nextToken(bool skipLineEnds)
{
    if (m_pushedBack)
    {
        m_pushedBack = false;
        if (!(skipLineEnds && m_kind == PGN_END_OF_LINE))
            return m_kind;
    }
    for (;;)
    {
        m_tokenLine = m_line;
        m_text.clear();
        int c = getChar();
        if (c == -1)
            return m_kind = PGN_END_OF_INPUT;
        if (c == '\n')
        {
            if (skipLineEnds)
                continue;
            return m_kind = PGN_END_OF_LINE;
        }
        if (isDigit(c))
        {
            readDigits(c);
            return m_kind;
        }
        if (isLetter(c))
        {
            readRun(c);
            return m_kind;
        }
        for (const SingleCharToken& token : SINGLE_CHAR_TOKENS)
            if (c == token.ch)
            {
                m_text = std::string(1, token.ch);
                return m_kind = token.kind;
            }
        switch (c)
        {
        case '"':
            for (int ch = getChar(); ch != '"' && ch != -1; ch = getChar())
            {
                if (ch == '\n')
                {
                    ungetChar(ch);
                    break;
                }
                if (ch == '\\')
                {
                    ch = getChar();
                    if (ch == -1 || ch == '\n')
                    {
                        ungetChar(ch);
                        break;
                    }
                }
                m_text += (ch < 32 || ch == 127) ? ' ' : char(ch);
            }
            return m_kind = PGN_STRING;
        case '$':
        {
            int ch = getChar();
            while (isDigit(ch))
            {
                m_text += char(ch);
                ch = getChar();
            }
            ungetChar(ch);
            if (m_text.empty())
            {
                m_text = "$";
                return m_kind = PGN_OTHER;
            }
            return m_kind = PGN_GLYPH;
        }
        case '!':
        case '?':
        {
            int ch = getChar();
            const char* glyph = c == '!' ? (ch == '!'   ? "3"
                                            : ch == '?' ? "5"
                                                        : "1")
                                         : (ch == '?'   ? "4"
                                            : ch == '!' ? "6"
                                                        : "2");
            if (ch != '!' && ch != '?')
                ungetChar(ch);
            m_text = glyph;
            return m_kind = PGN_GLYPH;
        }
        case '{':
            for (int ch = getChar(); ch != '}' && ch != -1; ch = getChar())
                m_text += char(ch);
            return m_kind = PGN_COMMENT;
        case ';':
            for (int ch = getChar(); ch != -1; ch = getChar())
            {
                if (ch == '\n')
                {
                    ungetChar(ch);
                    break;
                }
                m_text += char(ch);
            }
            return m_kind = PGN_COMMENT;
        case '*':
            m_text = "*";
            return m_kind = PGN_GAME_END;
        case '#':
        case '+':
        case '-':
        case '/':
        case '=':
            m_text = char(c);
            return m_kind = PGN_OTHER;
        default:
            // Blanks, control characters, bytes of 0x80 and above, and
            // punctuation PGN has no use for.
            break;
        }
    }
}
