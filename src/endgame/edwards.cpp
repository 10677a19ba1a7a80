// Edwards tablebase indexing, probing and file statistics.
#include "endgame/edwards.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "endgame/kpk.h"

namespace
{
// Transform that brings a square into the triangle a1, b1, c1, d1, b2, c2,
// d2, c3, d3, d4 (rank 1 first, files a to h).
const int8_t PAWNLESS_TRANSFORM[64] = {
    0, 0, 0, 0, 1, 1, 1, 1,  //
    4, 0, 0, 0, 1, 1, 1, 5,  //
    4, 4, 0, 0, 1, 1, 5, 5,  //
    4, 4, 4, 0, 1, 5, 5, 5,  //
    6, 6, 6, 2, 3, 7, 7, 7,  //
    6, 6, 2, 2, 3, 3, 7, 7,  //
    6, 2, 2, 2, 3, 3, 3, 7,  //
    2, 2, 2, 2, 3, 3, 3, 3,  //
};
const int8_t TRIANGLE_SQUARES[10] = {0, 1, 2, 3, 9, 10, 11, 18, 19, 27};

struct CTriangleCodes
{
    int8_t code[64];
    CTriangleCodes()
    {
        std::memset(code, -1, sizeof code);
        for (int i = 0; i < 10; ++i)
            code[TRIANGLE_SQUARES[i]] = int8_t(i);
    }
};
const CTriangleCodes TRIANGLE;

// Piece letters of the class names by piece type.
const char TYPE_LETTERS[] = " PNBRQK";

int typeOfLetter(char letter)
{
    const char* at = letter ? std::strchr(TYPE_LETTERS + 1, letter) : nullptr;
    return at ? int(at - TYPE_LETTERS) : 0;
}

bool kingsTouch(int a, int b)
{
    int df = fileOf(a) - fileOf(b), dr = rankOf(a) - rankOf(b);
    return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

// The men of a position in class order with the class name, before the name
// is checked: each side sorted by piece (king first, pawns last) and square.
struct CArrangement
{
    std::string name;
    int squares[TB_MAX_MEN] = {};
    bool firstSideToMove = true;
};

void arrange(const int codes[], const int squares[], int count, bool whiteToMove, CArrangement& out)
{
    // By colour: types and squares, sorted by type (strongest first), then square.
    int types[2][TB_MAX_MEN], places[2][TB_MAX_MEN], sideCount[2] = {0, 0};
    for (int i = 0; i < count; ++i)
    {
        int side = pieceColour(codes[i]);
        int at = sideCount[side]++;
        types[side][at] = pieceType(codes[i]);
        places[side][at] = squares[i];
        for (; at > 0 && (types[side][at - 1] < types[side][at] ||
                          (types[side][at - 1] == types[side][at] && places[side][at - 1] > places[side][at]));
             --at)
        {
            std::swap(types[side][at - 1], types[side][at]);
            std::swap(places[side][at - 1], places[side][at]);
        }
    }
    bool whiteFirst = true;
    if (sideCount[WHITE] != sideCount[BLACK])
        whiteFirst = sideCount[WHITE] > sideCount[BLACK];
    else
        for (int i = 0; i < sideCount[WHITE]; ++i)
            if (types[WHITE][i] != types[BLACK][i])
            {
                whiteFirst = types[WHITE][i] > types[BLACK][i];
                break;
            }
    int first = whiteFirst ? WHITE : BLACK;
    int mirror = whiteFirst ? 0 : 56;
    out.name.clear();
    int n = 0;
    for (int side : {first, 1 - first})
        for (int i = 0; i < sideCount[side]; ++i)
        {
            out.name += TYPE_LETTERS[types[side][i]];
            out.squares[n++] = places[side][i] ^ mirror;
        }
    out.firstSideToMove = whiteToMove == whiteFirst;
}

FILE* openRead(const std::string& path) { return std::fopen(path.c_str(), "rb"); }
}

std::string tbProbeText(int value, bool afterMove)
{
    char text[16];
    if (value == TB_UNKNOWN)
        return "Error";
    if (value == TB_BROKEN)
        return "Broken";
    if (value == TB_RESERVED)
        return "Unknown";
    if (value == TB_DRAW)
        return "Draw";
    if (value > 0)
        std::snprintf(text, sizeof text, afterMove ? "-#%d" : "#%d", 127 - value);
    else
        std::snprintf(text, sizeof text, afterMove ? "#%d" : "-#%d", afterMove ? value + 127 : value + 126);
    return text;
}

std::string tbAnalysisText(int value)
{
    char text[24];
    if (value == TB_BROKEN)
        return "Broken";
    if (value == TB_DRAW)
        return "Draw";
    if (value == TB_RESERVED)
        return "Reserved";
    if (value == TB_UNKNOWN)
        return "Unknown";
    if (value > 0)
        std::snprintf(text, sizeof text, "Mate in %d", 127 - value);
    else
        std::snprintf(text, sizeof text, "Mated in %d", value + 126);
    return text;
}

bool CTablebaseClass::setName(const std::string& name)
{
    int men = int(name.size());
    if (men < 2 || men > TB_MAX_MEN || name[0] != 'K')
        return false;
    int kings = 0, secondKing = 0;
    for (int i = 0; i < men; ++i)
    {
        int type = typeOfLetter(name[size_t(i)]);
        if (type == 0)
            return false;
        if (type == KING && ++kings == 2)
            secondKing = i;
    }
    if (kings != 2)
        return false;
    std::memset(m_name, 0, sizeof m_name);
    std::memcpy(m_name, name.data(), size_t(men));
    m_men = men;
    m_firstMen = secondKing;
    m_pawnMode = false;
    m_reference = men - 1;
    for (int i = 0; i < men; ++i)
    {
        int type = typeOfLetter(name[size_t(i)]);
        m_codes[i] = i < secondKing ? type : -type;
        if (type == PAWN)
        {
            m_pawnMode = true;
            m_reference = i;
        }
    }
    m_size = m_pawnMode ? 32 : 10;
    for (int i = 1; i < men; ++i)
        m_size *= 64;
    return true;
}

int tbTransform(int transform, int square)
{
    int file = fileOf(square), rank = rankOf(square);
    if (transform & 1)
        file = 7 - file;
    if (transform & 2)
        rank = 7 - rank;
    return (transform & 4) ? squareOf(file, rank) : squareOf(rank, file);
}

int tbReferenceTransform(bool pawnMode, int square)
{
    return pawnMode ? (fileOf(square) >= 4 ? 1 : 0) : PAWNLESS_TRANSFORM[square & 63];
}

int tbTriangleCode(int square) { return TRIANGLE.code[square & 63]; }

int tbTriangleSquare(int code) { return TRIANGLE_SQUARES[code]; }

uint64_t CTablebaseClass::indexOf(const int squares[]) const
{
    int sorted[TB_MAX_MEN];
    for (int i = 0; i < m_men; ++i)
    {
        sorted[i] = squares[i] & 63;
        for (int at = i; at > 0 && m_codes[at - 1] == m_codes[at] && sorted[at - 1] > sorted[at]; --at)
            std::swap(sorted[at - 1], sorted[at]);
    }
    int transform = tbReferenceTransform(m_pawnMode, sorted[m_reference]);
    uint64_t index = 0;
    for (int i = m_men - 1; i >= 0; --i)
    {
        int square = tbTransform(transform, sorted[i]);
        if (i != m_reference)
            index = index * 64 + uint64_t(square);
        else if (m_pawnMode)
            index = index * 32 + uint64_t(4 * rankOf(square) + fileOf(square));
        else
            index = index * 10 + uint64_t(TRIANGLE.code[square]);
    }
    return index;
}

void CTablebaseClass::squaresOf(uint64_t index, int squares[]) const
{
    for (int i = 0; i < m_men; ++i)
    {
        if (i != m_reference)
        {
            squares[i] = int(index % 64);
            index /= 64;
        }
        else if (m_pawnMode)
        {
            int code = int(index % 32);
            squares[i] = squareOf(code / 4, code % 4);
            index /= 32;
        }
        else
        {
            squares[i] = TRIANGLE_SQUARES[index % 10];
            index /= 10;
        }
    }
}

std::string CTablebaseClass::fileName(const std::string& directory, bool firstSideToMove) const
{
    return tbJoinPath(directory, std::string(m_name) + (firstSideToMove ? ".tbw" : ".tbb"));
}

std::string tbJoinPath(const std::string& directory, const std::string& name)
{
    return directory.empty() ? name : directory + "/" + name;
}

bool tbLocate(const int codes[], const int squares[], int count, bool whiteToMove, CTablebaseClass& tbClass,
              int classSquares[], bool& firstSideToMove)
{
    if (count > TB_MAX_MEN)
        return false;
    CArrangement arrangement;
    arrange(codes, squares, count, whiteToMove, arrangement);
    if (!tbClass.setName(arrangement.name))
        return false;
    std::memcpy(classSquares, arrangement.squares, sizeof(int) * size_t(count));
    firstSideToMove = arrangement.firstSideToMove;
    return true;
}

bool tbReadFile(const std::string& path, uint64_t size, std::vector<int8_t>& bytes)
{
    bytes.clear();
    FILE* file = openRead(path);
    if (!file)
        return false;
    bytes.resize(size_t(size));
    size_t got = size ? std::fread(bytes.data(), 1, bytes.size(), file) : 0;
    bytes.resize(got);
    std::fclose(file);
    return true;
}

TablebaseProbe tbProbe(const CPosition& position, const std::string& directory)
{
    TablebaseProbe probe;
    int codes[64], squares[64];
    for (int square = 0; square < 64; ++square)
        if (position.pieceAt(square) != 0)
        {
            codes[probe.men] = position.pieceAt(square);
            squares[probe.men++] = square;
        }
    if (probe.men > TB_MAX_MEN)
    {
        probe.status = TB_PROBE_TOO_MANY_MEN;
        return probe;
    }
    CArrangement arrangement;
    arrange(codes, squares, probe.men, position.sideToMove() == WHITE, arrangement);
    probe.fileName = tbJoinPath(directory, arrangement.name + (arrangement.firstSideToMove ? ".tbw" : ".tbb"));
    CTablebaseClass tbClass;
    bool realClass = tbClass.setName(arrangement.name);
    if (realClass)
        probe.index = tbClass.indexOf(arrangement.squares);
    FILE* file = realClass ? openRead(probe.fileName) : nullptr;
    if (!file)
    {
        probe.status = TB_PROBE_NO_FILE;
        return probe;
    }
    int byte = EOF;
    if (fseeko(file, off_t(probe.index), SEEK_SET) == 0)
        byte = std::fgetc(file);
    std::fclose(file);
    probe.value = byte == EOF ? TB_BROKEN : int(int8_t(uint8_t(byte)));
    return probe;
}

bool tbAnalyse(const CTablebaseClass& tbClass, const std::string& directory, bool firstSideToMove, int major, int minor,
               TablebaseAnalysis& analysis)
{
    analysis = TablebaseAnalysis();
    analysis.fileName = tbClass.fileName(directory, firstSideToMove);
    FILE* file = openRead(analysis.fileName);
    if (!file)
        return false;
    analysis.counts.assign(64 * 64 * 3, 0);
    const int men = tbClass.men();
    int8_t block[4096];
    uint64_t index = 0;
    for (size_t got;
         index < tbClass.size() &&
         (got = std::fread(block, 1, size_t(std::min<uint64_t>(sizeof block, tbClass.size() - index)), file)) > 0;)
        for (size_t i = 0; i < got; ++i, ++index)
        {
            int value = block[i];
            ++analysis.histogram[value + 128];
            if (value == TB_BROKEN || value == TB_UNKNOWN || value == TB_RESERVED)
                continue;
            int squares[TB_MAX_MEN];
            tbClass.squaresOf(index, squares);
            bool valid = !kingsTouch(squares[0], squares[tbClass.firstMen()]);
            uint64_t seen = 0;
            for (int m = 0; m < men && valid; ++m)
            {
                valid = !(seen & (uint64_t(1) << squares[m])) &&
                        !(pieceType(tbClass.code(m)) == PAWN && (rankOf(squares[m]) == 0 || rankOf(squares[m]) == 7));
                seen |= uint64_t(1) << squares[m];
            }
            if (!valid)
                continue;
            int outcome = value > 0 ? 0 : value == 0 ? 1 : 2;
            int minorSquare = minor >= 0 ? squares[minor] : 0;
            ++analysis.counts[(size_t(squares[major]) * 64 + size_t(minorSquare)) * 3 + size_t(outcome)];
            ++analysis.totals[outcome];
        }
    std::fclose(file);
    return true;
}

void tbCompareKpk(const std::vector<int8_t>& weakToMove, const std::vector<int8_t>& strongToMove,
                  std::vector<KpkDiscrepancy>& discrepancies)
{
    CKpkTable& table = theKpkTable();
    table.generate();
    discrepancies.clear();
    for (bool strong : {false, true})
    {
        const std::vector<int8_t>& file = strong ? strongToMove : weakToMove;
        for (int index = 0; index < KPK_INDEX_COUNT; ++index)
        {
            int s, w, p;
            CKpkTable::squaresOf(index, s, w, p);
            if (fileOf(p) >= 4)
            {
                s ^= 7;
                w ^= 7;
                p ^= 7;
            }
            int tbIndex = (w * 32 + 4 * rankOf(p) + fileOf(p)) * 64 + s;
            int byte = file[size_t(tbIndex)];
            if (rankOf(p) == 0 && byte == TB_DRAW)
                byte = TB_BROKEN;
            if (rankOf(p) == 7 && (byte == TB_BROKEN || byte == TB_DRAW))
                continue;
            int internal = table.value(strong, index);
            // The weak king on the pawn's square is the table's record of the
            // pawn's capture, not a position: the file must call it broken.
            if (w == p)
                internal = KPK_ILLEGAL;
            const char* kind = nullptr;
            if (internal == KPK_ILLEGAL)
                kind = byte != TB_BROKEN ? "Invalid" : nullptr;
            else if (internal == KPK_DRAW)
                kind = byte != TB_DRAW ? "Draw" : nullptr;
            else if (internal < 0)
                kind = !tbIsLoss(byte) ? "Lose" : nullptr;
            else
                kind = !tbIsWin(byte) ? "Win" : nullptr;
            if (!kind)
                continue;
            KpkDiscrepancy d;
            d.strongToMove = strong;
            d.kind = kind;
            d.internalIndex = index;
            d.tablebaseIndex = tbIndex;
            d.tablebaseByte = byte;
            d.byteClass = byte == TB_DRAW       ? "Draw"
                          : byte == TB_BROKEN   ? "Broken"
                          : byte == TB_UNKNOWN  ? "Unknown"
                          : byte == TB_RESERVED ? "Reserved"
                          : byte < 0            ? "Lose"
                                                : "Win";
            d.strongKing = s;
            d.pawn = p;
            d.weakKing = w;
            discrepancies.push_back(d);
        }
    }
}
