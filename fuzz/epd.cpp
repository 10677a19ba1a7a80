// One EPD line: split into position and operations, written back with results set.
#include "fuzzsupport.h"

#include "board/position.h"
#include "tools/epd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EpdRecord record;
    if (!splitEpdLine(fuzzText(data, size), record))
        return 0;
    CPosition position;
    position.setFromFen(record.fen);
    EpdOperation result;
    result.opcode = "acd";
    result.operands = {"3"};
    EpdRecord again;
    FUZZ_CHECK(splitEpdLine(epdLineWith(record, {result}), again));
    return 0;
}
