#include "book/polyglotbook.h"

#include <limits>
#include <memory>

#include "board/movelist.h"
#include "board/position.h"
#include "book/polyglotkey.h"
#include "platform/files.h"

namespace
{
// Entries read at a time while the file is checked.
constexpr uint64_t CHECK_CHUNK = 4096;

// Whether a move field can be a move at all: two different squares, a known promotion
// piece only on a step to the last rank, and the unused top bit clear. A file of zeros or
// of text fails this at once.
bool possibleMove(uint16_t move)
{
    int to = move & 0x3f;
    int from = (move >> 6) & 0x3f;
    int promotion = (move >> 12) & 7;
    if ((move & 0x8000) != 0 || from == to || promotion > 4)
        return false;
    return promotion == 0 || (rankOf(from) == 6 && rankOf(to) == 7) || (rankOf(from) == 1 && rankOf(to) == 0);
}

std::string entryText(const char* what, uint64_t index)
{
    return std::string("Polyglot book file is damaged: ") + what + " at entry " + std::to_string(index);
}
}

PolyglotEntry decodePolyglotEntry(const unsigned char* bytes)
{
    PolyglotEntry entry;
    for (int i = 0; i < 8; ++i)
        entry.key = (entry.key << 8) | bytes[i];
    entry.move = uint16_t((bytes[8] << 8) | bytes[9]);
    entry.weight = uint16_t((bytes[10] << 8) | bytes[11]);
    entry.learn = (uint32_t(bytes[12]) << 24) | (uint32_t(bytes[13]) << 16) | (uint32_t(bytes[14]) << 8) | bytes[15];
    return entry;
}

CPolyglotBook::~CPolyglotBook() { close(); }

void CPolyglotBook::close()
{
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
    m_name.clear();
    m_entries = 0;
}

uint32_t CPolyglotBook::positionCount() const
{
    const uint64_t most = std::numeric_limits<uint32_t>::max();
    return uint32_t(m_entries < most ? m_entries : most);
}

bool CPolyglotBook::readEntries(uint64_t first, uint64_t count, unsigned char* buffer)
{
    if (m_file == nullptr || first > m_entries || count > m_entries - first)
        return false;
    uint64_t offset = first * POLYGLOT_ENTRY_SIZE;
    if (offset > uint64_t(std::numeric_limits<long>::max()) || std::fseek(m_file, long(offset), SEEK_SET) != 0)
        return false;
    size_t bytes = size_t(count * POLYGLOT_ENTRY_SIZE);
    return std::fread(buffer, 1, bytes, m_file) == bytes;
}

bool CPolyglotBook::open(const std::string& name, std::string& error)
{
    close();
    // A FIFO would block the open until a writer came, and a device never ends.
    FileKind kind = fileKind(name);
    if (kind != FileKind::REGULAR && kind != FileKind::MISSING)
    {
        error = "Reason: Not a regular file";
        return false;
    }
    m_file = std::fopen(name.c_str(), "rb");
    if (m_file == nullptr)
    {
        error = "Reason: " + lastSystemErrorText();
        return false;
    }
    // Every read goes to the file: a buffer could hide that the file was cut short or
    // replaced while the book is open.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    auto refuse = [&](const std::string& text) {
        close();
        error = text;
        return false;
    };
    if (std::fseek(m_file, 0, SEEK_END) != 0)
        return refuse("Failed to read Polyglot book file");
    long size = std::ftell(m_file);
    if (size < 0)
        return refuse("Failed to read Polyglot book file");
    if (size == 0)
        return refuse("Polyglot book file is empty");
    if (uint64_t(size) % POLYGLOT_ENTRY_SIZE != 0)
        return refuse("Polyglot book file is truncated: " + std::to_string(size) +
                      " bytes are not a whole number of 16-byte entries");
    m_entries = uint64_t(size) / POLYGLOT_ENTRY_SIZE;
    // Every probe relies on the order of the keys, so all of it is checked once here.
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[CHECK_CHUNK * POLYGLOT_ENTRY_SIZE]);
    uint64_t previous = 0;
    for (uint64_t first = 0; first < m_entries; first += CHECK_CHUNK)
    {
        uint64_t count = m_entries - first < CHECK_CHUNK ? m_entries - first : CHECK_CHUNK;
        if (!readEntries(first, count, buffer.get()))
            return refuse("Failed to read Polyglot book file");
        for (uint64_t i = 0; i < count; ++i)
        {
            PolyglotEntry entry = decodePolyglotEntry(buffer.get() + i * POLYGLOT_ENTRY_SIZE);
            if (first + i > 0 && entry.key < previous)
                return refuse(entryText("keys out of order", first + i));
            if (!possibleMove(entry.move))
                return refuse(entryText("no possible move", first + i));
            previous = entry.key;
        }
    }
    m_name = name;
    return true;
}

bool CPolyglotBook::entriesOf(uint64_t key, std::vector<PolyglotEntry>& out)
{
    out.clear();
    if (m_file == nullptr)
        return false;
    unsigned char bytes[POLYGLOT_ENTRY_SIZE];
    // The first entry whose key is not below the one sought.
    uint64_t low = 0;
    uint64_t high = m_entries;
    while (low < high)
    {
        uint64_t middle = low + (high - low) / 2;
        if (!readEntries(middle, 1, bytes))
            return false;
        if (decodePolyglotEntry(bytes).key < key)
            low = middle + 1;
        else
            high = middle;
    }
    for (uint64_t index = low; index < m_entries; ++index)
    {
        if (!readEntries(index, 1, bytes))
        {
            out.clear();
            return false;
        }
        PolyglotEntry entry = decodePolyglotEntry(bytes);
        if (entry.key != key)
            break;
        out.push_back(entry);
    }
    return true;
}

bool CPolyglotBook::probe(const CPosition& position, std::vector<BookMove>& out)
{
    out.clear();
    std::vector<PolyglotEntry> entries;
    if (!entriesOf(polyglotKey(position), entries))
        return false;
    if (entries.empty())
        return true;
    CMoveList legal;
    position.generateLegal(legal);
    for (const PolyglotEntry& entry : entries)
        for (Move move : legal)
            if (polyglotMove(move) == entry.move)
            {
                BookMove candidate;
                candidate.move = move;
                candidate.hasStoredWeight = true;
                candidate.storedWeight = entry.weight;
                out.push_back(candidate);
                break;
            }
    return true;
}
