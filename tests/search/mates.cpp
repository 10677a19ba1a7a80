// Mates found with their exact scores, draws scored 0, and the simple
// endings and the end of the tree handled as a game would need.
#include "game/thinking.h"
#include "support/search.h"

using namespace searchtest;

namespace
{
// Independent oracle on the mailbox position (its own move generator): can
// the side to move force mate within n moves? checksOnly limits the
// attacker to checking moves (enough for the forcing lines used here).
bool defenderLoses(const CPosition& position, int n, bool checksOnly);

bool attackerMates(const CPosition& position, int n, bool checksOnly)
{
    CMoveList moves;
    position.generateLegal(moves);
    for (Move move : moves)
    {
        CPosition next = position;
        next.makeMove(move);
        if (checksOnly && !next.isInCheck())
            continue;
        if (defenderLoses(next, n, checksOnly))
            return true;
    }
    return false;
}

bool defenderLoses(const CPosition& position, int n, bool checksOnly)
{
    CMoveList replies;
    position.generateLegal(replies);
    if (replies.empty())
        return position.isInCheck();
    if (n == 1)
        return false;
    for (Move reply : replies)
    {
        CPosition next = position;
        next.makeMove(reply);
        if (!attackerMates(next, n - 1, checksOnly))
            return false;
    }
    return true;
}
}  // namespace

// The positions are in tests/data/search/mates.txt.
TEST(SearchMates, ConfirmedThenFoundWithExactScore)
{
    for (const auto& row : dataRows("search/mates.txt"))
    {
        ASSERT_EQ(row.size(), 3u);
        const std::string& fen = row[0];
        const int moves = std::stoi(row[1]);
        // The oracle: a mate in so many moves, and no shorter one.
        const CPosition position = positionFromFen(fen);
        EXPECT_TRUE(attackerMates(position, moves, true)) << fen;
        EXPECT_TRUE(moves == 1 || !attackerMates(position, moves - 1, moves > 3)) << fen;

        CRecordingObserver observer;
        SearchResult r = searchFen(fen, 20, &observer);
        const int expected = MATE - (2 * moves - 1);
        ASSERT_TRUE(r.ok) << fen;
        EXPECT_EQ(r.score, expected) << fen;
        EXPECT_EQ(scoreText(r.score), (moves < 10 ? "+Mate0" : "+Mate") + row[1]) << fen;
        EXPECT_EQ(r.san, row[2]) << fen;
        // The mate is seen no later than the iteration of its length in plies, and the search
        // ends as soon as the iteration exceeds the mate distance.
        const int found = observer.firstIterationWithScore(expected);
        EXPECT_GE(found, 1) << fen;
        EXPECT_LE(found, 2 * moves - 1) << fen;
        EXPECT_EQ(r.iteration, 2 * moves) << fen;
    }
}

TEST(SearchDraws, NodesWithoutMovesAndMateDistance)
{
    // Black to move, mated next move whatever it does: -Mate01 from Black's view.
    SearchResult r = searchFen("k7/8/1K6/8/8/8/8/n6R b - - 0 1", 6);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.score, -(MATE - 2));
    EXPECT_EQ(scoreText(r.score), "-Mate01");
    // At the root: no move, nothing searched, no statistics; stalemate 0, checkmate -MATE.
    const char* stalemate = "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1";
    const char* checkmate = "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1";
    r = searchFen(stalemate, 10);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.move, 0u);
    EXPECT_EQ(r.score, 0);
    EXPECT_EQ(r.printed.find(" local:"), std::string::npos);
    r = searchFen(checkmate, 10);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.score, -MATE);
    // Inside the tree at ply 3: stalemate 0, mate 3 - MATE; mate-distance pruning: nothing
    // better than a mate here can be reached.
    CSearch& search = theSearch();
    const struct
    {
        const char* fen;
        int alpha, expected;
    } nodes[] = {
        {stalemate, -MATE, 0}, {checkmate, -MATE, 3 - MATE}, {"r3k3/8/8/8/8/8/8/4K2R w - - 0 1", MATE - 3, MATE - 3}};
    for (const auto& n : nodes)
    {
        ASSERT_TRUE(loadFen(n.fen));
        search.prepareDirectSearch(3);
        EXPECT_EQ(search.search(16, 3, n.alpha, MATE, false), n.expected) << n.fen;
    }
}

