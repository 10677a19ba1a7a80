#include "book/hashbook.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/openfiles.h"

namespace
{
const char MAGIC[] = "VekHashBook";
const double DEFAULT_PARAMETERS[BOOK_PARAMETER_COUNT] = {3.0, 1.0, 0.0, 0.5, 2.0, 10.0};

constexpr int IN_USE_SHIFT = 63;  // bit 7 of the flags byte

bool slotInUse(const BookRecordSlot& slot) { return ((slot.data >> IN_USE_SHIFT) & 1) != 0; }

// Places a record in a bucket image at the first free slot from its key's low
// byte; false when the image is full.
bool placeInImage(BookBucket& image, const BookRecordSlot& record)
{
    int start = int(record.key & 0xff);
    for (int i = 0; i < BOOK_BUCKET_SLOTS; ++i)
    {
        BookRecordSlot& slot = image.slots[(start + i) & 0xff];
        if (!slotInUse(slot))
        {
            slot = record;
            return true;
        }
    }
    return false;
}

uint32_t saturatedSum(uint32_t a, uint32_t b)
{
    uint64_t sum = uint64_t(a) + b;
    return sum > BOOK_MAX_COUNT ? BOOK_MAX_COUNT : uint32_t(sum);
}
}

// ---- Records ----------------------------------------------------------------------

uint64_t BookRecord::pack() const
{
    uint64_t g = games > BOOK_MAX_COUNT ? BOOK_MAX_COUNT : games;
    uint64_t p = whitePoints > BOOK_MAX_COUNT ? BOOK_MAX_COUNT : whitePoints;
    uint64_t b = bias > BOOK_MAX_BIAS ? BOOK_MAX_BIAS : bias;
    return g | (p << 24) | (b << 48) | (uint64_t(flags) << 56);
}

BookRecord BookRecord::unpack(uint64_t data)
{
    BookRecord record;
    record.games = uint32_t(data & 0xffffff);
    record.whitePoints = uint32_t((data >> 24) & 0xffffff);
    record.bias = uint32_t((data >> 48) & 0xf);
    record.flags = uint8_t(data >> 56);
    return record;
}

uint64_t bookRecordKey(uint64_t keyBefore, uint64_t keyAfter, bool blackToMove)
{
    uint64_t key = (keyBefore & 0xffffffff00000000ull) | (keyAfter & 0x00000000ffffffffull);
    return blackToMove ? ~key : key;
}

// ---- Opening and closing -------------------------------------------------------------

CHashBook::~CHashBook() { close(); }

void CHashBook::resetState()
{
    std::memset(&m_header, 0, sizeof m_header);
    m_headerDirty = false;
    m_nodes.clear();
}

bool CHashBook::failed(const std::string& what)
{
    m_error = what;
    return false;
}

bool CHashBook::fileRead(uint64_t offset, size_t size, void* buffer)
{
    if (m_file.read(offset, size, buffer))
        return true;
    return failed(m_file.errorText());
}

bool CHashBook::fileWrite(uint64_t offset, size_t size, const void* buffer)
{
    if (m_file.write(offset, size, buffer))
        return true;
    return failed(m_file.errorText());
}

bool CHashBook::create(const std::string& name, std::string& error)
{
    close();
    m_error.clear();
    // Emptying a file the engine holds open (the game record, the log, another book)
    // would have its owner go on writing into the new book.
    if (isOpenInThisProcess(name))
    {
        error = "Reason: The file is open in the engine";
        return false;
    }
    // The empty book is written beside the old file and renamed over it, so a
    // crash leaves either the old book or the new one, never a file without a header.
    BookFileHeader header{};
    std::memcpy(header.magic, MAGIC, sizeof MAGIC);
    header.version = BOOK_VERSION;
    header.rootOffset = BOOK_ROOT_OFFSET;
    for (int i = 0; i < BOOK_PARAMETER_COUNT; ++i)
        header.parameters[i] = DEFAULT_PARAMETERS[i];
    BookNodeBlock block{};
    block.count = 1;  // the root
    std::string image(BOOK_FRESH_SIZE, '\0');
    std::memcpy(&image[0], &header, sizeof header);
    std::memcpy(&image[BOOK_FIRST_BLOCK], &block, sizeof block);
    switch (writeWholeFile(name, image))
    {
    case FileWriteResult::WRITTEN:
        break;
    case FileWriteResult::NOT_REGULAR:
        error = "Reason: Not a regular file";
        return false;
    case FileWriteResult::IN_USE:
        error = "Reason: The file is open in the engine";
        return false;
    case FileWriteResult::FAILED:
        error = "Reason: " + lastSystemErrorText();
        return false;
    }
    return open(name, error);
}

