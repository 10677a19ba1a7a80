// Shared pieces of the fuzz targets: turning the fuzzer's bytes into text or a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

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
#define FUZZ_CHECK(condition)                                                                      \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
        {                                                                                          \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
