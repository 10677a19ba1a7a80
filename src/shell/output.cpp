// Placeholder until the console and log sinks exist: print to stdout.
#include "shell/output.h"

#include <cstdarg>
#include <cstdio>

void output(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
}
