// The hash-book file: statistics per (position, move) pair, kept in buckets of
// 256 records that hang off a binary trie over the bits of a 64-bit record key.
// A full bucket is split by turning it into a trie node. The file also carries
// the move-choice parameters of the book in its header.
//
// Layout (little-endian, offsets from the start of the file):
//   header 248 bytes | node block 2052 bytes (its first node, at 252, is the
//   root) | then buckets (4104 bytes) and further node blocks in the order they
//   were needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "book/book.h"
#include "book/pagedfile.h"

class CPosition;
class PgnGame;
class PgnNode;
struct BookImportOptions;

// ---- On-disk structures --------------------------------------------------------

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "book structures are read and written as little-endian memory images");

constexpr int BOOK_PARAMETER_COUNT = 6;

struct BookFileHeader
{
    char magic[16];          // "VekHashBook", NUL padded
    uint32_t version;        // 3
    uint32_t rootOffset;     // 252
    uint32_t positionCount;  // records in use
    uint32_t freeBucket;     // head of the free-bucket list, 0 = empty
    uint32_t nodeBlock;      // node block with room left, 0 = none
    uint32_t reserved;
    double parameters[BOOK_PARAMETER_COUNT];
    uint8_t reserved2[160];
};

struct BookTrieNode
{
    // 0 = empty; bit 31 clear: offset of a trie node; bit 31 set: bucket offset in bits 0-30.
    uint32_t child[2];
};

constexpr int BOOK_NODES_PER_BLOCK = 256;

struct BookNodeBlock
{
    uint32_t count;  // nodes handed out
    BookTrieNode nodes[BOOK_NODES_PER_BLOCK];
};

struct BookRecordSlot
{
    uint64_t key;
    uint64_t data;
};

constexpr int BOOK_BUCKET_SLOTS = 256;

struct BookBucket
{
    uint32_t nextFree;  // link while on the free list, else 0
    uint32_t reserved;
    BookRecordSlot slots[BOOK_BUCKET_SLOTS];
};

static_assert(sizeof(BookFileHeader) == 248, "header size");
static_assert(offsetof(BookFileHeader, version) == 16, "header layout");
static_assert(offsetof(BookFileHeader, parameters) == 40, "header layout");
static_assert(offsetof(BookFileHeader, reserved2) == 88, "header layout");
static_assert(sizeof(BookTrieNode) == 8, "node size");
static_assert(sizeof(BookNodeBlock) == 2052, "node block size");
static_assert(sizeof(BookRecordSlot) == 16, "record size");
static_assert(sizeof(BookBucket) == 4104, "bucket size");
static_assert(offsetof(BookBucket, slots) == 8, "bucket layout");

constexpr uint32_t BOOK_VERSION = 3;
constexpr uint32_t BOOK_HEADER_SIZE = sizeof(BookFileHeader);
constexpr uint32_t BOOK_FIRST_BLOCK = BOOK_HEADER_SIZE;
constexpr uint32_t BOOK_ROOT_OFFSET = BOOK_FIRST_BLOCK + 4;
constexpr uint32_t BOOK_FRESH_SIZE = BOOK_HEADER_SIZE + sizeof(BookNodeBlock);  // 2300
constexpr uint32_t BOOK_BUCKET_FLAG = 0x80000000u;
// Every offset must fit in the 31 bits a trie child has for it.
constexpr uint64_t BOOK_MAX_FILE_SIZE = 0x80000000ull;

// ---- Records --------------------------------------------------------------------

// Flags of a record.
constexpr uint8_t BOOK_BTM = 1;      // usable with Black to move
constexpr uint8_t BOOK_WTM = 2;      // usable with White to move
constexpr uint8_t BOOK_AN_VBAD = 4;  // annotation classes, each selecting a weight factor
constexpr uint8_t BOOK_AN_BAD = 8;
constexpr uint8_t BOOK_AN_GOOD = 16;
constexpr uint8_t BOOK_AN_VGOOD = 32;
constexpr uint8_t BOOK_IN_USE = 128;  // the slot holds a record

constexpr uint32_t BOOK_MAX_COUNT = 0xffffff;  // games and points are 24-bit fields
constexpr uint32_t BOOK_MAX_BIAS = 15;         // quarters: 0.0 .. 3.75

// The statistics of one (position, move) pair.
struct BookRecord
{
    uint32_t games = 0;        // games in which the move was played
    uint32_t whitePoints = 0;  // White's half-points over those games
    uint32_t bias = 0;         // quarters
    uint8_t flags = 0;

    // Data word: bits 0-23 games, 24-47 points, 48-51 bias, 52-55 reserved, 56-63 flags.
    // Values too large for their field saturate instead of spilling into the next one.
    uint64_t pack() const;
    static BookRecord unpack(uint64_t data);
};