namespace
{
// Ra1-a2, Ke8-d8, Ra2-a1, Kd8-e8: back where it started.
const Move SHUFFLE[4] = {makeMoveWord(0, 8, ROOK), makeMoveWord(60, 59, KING), makeMoveWord(8, 0, ROOK),
                         makeMoveWord(59, 60, KING)};

// The shuffle played 'rounds' times before the root; returns the keys of the
// positions before the root.
std::vector<uint64_t> shuffleHistory(CPosition& position, int rounds)
{
    std::vector<uint64_t> keys;
    for (int round = 0; round < rounds; ++round)
        for (Move m : SHUFFLE)
        {
            keys.push_back(position.hashKey());
            position.makeMove(m);
        }
    position.setHalfmoveClock(4 * rounds);
    return keys;
}
}  // namespace

TEST(SearchDraws, RepetitionRules)
{
    CSearch& search = theSearch();
    prepareTable();
    const char* fen = "4k3/8/8/8/8/8/8/R3K3 w - - 0 1";
    CPosition start;
    ASSERT_TRUE(start.setFromFen(fen));

    // One earlier occurrence before the root: a draw only from ply 8 on.
    CPosition p = start;
    std::vector<uint64_t> keys = shuffleHistory(p, 1);
    ASSERT_EQ(p.hashKey(), start.hashKey());
    ASSERT_TRUE(CBoard::load(p, keys.data(), int(keys.size())));
    search.prepareDirectSearch(2);
    EXPECT_GT(search.search(16, 2, -MATE, MATE, false), 3000);
    search.prepareDirectSearch(8);
    EXPECT_EQ(search.search(16, 8, -MATE, MATE, false), 0);

    // Two earlier occurrences: a draw at any ply.
    p = start;
    keys = shuffleHistory(p, 2);
    ASSERT_TRUE(CBoard::load(p, keys.data(), int(keys.size())));
    EXPECT_EQ(CBoard::gameState(), GAME_REPETITION);
    search.prepareDirectSearch(1);
    EXPECT_EQ(search.search(16, 1, -MATE, MATE, false), 0);
    // The root search still answers with a legal move.
    SearchResult r = runSearch(5);
    ASSERT_TRUE(r.ok);
    EXPECT_NE(r.move, 0u);
    EXPECT_EQ(r.score, 0);

    // A repetition of a position inside the tree: one occurrence is enough.
    ASSERT_TRUE(loadFen(fen));
    for (Move m : SHUFFLE)
        CBoard::makeMove(m);
    search.prepareDirectSearch(5);
    EXPECT_EQ(search.search(16, 5, -MATE, MATE, false), 0);
    // Seen from a ply where the earlier occurrence is the root itself, it is not.
    search.prepareDirectSearch(4);
    EXPECT_GT(search.search(16, 4, -MATE, MATE, false), 3000);
    for (int i = 0; i < 4; ++i)
        CBoard::unmakeMove();
}

TEST(SearchDraws, FiftyMoveRule)
{
    // At the limit the rook cannot win any more; well short of it, it does.
    CPosition p;
    ASSERT_TRUE(p.setFromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 80"));
    const uint64_t noKeys[1] = {0};  // a history (of none) keeps the position's fifty-move count
    for (int clock : {100, 60})
    {
        p.setHalfmoveClock(clock);
        ASSERT_TRUE(CBoard::load(p, noKeys, 0));
        prepareTable();
        SearchResult r = runSearch(5);
        ASSERT_TRUE(r.ok && r.move != 0) << clock;
        if (clock == 100)
            EXPECT_EQ(r.score, 0);
        else
            EXPECT_GT(r.score, 3000);
    }
}
