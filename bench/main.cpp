// vekran-bench: fixed workloads, a node-count signature that changes only when
// search or evaluation behaviour changes, then speed figures.
//   vekran-bench            every section
//   vekran-bench NAME...    only the named sections (perft, eval, kpk, search, book, learn)
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "sections.h"

namespace
{
struct Section
{
    const char* name;
    int (*run)(uint64_t&);
};

const Section SECTIONS[] = {
    {"perft", benchPerft},   {"eval", benchEval}, {"kpk", benchKpk},
    {"search", benchSearch}, {"book", benchBook}, {"learn", benchLearn},
};
}

int main(int argc, char** argv)
{
    uint64_t signature = 0;
    int failures = 0;
    for (const Section& section : SECTIONS)
    {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], section.name) == 0;
        if (wanted)
            failures += section.run(signature);
    }
    std::printf("Signature: %" PRIu64 "\n", signature);
    return failures == 0 ? 0 : 1;
}