bool CHashBook::open(const std::string& name, std::string& error, bool smallCache)
{
    close();
    m_error.clear();
    m_noHeader = false;
    size_t pages = smallCache ? 256 : CPagedFile::largeCachePages();
    if (!m_file.open(name, CPagedFile::OPEN_EXISTING, pages))
    {
        error = "Reason: " + m_file.errorText();
        return false;
    }
    resetState();
    auto refuse = [&](const std::string& text) {
        m_file.close();
        resetState();
        error = text;
        return false;
    };
    if (!m_file.read(0, sizeof m_header, &m_header))
    {
        m_noHeader = m_file.endOffset() < sizeof m_header;
        return refuse("Failed to read file header");
    }
    if (std::memcmp(m_header.magic, MAGIC, sizeof MAGIC) != 0)
    {
        m_noHeader = true;
        return refuse("File is not a VEK Hash Book");
    }
    if (m_header.version < BOOK_VERSION)
    {
        char text[128];
        std::snprintf(text, sizeof text, "Book file is an old version.  File version: %d.  Version required: %d",
                      int(m_header.version), int(BOOK_VERSION));
        return refuse(text);
    }
    if (m_header.version > BOOK_VERSION)
        return refuse("File version number is not valid");
    BookTrieNode root;
    // A root inside the header would let inserts overwrite the header.
    if (m_header.rootOffset < BOOK_ROOT_OFFSET || !m_file.read(m_header.rootOffset, sizeof root, &root))
        return refuse("Failed to read root index entry from file");
    m_nodes[m_header.rootOffset] = root;
    // Links that point nowhere sensible are dropped in memory only: a book
    // that is merely probed is never written.
    uint64_t end = m_file.endOffset();
    if (m_header.nodeBlock != 0 &&
        (m_header.nodeBlock < BOOK_FIRST_BLOCK || uint64_t(m_header.nodeBlock) + sizeof(BookNodeBlock) > end))
        m_header.nodeBlock = 0;
    if (m_header.freeBucket != 0 && !validBucketOffset(m_header.freeBucket))
        m_header.freeBucket = 0;
    m_name = name;
    return true;
}

void CHashBook::close()
{
    if (!m_file.isOpen())
        return;
    if (m_headerDirty && !m_file.isReadOnly())
        writeHeader();
    m_file.close();
    resetState();
    m_name.clear();
}

bool CHashBook::writeHeader()
{
    if (!isOpen())
        return failed("Book file not open");
    if (!fileWrite(0, sizeof m_header, &m_header))
        return false;
    m_headerDirty = false;
    return true;
}

bool CHashBook::flush()
{
    if (!isOpen())
        return true;
    bool ok = true;
    if (m_headerDirty && !m_file.isReadOnly())
        ok = writeHeader();
    if (!m_file.flush())
        ok = failed(m_file.errorText());
    return ok;
}

double CHashBook::parameter(int index) const
{
    if (!isOpen() || index < 0 || index >= BOOK_PARAMETER_COUNT)
        return 0.0;
    return m_header.parameters[index];
}

bool CHashBook::setParameter(int index, double value)
{
    if (index < 0 || index >= BOOK_PARAMETER_COUNT)
        return failed("No such book parameter");
    if (!isOpen())
        return failed("Book file not open");
    m_header.parameters[index] = value;
    // Straight to disk: a setting typed at the console should survive a crash
    // and be seen by any other reader of the file.
    return writeHeader() && flush();
}

// ---- Trie and buckets -------------------------------------------------------------

bool CHashBook::validNodeOffset(uint32_t offset) const
{
    return offset >= BOOK_ROOT_OFFSET && uint64_t(offset) + sizeof(BookTrieNode) <= m_file.endOffset();
}

bool CHashBook::validBucketOffset(uint32_t offset) const
{
    return offset >= BOOK_FRESH_SIZE && uint64_t(offset) + sizeof(BookBucket) <= m_file.endOffset();
}

bool CHashBook::loadNode(uint32_t offset, BookTrieNode*& node)
{
    auto found = m_nodes.find(offset);
    if (found != m_nodes.end())
    {
        node = &found->second;
        return true;
    }
    if (!validNodeOffset(offset))
        return failed("Book file is corrupt: trie node outside the file");
    BookTrieNode loaded;
    if (!fileRead(offset, sizeof loaded, &loaded))
        return false;
    node = &(m_nodes[offset] = loaded);
    return true;
}

bool CHashBook::writeNode(uint32_t offset, const BookTrieNode& node)
{
    if (!fileWrite(offset, sizeof node, &node))
        return false;
    m_nodes[offset] = node;
    return true;
}

