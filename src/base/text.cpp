#include "base/text.h"

#include <strings.h>

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

std::string trimmed(const std::string& text)
{
    return trimmedOf(text, " \t\r\n\v\f");
}

std::string trimmedBlanks(const std::string& text)
{
    return trimmedOf(text, " \t");
}

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}
