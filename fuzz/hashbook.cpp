// A hash book file, damaged in any way: opened, probed along a few lines, written to.
#include "fuzzsupport.h"

#include "book/hashbook.h"
#include "book/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& name = fuzzFile(data, size, ".hbk");
    std::remove(CRollbackJournal::nameFor(name).c_str());
    CHashBook book;
    std::string error;
    if (!book.open(name, error, true))
        return 0;
    probeAlongALine(book, 4);
    BookRecord record;
    record.games = 1;
    record.flags = BOOK_IN_USE | BOOK_WTM;
    for (uint64_t key = 1; key < 40; ++key)
        if (!book.insert(key * 0x9e3779b97f4a7c15ULL, record))
            break;
    book.close();
    return 0;
}
