// The single formatted output path: every text the engine prints goes through output().
#pragma once

#include <string>

void output(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Something that receives the engine's printed text.
class COutputSink
{
public:
    virtual ~COutputSink() = default;
    virtual void write(const std::string& text) = 0;
};

// Installs the two sinks output() writes to, in this order: the log first, then the console.
// Until this is called (unit tests, tools), output() writes the text straight to standard output.
void installOutputSinks(COutputSink* logSink, COutputSink* consoleSink);

// Test hook: while a capture string is set, output() appends every text to it instead of
// writing to the console sink (the log sink still receives it). Returns the previous capture.
// Pass nullptr to end the capture.
std::string* setOutputCapture(std::string* capture);
