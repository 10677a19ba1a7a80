// The hash-book file: bytes on disk, trie splits, free list, damaged files, write failures.
// Expected bytes are assembled here from the layout of the format (offsets, field widths,
// little-endian), not from the book code. Files refused at open: golden transcript book_errors.
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <random>

#include "book/books.h"

namespace
{
uint64_t le(const std::string& b, size_t offset, int size)
{
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | uint8_t(b.at(offset + size_t(i)));
    return value;
}

void putLe(std::string& b, size_t offset, uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        b.at(offset + size_t(i)) = char(value >> (8 * i));
}

// A data word written out from the layout: games, White's half-points, bias quarters, flags.
uint64_t word(uint64_t games, uint64_t points, uint64_t bias, uint64_t flags)
{
    return games | (points << 24) | (bias << 48) | (flags << 56);
}
}

TEST(BookFormat, FreshFileBytes)
{
    CHashBook book;
    std::string path = createBook(book, "fresh.hbk");
    EXPECT_EQ(book.positionCount(), 0u);
    book.close();
    std::string b = fileText(path);
    ASSERT_EQ(b.size(), 2300u);
    EXPECT_EQ(std::memcmp(b.data(), "VekHashBook\0\0\0\0", 16), 0);
    EXPECT_EQ(le(b, 16, 4), 3u);
    EXPECT_EQ(le(b, 20, 4), 252u);
    const double params[6] = {3.0, 1.0, 0.0, 0.5, 2.0, 10.0};
    EXPECT_EQ(std::memcmp(b.data() + 40, params, 48), 0);
    for (size_t off = 24; off < b.size(); ++off)
        ASSERT_TRUE((off >= 40 && off < 88) || b[off] == char(off == 248)) << off;  // 248: the root, the only node
}

TEST(BookFormat, RecordBytesMergeAndSaturation)
{
    CHashBook book;
    std::string path = createBook(book, "record.hbk");
    // High bit set: the root's child[1]; low byte 0x37 picks the first probe slot.
    const uint64_t key = 0xC123456789ABCD37ull;
    ASSERT_TRUE(book.insert(key, BookRecord{1, 2, 4, BOOK_WTM | BOOK_BTM}));
    ASSERT_TRUE(book.insert(key, BookRecord{1, 1, 6, BOOK_AN_GOOD}));
    // Another key in the same bucket whose home slot is taken moves to the next one.
    const uint64_t neighbour = 0xC000000000000037ull;
    ASSERT_TRUE(book.insert(neighbour, BookRecord{1, 0, 4, BOOK_BTM}));
    EXPECT_EQ(book.positionCount(), 2u);
    book.close();

    std::string b = fileText(path);
    ASSERT_EQ(b.size(), 2300u + 4104u);
    EXPECT_EQ(le(b, 24, 4), 2u);                    // record count written on close
    EXPECT_EQ(le(b, 252, 4), 0u);                   // root child[0]
    EXPECT_EQ(le(b, 256, 4), 0x80000000u | 2300u);  // root child[1]: bucket at 2300
    EXPECT_EQ(le(b, 2300, 4), 0u);                  // not on the free list
    size_t slot = 2300 + 8 + 16 * 0x37;
    EXPECT_EQ(le(b, slot, 8), key);
    // games 2, points 3, bias 6 quarters (replaced), flags WTM|BTM|AN_GOOD|in use.
    EXPECT_EQ(le(b, slot + 8, 8), word(2, 3, 6, 1 | 2 | 16 | 128));
    EXPECT_EQ(le(b, slot + 16, 8), neighbour);
    EXPECT_EQ(le(b, slot + 24, 8), word(1, 0, 4, 1 | 128));
    size_t used = 0;  // every other slot is empty
    for (int s = 0; s < 256; ++s)
        used += le(b, 2300 + 8 + 16 * size_t(s) + 8, 8) != 0;
    EXPECT_EQ(used, 2u);

    // Saturating counters never spill into the bias and flag bits; a bias too large for its
    // four bits is stored as the largest one.
    std::string error;
    ASSERT_TRUE(book.open(path, error)) << error;
    ASSERT_TRUE(book.insert(key, BookRecord{0xfffffe, 0xfffffe, 15, 0}));
    ASSERT_TRUE(book.insert(neighbour, BookRecord{1, 0, 40, 0}));
    BookRecord r;
    ASSERT_TRUE(book.find(key, r));
    EXPECT_EQ(word(r.games, r.whitePoints, r.bias, r.flags), word(0xffffff, 0xffffff, 15, 1 | 2 | 16 | 128));
    EXPECT_FALSE(book.find(key ^ 1, r));
    ASSERT_TRUE(book.find(neighbour, r));
    EXPECT_EQ(word(r.games, r.whitePoints, r.bias, r.flags), word(2, 0, 15, 1 | 128));
}

