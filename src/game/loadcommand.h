// The l[oad] command: a PGN game from a file, from standard input ("-"), or
// from a file chosen in a browser over the current directory.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Reads one line of input without its line end; false once the input has ended.
typedef std::function<bool(std::string&)> LoadLineReader;

// The command with its input source (the engine's input service, a script in tests).
void runLoadCommand(const std::string& args, const LoadLineReader& readLine);

// The browser's entries in a directory: "..\" first, then the
// sub-directories (with "\" appended) and the files whose names end in "pgn",
// together sorted by name.
std::vector<std::string> browserEntries(const std::string& directory);
