// A Polyglot book file, damaged in any way: opened and probed along a few lines.
#include "fuzzsupport.h"

#include "book/polyglotbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPolyglotBook book;
    std::string error;
    if (!book.open(fuzzFile(data, size, ".bin"), error))
        return 0;
    probeAlongALine(book, 6);
    return 0;
}
