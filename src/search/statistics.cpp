// The statistics block printed after every search, and the table analysis.
#include "search/statistics.h"

#include <cinttypes>

#include "eval/evaluate.h"
#include "search/search.h"
#include "base/output.h"
#include "base/timevalue.h"

double percentOf(uint64_t part, uint64_t whole) { return whole == 0 ? 0.0 : 100.0 * double(part) / double(whole); }

void CSearch::printStatistics(double elapsed)
{
    if (elapsed <= 0.0)
        elapsed = 0.001;
    const SearchStatistics& s = m_stats;
    const uint64_t n = s.nodes + s.qnodes;
    output(" local:  t=%s  nps=%1.1f  n=%" PRIu64 " (%.1f%% / %.1f%%)\n", CTimeValue(elapsed).formatTime().c_str(),
           double(n) / elapsed, n, percentOf(s.nodes, n), percentOf(s.qnodes, n));
    m_totalTime += elapsed;
    m_cumulativeNodes += int64_t(n);
    output(" total:  t=%s  nps=%1.1f  n=%" PRId64 "\n", CTimeValue(m_totalTime).formatTime().c_str(),
           m_totalTime > 0.0 ? double(m_cumulativeNodes) / m_totalTime : 0.0, m_cumulativeNodes);
    const uint64_t failHighs = s.failHighs == 0 ? 1 : s.failHighs;
    output(" stats:  fh=%.1f%%/%.2f%%/%.3f%%  draws=%" PRIu64 "\n", percentOf(s.failHigh1, failHighs),
           percentOf(s.failHigh2, failHighs), percentOf(s.failHigh3, failHighs), s.draws);
    output(" trans:  probes=%" PRIu64 "  hits=%" PRIu64 " (%1.2f%%)  draft=%" PRIu64 " (%1.2f%%)\n", s.probes, s.hits,
           percentOf(s.hits, s.probes), s.draftHits, percentOf(s.draftHits, s.probes));
    output(" tcuts:  exact=%" PRIu64 " (%1.2f%%)  upper=%" PRIu64 " (%1.2f%%)  lower=%" PRIu64 " (%1.2f%%)\n",
           s.cutsExact, percentOf(s.cutsExact, s.probes), s.cutsUpper, percentOf(s.cutsUpper, s.probes), s.cutsLower,
           percentOf(s.cutsLower, s.probes));
    const uint64_t stores = s.storesExact + s.storesUpper + s.storesLower;
    output(" tstor:  exact=%" PRIu64 " (%1.2f%%)  upper=%" PRIu64 " (%1.2f%%)  lower=%" PRIu64 " (%1.2f%%)\n",
           s.storesExact, percentOf(s.storesExact, stores), s.storesUpper, percentOf(s.storesUpper, stores),
           s.storesLower, percentOf(s.storesLower, stores));
    // Evaluation-cache counters: nothing keeps them, so they read 0.
    const uint64_t evalHits = 0, evalMisses = 0;
    output(" ehash:  probes=%" PRIu64 "  hits=%" PRIu64 " (%.1f%%)\n", evalHits + evalMisses, evalHits,
           percentOf(evalHits, evalHits + evalMisses));
    output(" ext:  check=%" PRIu64 "  recap=%" PRIu64 "  ppush=%" PRIu64 "  1rep=%" PRIu64 "  thrt=%" PRIu64 "\n",
           s.extCheck, s.extRecapture, s.extPawnPush, s.extOneReply, s.nullRefused);
    output(" q-moves:  gen=%" PRIu64 "  tested=%" PRIu64 "  made/un=%" PRIu64 "  max-dep=%d\n", s.qGenerated, s.qTested,
           s.qMade, s.maxQDepth / 8);
    output(" max eval diff:  part-1=%1.3f  part-2=%1.3f\n", maxEvalDiffPart1() * 0.001, maxEvalDiffPart2() * 0.001);
}

void printHashAnalysis(const CHashTable& table)
{
    static const char* const LABELS[CHashTable::STAT_COUNT] = {
        " new primary    %" PRIu64 "\n", " old primary    %" PRIu64 "\n", " depth          %" PRIu64 "\n",
        " rejected       %" PRIu64 "\n", " new secondary  %" PRIu64 "\n", " old secondary  %" PRIu64 "\n",
        " stuffed        %" PRIu64 "\n"};
    for (int i = 0; i < CHashTable::STAT_COUNT; ++i)
        output(LABELS[i], table.statistic(i));

    uint64_t byBound[4] = {0, 0, 0, 0};
    uint64_t draws = 0;
    static const char* const SIDES[2] = {"black", "white"};
    for (int side = 0; side < 2; ++side)
    {
        for (int which = 0; which < 2; ++which)
        {
            const CHashEntry* entries = which == 0 ? table.primary(side) : table.secondary(side);
            const CHashEntry* other = which == 0 ? table.secondary(side) : table.primary(side);
            const int64_t size = which == 0 ? table.primaryCount() : table.secondaryCount();
            uint64_t ages[16] = {};
            uint64_t aged = 0, draftSum = 0, pairs = 0, inUse = 0;
            for (int64_t i = 0; i < size && entries != nullptr; ++i)
            {
                const CHashEntry& e = entries[i];
                ++ages[e.age()];
                if (e.age() != 0)
                {
                    ++aged;
                    ++byBound[e.bound()];
                    draftSum += uint64_t(e.draft());
                    if (e.bound() != HASH_UNKNOWN && e.value() == 0)
                        ++draws;
                }
                if (e.inUse())
                {
                    ++inUse;
                    int64_t slot = which == 0 ? table.secondaryIndex(e.key()) : table.primaryIndex(e.key());
                    if (other[slot].inUse() && other[slot].key() == e.key())
                        ++pairs;
                }
            }
            output(" Table: %s %s (%" PRId64 ")\n", SIDES[side], which == 0 ? "primary" : "secondary", size);
            output("   Entries: %" PRIu64 "  Avg draught: %1.1f  Pairs: %" PRIu64 "  In use: %" PRIu64 "\n", aged,
                   aged == 0 ? 0.0 : double(draftSum) / (double(aged) * 8.0), pairs, inUse);
            std::string line;
            for (int age = 0; age < 16; ++age)
            {
                char item[48];
                snprintf(item, sizeof item, "%2d:%6" PRIu64 " ", age, ages[age]);
                line += item;
            }
            output("%s\n", line.c_str());
        }
    }
    output(" Unknown: %" PRIu64 "  Fail low: %" PRIu64 "  Fail high: %" PRIu64 "  Exact: %" PRIu64 "\n", byBound[0],
           byBound[1], byBound[2], byBound[3]);
    output(" Draws: %" PRIu64 "\n", draws);
}
