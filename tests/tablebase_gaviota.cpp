// The generated three-man tablebases against Debian's Gaviota tables: every
// legal position, both sides to move, result and distance to mate. Built only
// where CMake finds the Gaviota library, its header and its table files.
#include <gtest/gtest.h>
#include <gtb-probe.h>

#include <filesystem>
#include <string>
#include <vector>

#include "endgame/tbgen.h"
#include "support/engineprocess.h"

namespace
{
// Our byte for Gaviota's answer, from the side to move's point of view.
int expectedByte(unsigned info, unsigned plies, bool whiteToMove)
{
    if (info == tb_DRAW)
        return TB_DRAW;
    bool moverWins = (info == tb_WMATE) == whiteToMove;
    return moverWins ? tbMateIn(int(plies + 1) / 2) : tbMatedIn(int(plies) / 2);
}
}

TEST(GaviotaTables, ThreeMenAgreeOnEveryLegalPosition)
{
    std::string dir = CEngineProcess::makeTempDir();
    CTablebaseGenerator generator(dir);
    const std::vector<std::string> names = tbClassNames(3);
    for (const std::string& name : names)
    {
        std::string error;
        ASSERT_TRUE(generator.generate(name, error)) << error;
    }

    const char** paths = tbpaths_add(tbpaths_init(), GAVIOTA_TABLES);
    tb_init(0, tb_CP4, paths);
    tbcache_init(16 * 1024 * 1024, 0);
    ASSERT_TRUE(tb_availability() & 2) << "Gaviota's three-man tables are incomplete in " GAVIOTA_TABLES;

    long compared = 0, mismatches = 0;
    for (const std::string& name : names)
    {
        CTablebaseClass tbClass;
        ASSERT_TRUE(tbClass.setName(name));
        std::vector<int8_t> files[2];
        for (int side = 0; side < 2; ++side)
        {
            ASSERT_TRUE(tbReadFile(tbClass.fileName(dir, side == 0), tbClass.size(), files[side]));
            ASSERT_EQ(files[side].size(), tbClass.size());
        }
        const int piece = tbClass.code(1);
        for (int wk = 0; wk < 64; ++wk)
            for (int bk = 0; bk < 64; ++bk)
                for (int p = 0; p < 64; ++p)
                    for (int whiteToMove = 0; whiteToMove < 2; ++whiteToMove)
                    {
                        CPosition position;
                        position.clear();
                        position.setPiece(wk, KING);
                        position.setPiece(bk, -KING);
                        position.setPiece(p, piece);
                        position.setSideToMove(whiteToMove ? WHITE : BLACK);
                        int notToMove = whiteToMove ? BLACK : WHITE;
                        if (wk == bk || wk == p || bk == p || (piece == PAWN && (p < 8 || p >= 56)) ||
                            position.isAttacked(position.kingSquare(notToMove), 1 - notToMove))
                            continue;
                        const unsigned wSq[] = {unsigned(wk), unsigned(p), tb_NOSQUARE};
                        const unsigned bSq[] = {unsigned(bk), tb_NOSQUARE};
                        const unsigned char wPc[] = {tb_KING, (unsigned char)piece, tb_NOPIECE};
                        const unsigned char bPc[] = {tb_KING, tb_NOPIECE};
                        unsigned info = 0, plies = 0;
                        ASSERT_TRUE(tb_probe_hard(whiteToMove ? tb_WHITE_TO_MOVE : tb_BLACK_TO_MOVE, tb_NOSQUARE,
                                                  tb_NOCASTLE, wSq, bSq, wPc, bPc, &info, &plies))
                            << name << " " << position.toFen();
                        const int squares[] = {wk, p, bk};
                        int ours = files[whiteToMove ? 0 : 1][size_t(tbClass.indexOf(squares))];
                        int theirs = expectedByte(info, plies, whiteToMove != 0);
                        ++compared;
                        if (ours != theirs && ++mismatches <= 5)
                            ADD_FAILURE() << name << " " << position.toFen() << ": ours " << ours << ", Gaviota "
                                          << theirs << " (" << plies << " plies)";
                    }
    }
    tbcache_done();
    tb_done();
    tbpaths_done(paths);
    std::filesystem::remove_all(dir);
    std::printf("Compared %ld positions with Gaviota: %ld mismatches\n", compared, mismatches);
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(compared, 700000);
}