TEST(BookFormat, SplitKeepsEveryRecordAndReusesFreedBucket)
{
    CHashBook book;
    std::string path = createBook(book, "split.hbk");
    // 257 keys below the root's child[1] fill one bucket and split it; bit 62
    // alternates, so one split parts them (deep cascades: RandomInsertsMatchAMap).
    std::vector<uint64_t> keys;
    for (uint64_t i = 0; i < 257; ++i)
        keys.push_back(0x8000000100000000ull | ((i & 1) << 62) | (i * 0x9E3779B1ull & 0xffffffffull));
    for (size_t i = 0; i < keys.size(); ++i)
        ASSERT_TRUE(book.insert(keys[i], BookRecord{1, uint32_t(i % 3), 4, BOOK_WTM})) << i << book.lastError();
    EXPECT_EQ(book.positionCount(), 257u);
    book.close();

    // The split made a trie node in a new node block and moved the records on;
    // the old bucket at 2300 went onto the free list.
    std::string b = fileText(path);
    EXPECT_EQ(le(b, 24, 4), 257u);
    EXPECT_EQ(le(b, 28, 4), 2300u);
    EXPECT_EQ(le(b, 256, 4) & 0x80000000u, 0u) << "root child should now be a trie node";
    size_t sizeAfterSplit = b.size();
    // A key on the other side of the root needs a bucket: the freed one is handed out.
    std::string error;
    ASSERT_TRUE(book.open(path, error)) << error;
    ASSERT_TRUE(book.insert(0x0000000100000005ull, BookRecord{1, 1, 4, BOOK_BTM}));
    book.close();
    b = fileText(path);
    EXPECT_EQ(b.size(), sizeAfterSplit);
    EXPECT_EQ(le(b, 28, 4), 0u);
    EXPECT_EQ(le(b, 252, 4), 0x80000000u | 2300u);
    EXPECT_EQ(le(b, 2300 + 8 + 16 * 5, 8), 0x0000000100000005ull);
    ASSERT_TRUE(book.open(path, error));
    EXPECT_EQ(book.positionCount(), 258u);
    for (size_t i = 0; i < keys.size(); ++i)
    {
        BookRecord r;
        ASSERT_TRUE(book.find(keys[i], r)) << i;
        EXPECT_EQ(r.games, 1u);
        EXPECT_EQ(r.whitePoints, uint32_t(i % 3));
    }
}

TEST(BookFormat, RandomInsertsMatchAMap)
{
    CHashBook book;
    std::string path = createBook(book, "random.hbk");
    std::mt19937_64 rng(12345);
    std::map<uint64_t, std::pair<uint32_t, uint32_t>> expected;  // games, points
    // Few distinct high halves: deep cascades of splits, like the moves of one position.
    std::vector<uint64_t> highs;
    for (int i = 0; i < 6; ++i)
        highs.push_back(rng() & 0xffffffff00000000ull);
    highs.push_back(0xffffff0000000000ull);  // shares 24 more bits with the next one
    highs.push_back(0xffffff0100000000ull);
    const int inserts = 30000;
    std::vector<uint64_t> used;
    std::string error;
    for (int i = 0; i < inserts; ++i)
    {
        uint64_t key = !used.empty() && rng() % 5 == 0 ? used[rng() % used.size()]  // a repeat
                       : rng() % 2                     ? highs[rng() % highs.size()] | (rng() & 0xffffffffull)
                                                       : rng();
        if (i == inserts / 2)
        {
            // Go on through a small cache: dirty pages are now evicted and
            // written back while the inserts run.
            book.close();
            ASSERT_TRUE(book.open(path, error, true)) << error;
        }
        uint32_t points = uint32_t(rng() % 3);
        ASSERT_TRUE(book.insert(key, BookRecord{1, points, 4, BOOK_WTM})) << i << book.lastError();
        auto& e = expected[key];
        if (e.first == 0)
            used.push_back(key);
        e.first += 1;
        e.second += points;
    }
    EXPECT_EQ(book.positionCount(), expected.size());
    ASSERT_TRUE(book.flush());
    book.close();
    ASSERT_TRUE(book.open(path, error, true)) << error;
    EXPECT_EQ(book.positionCount(), expected.size());
    for (const auto& e : expected)
    {
        BookRecord r;
        ASSERT_TRUE(book.find(e.first, r)) << std::hex << e.first;
        EXPECT_EQ(r.games, e.second.first);
        EXPECT_EQ(r.whitePoints, e.second.second);
    }
}

