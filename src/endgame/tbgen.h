// Builds Edwards tablebases by retrograde analysis and checks them move by move.
//
// A class is solved on its own canonical positions (one per symmetry class)
// from the mates backwards, ply by ply; captures and promotions leave the
// class and take their values from the smaller or promoted classes, which are
// read from the directory or generated first. Positions are stored without
// castling rights or an en-passant square; a double pawn step that the other
// side could take en passant is valued with that capture as a reply.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "endgame/edwards.h"

// The two files of one class in memory.
struct TablebaseFiles
{
    CTablebaseClass tbClass;
    std::vector<int8_t> bytes[2];  // [0] first side to move (.tbw), [1] second side (.tbb)
};

// What happened to one class.
struct TablebaseGeneration
{
    std::string name;
    bool loaded = false;                       // read from the directory, not generated
    double seconds = 0;                        // wall clock
    double cpuSeconds = 0;                     // processor time of this process
    uint64_t positions = 0;                    // legal positions, both sides to move
    uint64_t wins = 0, draws = 0, losses = 0;  // for the side to move
    int longestMate = 0;                       // moves
};

// Result of a consistency check.
struct TablebaseCheck
{
    uint64_t positions = 0;  // indices checked, both files
    uint64_t errors = 0;
    std::string firstError;  // the first wrong index, described
};

class CTablebaseGenerator
{
public:
    // Files are read from and written to this directory ("" the current one).
    explicit CTablebaseGenerator(std::string directory);
    ~CTablebaseGenerator();

    // Told about every class as it is generated or loaded, dependencies included.
    void setObserver(std::function<void(const TablebaseGeneration&)> observer) { m_observer = std::move(observer); }

    // Generates a class (its canonical name, at most four men) and writes its
    // two files, unless this generator has made them already; the classes its captures and promotions lead to are loaded
    // from the directory when their files are there, else generated first.
    // False with a reason on a bad name, a failed write or a table that does
    // not fit the byte legend.
    bool generate(const std::string& name, std::string& error);

    // Checks every index of a class's files (loaded, or generated when
    // missing): broken exactly where no legal position is, checkmates and
    // stalemates at the leaves, and every other byte the best of its moves.
    bool verify(const std::string& name, TablebaseCheck& check, std::string& error);

    // The files of a class: from memory, else the directory, else generated.
    // Null with a reason on failure.
    const TablebaseFiles* files(const std::string& name, std::string& error);

private:
    bool checkName(const std::string& name, CTablebaseClass& tbClass, std::string& error) const;
    bool solve(const CTablebaseClass& tbClass, std::string& error);
    bool load(const CTablebaseClass& tbClass);

    std::string m_directory;
    std::map<std::string, std::unique_ptr<TablebaseFiles>> m_files;
    std::set<std::string> m_generated;  // by this generator, as opposed to loaded
    std::function<void(const TablebaseGeneration&)> m_observer;
};

// Canonical names of every class of exactly this many men (3 or 4): pawnless
// classes first, then those with pawns.
std::vector<std::string> tbClassNames(int men);
// The canonical spelling of a class given by its letters in any side order
// ("KKR" gives "KRK"); empty when the letters name no class.
std::string tbCanonicalName(const std::string& name);
