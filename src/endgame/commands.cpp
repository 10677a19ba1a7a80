// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "endgame/commands.h"

#include "board/game.h"
#include "endgame/kpk.h"
#include "base/output.h"

void handleKpk(const std::string& /*args*/)
{
    const CPosition& position = theGame();
    int men = 0, pawnSquare = NO_SQUARE;
    for (int square = 0; square < 64; ++square)
    {
        int code = position.pieceAt(square);
        if (code == 0)
            continue;
        ++men;
        if (pieceType(code) == PAWN)
            pawnSquare = square;
    }
    if (men != 3 || pawnSquare == NO_SQUARE)
    {
        output(" Not a kpk end-game\n");
        return;
    }
    int score = kpkProbe(position.sideToMove() == WHITE, position.whiteKingSquare(), position.blackKingSquare(),
                         pieceColour(position.pieceAt(pawnSquare)) == WHITE, pawnSquare);
    output(" kpk score: %d\n", score);
}

void handleKpkTest(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleTbAnal(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleTbProbe(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}
