// vekran-tbgen: writes Edwards tablebase files by retrograde analysis.
//   vekran-tbgen [-d dir] [--verify] [all3|all4|CLASS...]
// Without class names it makes every class of three men. The files of the
// classes that captures and promotions lead into are read from the directory
// when they are there, and made first otherwise. --verify instead checks every
// index of each named class's files against its moves (making missing files).
#include <cstdio>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "endgame/tbgen.h"

namespace
{
void usage()
{
    std::printf("Usage: vekran-tbgen [-d dir] [--verify] [all3|all4|CLASS...]\n"
                "  -d dir     directory of the .tbw and .tbb files (default: the current one)\n"
                "  --verify   check the files of each class against the moves, instead of making them\n"
                "  all3, all4 every class of three or four men; CLASS a name such as KRPK\n");
}

void report(const TablebaseGeneration& g)
{
    if (g.loaded)
        std::printf("%-6s loaded\n", g.name.c_str());
    else
        std::printf("%-6s %8.2f s (cpu %7.2f s)  %10llu positions  %9llu wins %9llu draws %9llu losses  "
                    "longest mate %d\n",
                    g.name.c_str(), g.seconds, g.cpuSeconds, (unsigned long long)g.positions,
                    (unsigned long long)g.wins, (unsigned long long)g.draws, (unsigned long long)g.losses,
                    g.longestMate);
    std::fflush(stdout);
}
}

int main(int argc, char** argv)
{
    std::string directory;
    bool verify = false;
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i)
    {
        std::string arg = argv[i];
        if (arg == "-d" && i + 1 < argc)
            directory = argv[++i];
        else if (arg == "--verify")
            verify = true;
        else if (arg == "-h" || arg == "--help")
        {
            usage();
            return 0;
        }
        else if (arg == "all3" || arg == "all4")
            for (const std::string& name : tbClassNames(arg == "all3" ? 3 : 4))
                names.push_back(name);
        else if (!arg.empty() && arg[0] != '-')
            names.push_back(arg);
        else
        {
            usage();
            return 2;
        }
    }
    if (names.empty())
        names = tbClassNames(3);
    std::error_code ignored;
    if (!directory.empty())
        std::filesystem::create_directories(directory, ignored);

    CTablebaseGenerator generator(directory);
    generator.setObserver(report);
    int failures = 0;
    for (size_t i = 0; !verify && i < names.size(); ++i)
    {
        const std::string& name = names[i];
        std::string error;
        if (!generator.generate(name, error))
        {
            std::fprintf(stderr, "vekran-tbgen: %s\n", error.c_str());
            ++failures;
        }
    }
    for (size_t i = 0; verify && i < names.size(); ++i)
    {
        TablebaseCheck check;
        std::string error;
        auto start = std::chrono::steady_clock::now();
        if (!generator.verify(names[i], check, error))
        {
            std::fprintf(stderr, "vekran-tbgen: %s\n", error.c_str());
            ++failures;
            continue;
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-6s verified %llu indices in %.2f s: %llu errors%s%s\n", names[i].c_str(),
                    (unsigned long long)check.positions, seconds, (unsigned long long)check.errors,
                    check.errors ? ", first " : "", check.firstError.c_str());
        failures += check.errors != 0;
    }
    return failures == 0 ? 0 : 1;
}
