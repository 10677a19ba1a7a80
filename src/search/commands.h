// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handleHash(const std::string& args);
void handleExt(const std::string& args);
void handleNull(const std::string& args);
void handleAnalHash(const std::string& args);

#include <cstdint>

// The hash size setting: the transposition table budget in bytes (-hash <MB>,
// the hash command), 8 MB until set.
int64_t hashSizeSetting();
void setHashSizeSetting(int64_t bytes);
// Sizes (and clears) the transposition table from the hash size setting; used
// at start-up and by every new game. When the memory cannot be had the table
// falls back to the smallest size and a line says so; returns false then.
bool resizeHashTable();
// The -hash <MB> option: sets the hash size setting in 64 bits (a negative
// size counts as 0, which gives the smallest table).
void setHashSizeFromOption(int64_t megabytes);
