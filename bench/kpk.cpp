// KPK table generation: wall time of one full retrograde build (it runs during
// the protocol handshake, so it must stay well under a few tenths of a second)
// and the number of won entries, which goes into the signature.
#include <cinttypes>
#include <cstdio>
#include <initializer_list>
#include <memory>

#include "endgame/kpk.h"
#include "sections.h"

int benchKpk(uint64_t& /*signatureNodes*/)
{
    // A private table, so the build is timed even if the process-wide one exists.
    auto table = std::make_unique<CKpkTable>();
    table->generate();
    uint64_t won = 0;
    for (int index = 0; index < KPK_INDEX_COUNT; ++index)
        for (bool strongToMove : {false, true})
            won += table->value(strongToMove, index) > 1;
    std::printf("kpk: generation %.3f s (target < 0.3 s), won entries %" PRIu64 "\n", table->generationSeconds(), won);
    return won > 0 ? 0 : 1;
}
