// Shared pieces of the fuzz targets: turning the fuzzer's bytes into text or a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <vector>

#include "board/position.h"
#include "book/book.h"

inline std::string fuzzText(const uint8_t* data, size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A file of this process holding the bytes, rewritten for every input.
inline const std::string& fuzzFile(const uint8_t* data, size_t size, const char* suffix)
{
    static const std::string name = "/tmp/vekran-fuzz-" + std::to_string(getpid()) + suffix;
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    return name;
}

// A broken promise of the code under test: the fuzzer records the input that led here.
#define FUZZ_CHECK(condition)                                                                                          \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!(condition))                                                                                              \
        {                                                                                                              \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                        \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

// Probes the book along a line from the start position: its own first move where it has
// one, else the legal moves in turn, so damaged records meet real positions.
inline void probeAlongALine(CBook& book, int plies)
{
    CPosition position;
    position.setFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (int ply = 0; ply < plies; ++ply)
    {
        std::vector<BookMove> moves;
        book.probe(position, moves);
        CMoveList legal;
        position.generateLegal(legal);
        if (legal.size() == 0)
            break;
        position.makeMove(moves.empty() ? legal[ply % legal.size()] : moves[0].move);
    }
}
