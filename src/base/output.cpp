#include "base/output.h"

#include "base/text.h"
#include "platform/pipe.h"

#include <cstdarg>
#include <cstdio>

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
    va_list args;
    va_start(args, format);
    const std::string text = formatTextV(format, args);
    va_end(args);

    if (g_logSink)
        g_logSink->write(text);
    if (g_capture)
        g_capture->append(text);
    else if (g_consoleSink)
        g_consoleSink->write(text);
    else
        writeStdout(text.data(), text.size());
}
