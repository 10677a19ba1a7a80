// King and pawn against king, decided exactly by a table the program computes
// itself by retrograde analysis on first use.
//
// Orientation: the side with the pawn is "strong" and plays up the board as
// white does. A black-pawn position is looked up by turning the board half a
// turn (square s becomes 63 - s) and swapping the colours.
//
// Values, always from the side to move's point of view:
//   -1  illegal or impossible position
//    0  draw
//   +v  the side to move wins; v = 100 - plies until the pawn promotes
//       (or the weak king is mated), so a quicker win has a larger value
//   -v  the side to move loses, the same measure negated
#pragma once

#include <cstdint>

constexpr int KPK_INDEX_COUNT = 1 << 17;
constexpr int KPK_ILLEGAL = -1;
constexpr int KPK_DRAW = 0;

class CKpkTable
{
public:
    CKpkTable();

    // Value of the position (see above). Builds the table first if needed;
    // afterwards a probe is two array reads and allocates nothing.
    int probe(bool whiteToMove, int whiteKing, int blackKing, bool pawnIsWhite, int pawnSquare);

    // Builds the table unless it is built already; prints
    // " Generating internal KP-K end-game table..." and " Done (... secs)".
    void generate();
    bool isGenerated() const { return m_generated; }
    // Seconds the last generation took.
    double generationSeconds() const { return m_seconds; }

    // Raw access for comparisons with other tables. The position index is
    // (F << 12) | (weakKing << 6) | pawn with F = 4 * rank + file of the
    // strong king, after a left-right mirror that puts the strong king on
    // files a to d.
    static int indexOf(int strongKing, int weakKing, int pawn);
    static void squaresOf(int index, int& strongKing, int& weakKing, int& pawn);
    int value(bool strongToMove, int index) const { return m_values[strongToMove ? 1 : 0][index]; }

private:
    bool weakPass();
    bool strongPass();
    void initialise();

    bool m_generated = false;
    double m_seconds = 0;
    // [0] weak side to move, [1] strong side to move.
    int8_t m_values[2][KPK_INDEX_COUNT];
};

// The process-wide table.
CKpkTable& theKpkTable();

// Shorthand for theKpkTable().probe(...).
int kpkProbe(bool whiteToMove, int whiteKing, int blackKing, bool pawnIsWhite, int pawnSquare);
