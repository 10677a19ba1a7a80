// Edwards endgame tablebases: one file per material class and side to move,
// one signed byte per position index.
//
// A class lists the men of its first side, then those of its second side,
// each side as its king followed by queens, rooks, bishops, knights and pawns
// ("KRPKR"). The first side is the one with more men, or with equal numbers
// the one with the stronger piece where the two lists first differ (White
// when they never do). A position whose first side is Black is turned colour
// for colour: sides swapped, squares mirrored top to bottom. The first side's
// pawns therefore always move up the board. The ".tbw" file holds the
// positions with the first side to move, ".tbb" those with the second.
//
// File bytes, from the side to move's point of view:
//   0         draw
//   1..126    the side to move mates in 127 - v moves
//   -126..-1  the side to move is mated in v + 126 moves (-126: checkmated)
//   127       broken: no legal position has this index
//   -128, -127 special codes a generator may leave (unknown, reserved)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"

constexpr int TB_BROKEN = 127;
constexpr int TB_UNKNOWN = -128;
constexpr int TB_RESERVED = -127;
constexpr int TB_DRAW = 0;
constexpr int TB_CHECKMATED = -126;
constexpr int TB_MAX_MEN = 5;

constexpr int tbMateIn(int moves) { return 127 - moves; }   // moves >= 1
constexpr int tbMatedIn(int moves) { return moves - 126; }  // moves >= 0
constexpr bool tbIsWin(int v) { return v >= 1 && v <= 126; }
constexpr bool tbIsLoss(int v) { return v >= TB_CHECKMATED && v <= -1; }

// Text of a probe value for tbp: the root form, or the form seen from the
// side that has just moved into the probed position.
std::string tbProbeText(int value, bool afterMove);
// Text of a file byte for tba and its histogram.
std::string tbAnalysisText(int value);

class CTablebaseClass
{
public:
    // Takes a class name such as "KRPKR" (upper case). False, and the class
    // unchanged, unless it is a real class: letters K Q R B N P only, exactly
    // two kings each starting its side, at most TB_MAX_MEN men.
    bool setName(const std::string& name);

    const char* name() const { return m_name; }
    int men() const { return m_men; }
    // Men of the first side (the second side's king is man number firstMen()).
    int firstMen() const { return m_firstMen; }
    // Piece code of a man in list order: the first side positive, as White.
    int code(int man) const { return m_codes[man]; }
    // The reference man (the last pawn, or without pawns the last man) and
    // whether the class is indexed in pawn mode.
    int referenceMan() const { return m_reference; }
    bool pawnMode() const { return m_pawnMode; }
    // Number of indices, the size of each of its two files.
    uint64_t size() const { return m_size; }

    // Index of the men standing on these squares, given in list order with the
    // first side playing up the board; men of one kind may come in any order.
    uint64_t indexOf(const int squares[]) const;
    // The squares an index stands for, in list order (the inverse of indexOf
    // for the men's order and orientation it chose).
    void squaresOf(uint64_t index, int squares[]) const;
    // The directory and the file name joined by "/" (a bare name for an empty
    // directory, which stands for the current one).
    std::string fileName(const std::string& directory, bool firstSideToMove) const;

private:
    char m_name[TB_MAX_MEN + 1] = {};
    int m_men = 0;
    int m_firstMen = 0;
    int m_codes[TB_MAX_MEN] = {};
    int m_reference = 0;
    bool m_pawnMode = false;
    uint64_t m_size = 0;
};

// Symmetry transform t: a left-right flip if bit 0 is set, then a top-bottom
// flip if bit 1 is set, then an exchange of rank and file if bit 2 is set.
int tbTransform(int transform, int square);
// The transform indexing applies when its reference man stands on this square:
// pawn mode brings it to files a to d, pawnless mode into the triangle a1, b1,
// c1, d1, b2, c2, d2, c3, d3, d4.
int tbReferenceTransform(bool pawnMode, int square);
// Place of a square in that triangle list (0..9), -1 outside it; and back.
int tbTriangleCode(int square);
int tbTriangleSquare(int code);

// Where a set of men stands in the tablebases. Codes are signed piece codes
// (White positive), squares 0..63. Fills the class, the men's squares in
// class order (turned colour for colour when Black is the first side) and
// which file holds the position. False for more than TB_MAX_MEN men or a set
// that names no real class (a side without exactly one king).
bool tbLocate(const int codes[], const int squares[], int count, bool whiteToMove, CTablebaseClass& tbClass,
              int classSquares[], bool& firstSideToMove);

// Joins a directory and a file name with "/"; an empty directory gives the bare name.
std::string tbJoinPath(const std::string& directory, const std::string& name);

// Reads up to `size` bytes from the start of a file into `bytes` (resized to
// what was read). False only if the file cannot be opened.
bool tbReadFile(const std::string& path, uint64_t size, std::vector<int8_t>& bytes);

// One probe of the current position.
constexpr int TB_PROBE_OK = 0;
constexpr int TB_PROBE_TOO_MANY_MEN = 1;
constexpr int TB_PROBE_NO_FILE = 2;
struct TablebaseProbe
{
    int value = TB_BROKEN;
    int status = TB_PROBE_OK;
    int men = 0;
    std::string fileName;  // the file read or tried
    uint64_t index = 0;    // the position's index in it
};
// Opens the position's file, reads the byte at its index and closes the file;
// nothing is cached. A missing file, too many men or a short file give TB_BROKEN.
TablebaseProbe tbProbe(const CPosition& position, const std::string& directory);

// Statistics over one tablebase file (the tba command).
struct TablebaseAnalysis
{
    std::string fileName;
    uint64_t histogram[256] = {};  // by byte + 128
    // Wins, draws and losses of the side to move by the squares of the major
    // and the minor man, 64 x 64 x 3 (minor square 0 when there is none).
    std::vector<uint32_t> counts;
    uint32_t totals[3] = {};
    uint32_t count(int majorSquare, int minorSquare, int outcome) const
    {
        return counts[(size_t(majorSquare) * 64 + size_t(minorSquare)) * 3 + size_t(outcome)];
    }
};
// Reads the file of the class and side in blocks and counts every index. The
// major man defaults to the last king of the class; minor < 0 means none.
// False if the file cannot be opened.
bool tbAnalyse(const CTablebaseClass& tbClass, const std::string& directory, bool firstSideToMove, int major, int minor,
               TablebaseAnalysis& analysis);

// The internal KPK table against the KPK files (the kpktest command).
struct KpkDiscrepancy
{
    bool strongToMove = false;  // kpk.tbw: the side with the pawn to move
    const char* kind = "";      // "Invalid", "Draw", "Lose" or "Win": what the internal table says
    int internalIndex = 0;
    int tablebaseIndex = 0;
    int tablebaseByte = 0;
    const char* byteClass = "";  // "Draw", "Broken", "Unknown", "Reserved", "Lose" or "Win"
    int strongKing = 0, pawn = 0, weakKing = 0;
};
// Builds the KPK table if needed and compares every index with the two files
// (131072 bytes each, weak side to move and strong side to move).
void tbCompareKpk(const std::vector<int8_t>& weakToMove, const std::vector<int8_t>& strongToMove,
                  std::vector<KpkDiscrepancy>& discrepancies);
