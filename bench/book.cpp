// Book building and probing speed: about 2000 master games imported at the
// default depth, then the start position and a few opening positions probed.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "board/position.h"
#include "book/bookbuild.h"
#include "book/bookchoice.h"
#include "sections.h"

namespace
{
// The games live in the source tree, beside this file's folder.
std::string testDataDir()
{
#ifdef VEKRAN_TEST_DATA
    return VEKRAN_TEST_DATA;
#else
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "tests" / "data").string();
#endif
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}

int benchBook(uint64_t& /*signatureNodes*/)
{
    namespace fs = std::filesystem;
    const std::string source = testDataDir() + "/pgn/pgn-parser-twic-01-232games.pgn";
    std::ifstream in(source, std::ios::binary);
    if (!in)
    {
        std::printf("book: cannot read %s\n", source.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    fs::path dir = fs::temp_directory_path() / ("vekran_bench_book_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string pgn = (dir / "games.pgn").string();
    const std::string bookName = (dir / "bench.hbk").string();
    {
        // 232 games, nine times over: 2088 games.
        std::ofstream out(pgn, std::ios::binary);
        for (int copy = 0; copy < 9; ++copy)
            out << text.str() << "\n\n";
    }

    int failures = 0;
    CHashBook book;
    std::string error;
    if (!book.create(bookName, error))
    {
        std::printf("book: cannot create %s: %s\n", bookName.c_str(), error.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    std::string errors;
    BookImportOptions options;
    book.importPgn(pgn, options, errors);
    double importSeconds = secondsSince(start);
    int games = book.importedGames();
    std::printf("book: imported %d games (depth %d) in %.2f s, %u positions, %.0f KB\n", games, options.maxDepth,
                importSeconds, book.positionCount(), double(fs::file_size(bookName)) / 1024.0);
    if (!errors.empty())
        std::printf("book: import errors:\n%s", errors.c_str());
    if (games < 2000 || importSeconds >= 5.0)
    {
        std::printf("book: FAILED (need at least 2000 games in under 5 s)\n");
        ++failures;
    }
    book.close();

    // Probes in a freshly opened book, as the engine does while playing.
    if (!book.open(bookName, error, false))
    {
        std::printf("book: cannot open %s: %s\n", bookName.c_str(), error.c_str());
        return failures + 1;
    }
    std::vector<CPosition> positions(1);
    const char* lines[] = {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"};
    for (const char* san : lines)
    {
        CPosition next = positions.back();
        Move move;
        if (!next.parseMove(san, move))
            break;
        next.makeMove(move);
        positions.push_back(next);
    }
    std::vector<BookMove> moves;
    size_t startMoves = 0;
    if (book.probe(positions[0], moves))
        startMoves = moves.size();
    const int rounds = 2000;
    start = std::chrono::steady_clock::now();
    size_t found = 0;
    for (int round = 0; round < rounds; ++round)
        for (const CPosition& position : positions)
            if (book.probe(position, moves))
                found += moves.size();
    double perProbe = secondsSince(start) / double(rounds * int(positions.size()));
    std::printf("book: probe %.1f us per position (start position: %zu book moves)\n", perProbe * 1e6, startMoves);
    if (startMoves == 0 || found == 0 || perProbe >= 1e-3)
    {
        std::printf("book: FAILED (probes must find moves in well under a millisecond)\n");
        ++failures;
    }
    book.close();
    fs::remove_all(dir);
    return failures;
}