bool CHashBook::readSlot(uint32_t bucket, int slot, BookRecordSlot& out)
{
    return fileRead(uint64_t(bucket) + offsetof(BookBucket, slots) + uint64_t(slot) * sizeof(BookRecordSlot),
                    sizeof out, &out);
}

bool CHashBook::writeSlot(uint32_t bucket, int slot, const BookRecordSlot& record)
{
    return fileWrite(uint64_t(bucket) + offsetof(BookBucket, slots) + uint64_t(slot) * sizeof(BookRecordSlot),
                     sizeof record, &record);
}

bool CHashBook::searchBucket(uint32_t bucket, uint64_t key, SlotSearch& result)
{
    result = SlotSearch();
    int start = int(key & 0xff);
    for (int i = 0; i < BOOK_BUCKET_SLOTS; ++i)
    {
        int slot = (start + i) & 0xff;
        BookRecordSlot record;
        if (!readSlot(bucket, slot, record))
            return false;
        if (!slotInUse(record))
        {
            result.empty = slot;
            return true;
        }
        if (record.key == key)
        {
            result.equal = slot;
            return true;
        }
    }
    return true;  // full, key absent
}

CHashBook::FindResult CHashBook::lookup(uint64_t key, BookRecord& out)
{
    if (!isOpen())
    {
        failed("Book file not open");
        return NOT_FOUND;
    }
    BookTrieNode* node;
    if (!loadNode(m_header.rootOffset, node))
        return READ_FAILED;
    // One trie level per key bit: a damaged file whose links form a cycle ends
    // the walk here instead of looping.
    for (int level = 0; level < 64; ++level)
    {
        uint32_t child = node->child[(key >> (63 - level)) & 1];
        if (child == 0)
            return NOT_FOUND;
        if ((child & BOOK_BUCKET_FLAG) == 0)
        {
            if (!loadNode(child, node))
                return READ_FAILED;
            continue;
        }
        uint32_t bucket = child & ~BOOK_BUCKET_FLAG;
        if (!validBucketOffset(bucket))
        {
            failed("Book file is corrupt: bucket outside the file");
            return READ_FAILED;
        }
        SlotSearch search;
        if (!searchBucket(bucket, key, search))
            return READ_FAILED;
        if (search.equal < 0)
            return NOT_FOUND;
        BookRecordSlot record;
        if (!readSlot(bucket, search.equal, record))
            return READ_FAILED;
        out = BookRecord::unpack(record.data);
        return FOUND;
    }
    return NOT_FOUND;
}

bool CHashBook::obtainBucket(uint32_t& offset)
{
    static const BookBucket ZERO_BUCKET = {};
    uint32_t head = m_header.freeBucket;
    if (head != 0 && validBucketOffset(head))
    {
        uint32_t next;
        if (!fileRead(head, sizeof next, &next))
            return false;
        if (next == head || (next != 0 && !validBucketOffset(next)))
            next = 0;  // a damaged list is cut rather than followed
        if (!fileWrite(head, sizeof ZERO_BUCKET, &ZERO_BUCKET))
            return false;
        m_header.freeBucket = next;
        if (!writeHeader())
            return false;
        offset = head;
        return true;
    }
    m_header.freeBucket = 0;
    if (m_file.endOffset() + sizeof(BookBucket) > BOOK_MAX_FILE_SIZE)
        return failed("Book file is full: its offsets would not fit in 31 bits");
    uint64_t appended;
    if (!m_file.append(sizeof(BookBucket), appended))
        return failed(m_file.errorText());
    offset = uint32_t(appended);
    return true;
}

bool CHashBook::obtainNode(uint32_t& offset)
{
    uint32_t block = m_header.nodeBlock;
    uint32_t count = 0;
    if (block != 0)
    {
        if (!fileRead(block, sizeof count, &count))
            return false;
        if (count >= uint32_t(BOOK_NODES_PER_BLOCK))
            block = 0;
    }
    if (block == 0)
    {
        if (m_file.endOffset() + sizeof(BookNodeBlock) > BOOK_MAX_FILE_SIZE)
            return failed("Book file is full: its offsets would not fit in 31 bits");
        uint64_t appended;
        if (!m_file.append(sizeof(BookNodeBlock), appended))
            return failed(m_file.errorText());
        block = uint32_t(appended);
        count = 0;
        m_header.nodeBlock = block;
        if (!writeHeader())
            return false;
    }
    uint32_t node = block + 4 + 8 * count;
    const BookTrieNode empty{{0, 0}};
    ++count;
    if (!writeNode(node, empty) || !fileWrite(block, sizeof count, &count))
        return false;
    if (count >= uint32_t(BOOK_NODES_PER_BLOCK))
    {
        m_header.nodeBlock = 0;
        if (!writeHeader())
            return false;
    }
    offset = node;
    return true;
}

