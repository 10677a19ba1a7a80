#include "base/output.h"

#include "platform/pipe.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace
{
COutputSink* g_logSink = nullptr;
COutputSink* g_consoleSink = nullptr;
std::string* g_capture = nullptr;
}

void installOutputSinks(COutputSink* logSink, COutputSink* consoleSink)
{
    g_logSink = logSink;
    g_consoleSink = consoleSink;
}

std::string* setOutputCapture(std::string* capture)
{
    std::string* previous = g_capture;
    g_capture = capture;
    return previous;
}

void output(const char* format, ...)
{
    // Most texts are short: format on the stack and fall back to the heap for long ones.
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string text;
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        std::vector<char> big(static_cast<size_t>(length) + 1);
        vsnprintf(big.data(), big.size(), format, again);
        text.assign(big.data(), static_cast<size_t>(length));
    }
    va_end(again);

    if (g_logSink)
        g_logSink->write(text);
    if (g_capture)
        g_capture->append(text);
    else if (g_consoleSink)
        g_consoleSink->write(text);
    else
        writeStdout(text.data(), text.size());
}
