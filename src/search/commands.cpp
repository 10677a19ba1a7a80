// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "search/commands.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "search/hashtable.h"
#include "search/search.h"
#include "search/statistics.h"
#include "base/output.h"
#include "base/text.h"

namespace
{
constexpr double BYTES_TO_MB = 9.5367431640625e-07;
int64_t g_hashSizeBytes = 8388608;
}  // namespace

int64_t hashSizeSetting() { return g_hashSizeBytes; }

void setHashSizeSetting(int64_t bytes) { g_hashSizeBytes = bytes; }

bool resizeHashTable()
{
    CHashTable& table = theHashTable();
    int64_t wanted = g_hashSizeBytes;
    bool ok = table.setSize(wanted);
    table.clear();
    if (!ok)
        output(" Not enough memory for the hash table: using %1.1fMB\n", table.sizeInBytes() * BYTES_TO_MB);
    return ok;
}

void setHashSizeFromOption(int64_t megabytes) { g_hashSizeBytes = megabytes < 0 ? 0 : megabytes * 1048576; }

void handleHash(const std::string& args)
{
    std::string text = trimmed(args);
    long long number = 0;
    char unit = 0;
    int fields = std::sscanf(text.c_str(), "%lld%c", &number, &unit);
    if (fields < 1)
    {
        std::fprintf(stderr, " Hash table size is %1.1fMB\n", theHashTable().sizeInBytes() * BYTES_TO_MB);
        std::fflush(stderr);
        return;
    }
    int64_t bytes;
    // Beyond the largest table nothing changes, so clamp before multiplying.
    const long long LIMIT = 1LL << 40;
    long long n = number > LIMIT ? LIMIT : number;
    if (fields == 1 || unit == 'm' || unit == 'M')
        bytes = int64_t(n) * 1048576;
    else if (unit == 'k' || unit == 'K')
        bytes = int64_t(n) * 1024;
    else if (unit == 'b' || unit == 'B')
        bytes = int64_t(n);
    else
    {
        std::fprintf(stderr, "Error (Invalid hash cmd): hash %s\n", args.c_str());
        std::fflush(stderr);
        return;
    }
    g_hashSizeBytes = bytes < 0 ? 0 : bytes;
    resizeHashTable();
    output(" Hash table size set to: %1.1fMB\n", theHashTable().sizeInBytes() * BYTES_TO_MB);
}

void handleExt(const std::string& args)
{
    CSearch& search = theSearch();
    if (!trimmed(args).empty())
    {
        double value[4];
        bool ok = std::sscanf(args.c_str(), "%lf %lf %lf %lf", &value[0], &value[1], &value[2], &value[3]) == 4;
        // Finite and within a sane range, so the depth units cannot overflow.
        for (double v : value)
            ok = ok && std::isfinite(v) && std::fabs(v) <= 100.0;
        if (ok)
        {
            int* targets[4] = {&search.checkExtension, &search.recaptureExtension, &search.pawnPushExtension,
                               &search.oneReplyExtension};
            for (int i = 0; i < 4; ++i)
                *targets[i] = int(value[i] * 8 + 0.5);
        }
        else
            output(" bad extension settings\n");
    }
    output(" extensions (fractional ply accuracy is %g):\n", 0.125);
    output("  check=%g  recapture=%g  pawn push=%g  1-reply=%g\n", search.checkExtension * 0.125,
           search.recaptureExtension * 0.125, search.pawnPushExtension * 0.125, search.oneReplyExtension * 0.125);
}

void handleNull(const std::string& /*args*/)
{
    CSearch& search = theSearch();
    search.useNullMove = !search.useNullMove;
    output(" Use null move set to: %d\n", search.useNullMove ? 1 : 0);
}

void handleAnalHash(const std::string& /*args*/) { printHashAnalysis(theHashTable()); }
