// A Polyglot opening book, opened read-only: a file of 16-byte big-endian entries
// (key 8, move 2, weight 2, learn 4) sorted by key, where the key is the Polyglot key of
// the position (polyglotkey.h). A position's moves are the run of entries with its key;
// each move's weight is the entry's weight.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "book/book.h"

constexpr uint64_t POLYGLOT_ENTRY_SIZE = 16;

struct PolyglotEntry
{
    uint64_t key = 0;
    uint16_t move = 0;
    uint16_t weight = 0;
    uint32_t learn = 0;
};

// Reads one big-endian entry from its 16 file bytes.
PolyglotEntry decodePolyglotEntry(const unsigned char* bytes);

class CPolyglotBook : public CBook
{
public:
    CPolyglotBook() = default;
    ~CPolyglotBook() override;
    CPolyglotBook(const CPolyglotBook&) = delete;
    CPolyglotBook& operator=(const CPolyglotBook&) = delete;

    // Opens the file and checks all of it: a non-empty whole number of entries, keys in
    // order and every move a possible one. On failure the book stays closed and 'error'
    // says why.
    bool open(const std::string& name, std::string& error);
    void close() override;
    bool isOpen() const override { return m_file != nullptr; }
    uint32_t positionCount() const override;
    const std::string& fileName() const override { return m_name; }
    // The entries of the position's key, in file order, whose move is legal there; moves
    // the position does not allow (a key collision or a damaged entry) are left out.
    bool probe(const CPosition& position, std::vector<BookMove>& out) override;
    bool storesWeights() const override { return true; }

    uint64_t entryCount() const { return m_entries; }
    // The entries with the key, in file order; false when the file could not be read.
    bool entriesOf(uint64_t key, std::vector<PolyglotEntry>& out);

private:
    bool readEntries(uint64_t first, uint64_t count, unsigned char* buffer);

    std::FILE* m_file = nullptr;
    std::string m_name;
    uint64_t m_entries = 0;
};