TEST(BookFormat, DamagedFilesNeverCrashHangOrGetWrittenByProbes)
{
    CHashBook book;
    std::string path = createBook(book, "damaged.hbk");
    std::mt19937_64 rng(7);
    std::vector<uint64_t> keys;
    for (int i = 0; i < 3000; ++i)
    {
        keys.push_back(rng());
        ASSERT_TRUE(book.insert(keys.back(), BookRecord{1, 1, 4, BOOK_WTM}));
    }
    book.close();
    const std::string good = fileText(path);
    std::string error;
    BookRecord r;

    // A cycle (the root's children point back at the root), then links outside the file, as
    // bucket and as node: nothing found, inserts refused, the file untouched.
    std::string cycle = good, outside = good;
    putLe(cycle, 252, 252, 4);
    putLe(cycle, 256, 252, 4);
    putLe(outside, 252, 0x80000000u | 0x7ffff000u, 4);
    putLe(outside, 256, 0x7ffff000u, 4);
    for (bool isCycle : {true, false})
    {
        const std::string& b = isCycle ? cycle : outside;
        writeText(path, b);
        ASSERT_TRUE(book.open(path, error)) << error;
        for (size_t i = 0; i < 50; ++i)
            EXPECT_EQ(book.lookup(keys[i], r), isCycle ? CHashBook::NOT_FOUND : CHashBook::READ_FAILED);
        EXPECT_FALSE(book.insert(keys[0], BookRecord{1, 1, 4, BOOK_WTM}));
        EXPECT_NE(book.lastError(), "");
        book.close();
        EXPECT_EQ(fileText(path), b) << "a failed insert must not touch the file";
    }

    // Truncated: records behind the cut are lost, none crash.
    for (size_t cut : {size_t(2300), good.size() / 2, good.size() - 1})
    {
        writeText(path, good.substr(0, cut));
        ASSERT_TRUE(book.open(path, error)) << error;
        int found = 0;
        for (uint64_t key : keys)
            found += book.lookup(key, r) == CHashBook::FOUND;
        EXPECT_TRUE(cut > good.size() / 2 || found < int(keys.size())) << cut;
        book.close();
    }

    // Random garbage behind a valid header and root.
    for (int round = 0; round < 20; ++round)
    {
        std::string b = good;
        for (size_t i = 252; i < b.size(); ++i)
            if (rng() % 50 == 0)
                b[i] = char(rng());
        writeText(path, b);
        ASSERT_TRUE(book.open(path, error, true)) << error;
        for (size_t i = 0; i < 200; ++i)
            book.lookup(keys[i], r);
        book.close();
        EXPECT_EQ(fileText(path), b) << "probing must not write";
    }

    // A good book that is only probed (and whose parameters are read) keeps
    // its bytes and its modification time.
    writeText(path, good);
    struct stat before, after;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_TRUE(book.open(path, error));
    for (uint64_t key : keys)
        ASSERT_TRUE(book.find(key, r));
    EXPECT_EQ(book.parameter(BOOK_VGOODBIAS), 10.0);
    book.close();
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(fileText(path), good);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST(BookFormat, OffsetsBeyond31BitsAreRefused)
{
    CHashBook book;
    std::string path = createBook(book, "huge.hbk");
    ASSERT_TRUE(book.insert(0x8000000000000001ull, BookRecord{1, 1, 4, BOOK_WTM}));
    book.close();
    // Grow the file (sparsely) to just below 2 GB: the next bucket would start
    // beyond what a trie child can address.
    std::filesystem::resize_file(path, 0x80000000ull - 4000);
    std::string error;
    ASSERT_TRUE(book.open(path, error)) << error;
    EXPECT_FALSE(book.insert(0x0000000000000001ull, BookRecord{1, 1, 4, BOOK_WTM}));
    EXPECT_NE(book.lastError().find("31 bits"), std::string::npos) << book.lastError();
    // Records that fit in an existing bucket still go in.
    EXPECT_TRUE(book.insert(0x8000000000000002ull, BookRecord{1, 1, 4, BOOK_WTM}));
    EXPECT_EQ(book.positionCount(), 2u);
    book.close();
    EXPECT_EQ(std::filesystem::file_size(path), 0x80000000ull - 4000);
    std::filesystem::remove(path);
}