// The record key of a move: the high half of the key before the move, the low
// half of the key after it, all bits inverted when Black is to move (the
// position keys carry no side to move).
uint64_t bookRecordKey(uint64_t keyBefore, uint64_t keyAfter, bool blackToMove);

// Indices of the move-choice parameters kept in the header.
constexpr int BOOK_THRESHOLD = 0;
constexpr int BOOK_SCOREBIAS = 1;
constexpr int BOOK_VBADBIAS = 2;
constexpr int BOOK_BADBIAS = 3;
constexpr int BOOK_GOODBIAS = 4;
constexpr int BOOK_VGOODBIAS = 5;

// ---- The book object -----------------------------------------------------------------

class CHashBook : public CBook
{
public:
    CHashBook() = default;
    ~CHashBook() override;
    CHashBook(const CHashBook&) = delete;
    CHashBook& operator=(const CHashBook&) = delete;

    // Creates (or empties) the file with a fresh header and the first node block; a file
    // open in the engine is refused.
    bool create(const std::string& name, std::string& error);
    // Opens an existing book and checks its header and root.
    bool open(const std::string& name, std::string& error, bool smallCache = false);
    // After a failed open: whether the file could be read but holds no hash-book header
    // (too short for one, or another magic), so it may be a book of another format.
    bool lastOpenFoundNoHeader() const { return m_noHeader; }
    // Writes what changed and closes; nothing is written for a book that was only read.
    void close() override;
    bool isOpen() const override { return m_file.isOpen(); }
    bool isReadOnly() const { return m_file.isReadOnly(); }
    // Writes the header if it changed and every cached page, durably.
    bool flush();
    uint32_t positionCount() const override { return isOpen() ? m_header.positionCount : 0; }
    const std::string& fileName() const override { return m_name; }
    bool storesWeights() const override { return false; }
    bool isFile(const std::string& name) const { return m_file.isSameFile(name); }
    // Why the last find, insert or write failed.
    const std::string& lastError() const { return m_error; }

    // 0 for every parameter while no book is open.
    double parameter(int index) const;
    // Sets a parameter of an open book and writes the header to disk at once.
    bool setParameter(int index, double value);

    enum FindResult
    {
        FOUND,
        NOT_FOUND,
        READ_FAILED
    };
    // Tells a missing record from a file that could not be read.
    FindResult lookup(uint64_t key, BookRecord& out);
    bool find(uint64_t key, BookRecord& out) { return lookup(key, out) == FOUND; }
    // Adds the record, or merges it into the record with the same key: games
    // and points added, bias replaced, flags or-ed.
    bool insert(uint64_t key, const BookRecord& record);
    bool writeHeader();

    // Probing and building (bookchoice.cpp, bookbuild.cpp).
    bool probe(const CPosition& position, std::vector<BookMove>& out) override;
    bool importPgn(const std::string& fileName, const BookImportOptions& options, std::string& errors);
    bool addGame(const PgnGame& game, const BookImportOptions& options);
    // Adds every move below 'node' (played from 'position') down to 'depth' plies.
    bool addGameTree(const PgnNode& node, const CPosition& position, int whiteHalfPoints,
                     const BookImportOptions& options, int depth);
    // Games read by the last importPgn.
    int importedGames() const { return m_importedGames; }

private:
    struct SlotSearch
    {
        int equal = -1;  // slot holding the key
        int empty = -1;  // first empty slot met while probing
    };

    bool failed(const std::string& what);
    bool fileRead(uint64_t offset, size_t size, void* buffer);
    bool fileWrite(uint64_t offset, size_t size, const void* buffer);
    void resetState();
    bool loadNode(uint32_t offset, BookTrieNode*& node);
    bool writeNode(uint32_t offset, const BookTrieNode& node);
    bool validNodeOffset(uint32_t offset) const;
    bool validBucketOffset(uint32_t offset) const;
    bool readSlot(uint32_t bucket, int slot, BookRecordSlot& out);
    bool writeSlot(uint32_t bucket, int slot, const BookRecordSlot& record);
    bool searchBucket(uint32_t bucket, uint64_t key, SlotSearch& result);
    bool obtainBucket(uint32_t& offset);
    bool obtainNode(uint32_t& offset);
    bool splitBucket(uint32_t parent, int side, uint32_t bucket, int level);

    CPagedFile m_file;
    std::string m_name;
    BookFileHeader m_header{};
    bool m_headerDirty = false;
    std::unordered_map<uint32_t, BookTrieNode> m_nodes;  // loaded trie nodes by offset
    std::string m_error;
    int m_importedGames = 0;
    bool m_noHeader = false;
};
