#include "base/text.h"

#include <strings.h>

#include <cstdio>
#include <vector>

namespace
{
std::string trimmedOf(const std::string& text, const char* whiteSpace)
{
    size_t first = text.find_first_not_of(whiteSpace);
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(whiteSpace);
    return text.substr(first, last - first + 1);
}
}

std::string trimmed(const std::string& text) { return trimmedOf(text, " \t\r\n\v\f"); }

std::string trimmedBlanks(const std::string& text) { return trimmedOf(text, " \t"); }

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string wrapText(const std::string& text, int width, int indent)
{
    size_t end = text.find_last_not_of(" \t\r\n");
    std::string body = end == std::string::npos ? std::string() : text.substr(0, end + 1);
    std::string tail = end == std::string::npos ? text : text.substr(end + 1);
    std::string result;
    size_t pieceWidth = size_t(width);
    bool first = true;
    while (body.size() > pieceWidth)
    {
        // Cut at the last blank that keeps the piece within the width.
        size_t cut = body.rfind(' ', pieceWidth);
        if (cut == std::string::npos || cut == 0)
            cut = pieceWidth;
        if (!first)
            result.append(size_t(indent), ' ');
        result += body.substr(0, cut);
        result += "\n";
        size_t next = body.find_first_not_of(' ', cut);
        body = next == std::string::npos ? std::string() : body.substr(next);
        first = false;
        pieceWidth = size_t(width - indent);
    }
    if (!first)
        result.append(size_t(indent), ' ');
    result += body;
    result += tail;
    return result;
}

std::string formatTextV(const char* format, va_list args)
{
    // Most texts are short: format on the stack and fall back to the heap for long ones.
    char small[512];
    va_list again;
    va_copy(again, args);
    int length = vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (length >= 0 && static_cast<size_t>(length) < sizeof small)
    {
        text.assign(small, static_cast<size_t>(length));
    }
    else if (length >= 0)
    {
        std::vector<char> big(static_cast<size_t>(length) + 1);
        vsnprintf(big.data(), big.size(), format, again);
        text.assign(big.data(), static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

std::string formatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatTextV(format, args);
    va_end(args);
    return text;
}