// Turns the full bucket below parent.child[side] into a trie node one level
// deeper. The records are copied out first and written to their new buckets
// before the parent is relinked; only then is the old bucket freed. So the
// file never links a freed or half-filled bucket, and a failure part way
// leaves the old bucket in place.
bool CHashBook::splitBucket(uint32_t parent, int side, uint32_t bucket, int level)
{
    auto old = std::make_unique<BookBucket>();
    if (!fileRead(bucket, sizeof *old, old.get()))
        return false;
    uint32_t node;
    if (!obtainNode(node))
        return false;
    int bit = 63 - (level + 1);
    std::unique_ptr<BookBucket> halves[2];
    for (const BookRecordSlot& record : old->slots)
    {
        if (!slotInUse(record))
            continue;
        int half = int((record.key >> bit) & 1);
        if (!halves[half])
        {
            halves[half] = std::make_unique<BookBucket>();
            std::memset(halves[half].get(), 0, sizeof(BookBucket));
        }
        placeInImage(*halves[half], record);
    }
    BookTrieNode split{{0, 0}};
    for (int half = 0; half < 2; ++half)
    {
        if (!halves[half])
            continue;
        uint32_t fresh;
        if (!obtainBucket(fresh) || !fileWrite(fresh, sizeof(BookBucket), halves[half].get()))
            return false;
        split.child[half] = fresh | BOOK_BUCKET_FLAG;
    }
    if (!writeNode(node, split))
        return false;
    BookTrieNode* parentNode;
    if (!loadNode(parent, parentNode))
        return false;
    BookTrieNode relinked = *parentNode;
    relinked.child[side] = node;
    if (!writeNode(parent, relinked))
        return false;
    uint32_t link = m_header.freeBucket;
    if (!fileWrite(bucket, sizeof link, &link))
        return false;
    m_header.freeBucket = bucket;
    return writeHeader();
}

bool CHashBook::insert(uint64_t key, const BookRecord& record)
{
    if (!isOpen())
        return failed("Book file not open");
    if (m_file.isReadOnly())
        return failed("Failed to write to file: the book may only be read");
    BookRecordSlot fresh{key, record.pack() | (uint64_t(BOOK_IN_USE) << 56)};
    // Each split moves the bucket one level deeper, and 257 distinct keys
    // part within 64 levels, so this loop ends.
    for (int attempt = 0; attempt <= 64; ++attempt)
    {
        uint32_t parent = m_header.rootOffset;
        BookTrieNode* node;
        if (!loadNode(parent, node))
            return false;
        int level = 0;
        int side = int(key >> 63);
        uint32_t child = node->child[side];
        while (child != 0 && (child & BOOK_BUCKET_FLAG) == 0)
        {
            if (++level >= 64)
                return failed("Book file is corrupt: trie deeper than the key");
            parent = child;
            if (!loadNode(parent, node))
                return false;
            side = int((key >> (63 - level)) & 1);
            child = node->child[side];
        }
        if (child == 0)
        {
            uint32_t bucket;
            if (!obtainBucket(bucket) || !writeSlot(bucket, int(key & 0xff), fresh))
                return false;
            BookTrieNode linked = *node;
            linked.child[side] = bucket | BOOK_BUCKET_FLAG;
            if (!writeNode(parent, linked))
                return false;
            ++m_header.positionCount;
            m_headerDirty = true;
            return true;
        }
        uint32_t bucket = child & ~BOOK_BUCKET_FLAG;
        if (!validBucketOffset(bucket))
            return failed("Book file is corrupt: bucket outside the file");
        SlotSearch search;
        if (!searchBucket(bucket, key, search))
            return false;
        if (search.equal >= 0)
        {
            BookRecordSlot existing;
            if (!readSlot(bucket, search.equal, existing))
                return false;
            BookRecord merged = BookRecord::unpack(existing.data);
            merged.games = saturatedSum(merged.games, record.games);
            merged.whitePoints = saturatedSum(merged.whitePoints, record.whitePoints);
            merged.bias = record.bias;
            merged.flags |= record.flags | BOOK_IN_USE;
            existing.data = merged.pack();
            return writeSlot(bucket, search.equal, existing);
        }
        if (search.empty >= 0)
        {
            if (!writeSlot(bucket, search.empty, fresh))
                return false;
            ++m_header.positionCount;
            m_headerDirty = true;
            return true;
        }
        if (level >= 63)
            return failed("Book file is corrupt: full bucket at the deepest level");
        if (!splitBucket(parent, side, bucket, level))
            return false;
    }
    return failed("Book file is corrupt: bucket split does not end");
}
