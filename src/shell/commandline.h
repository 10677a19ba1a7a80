// The engine's command line options.
#pragma once

#include <string>
#include <vector>

class CGameSettings;

class CCommandLine
{
public:
    // args: argv[1..argc-1].
    explicit CCommandLine(const std::vector<std::string>& args);

    // First pass: finds "-log" or "/log" (any case) anywhere and removes it from further
    // processing. True when one was given (opening the file is the caller's business).
    bool takeLogOption();

    // Second pass over the remaining options: -hash <MB> / -hash<MB>, -book <file>, -td,
    // -name <name>: the hash size goes to the search's setting, the others to the game
    // settings given. Unknown options print "Invalid parameter: %s\n" through output().
    // Returns true when the usage text is due (an unknown option, -? or -help).
    bool applyOptions(CGameSettings& settings);

    // The usage text (printed to standard output only, never logged).
    static std::string usageText();

private:
    std::vector<std::string> m_args;
    std::vector<bool> m_removed;
};
