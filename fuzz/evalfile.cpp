// The evaluation parameter file, as loade reads it.
#include "fuzzsupport.h"

#include "eval/parameters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    if (loadEvalParameters(fuzzFile(data, size, ".eval"), evalFileBaseName(), error))
        resetEvalParameters();
    return 0;
}
