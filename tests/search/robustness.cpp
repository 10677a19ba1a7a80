// Determinism, odd but loadable positions, the end of the board's room, and
// searches cut short before they found anything.
#include "support/search.h"

using namespace searchtest;

namespace
{
bool isRootMove(Move move)
{
    CMoveList legal;
    CBoard::generateLegalMoves(legal);
    for (Move m : legal)
        if (m == move)
            return true;
    return false;
}

// Records the reports and stops the search at the first one that matches.
class CStopWhen : public CRecordingObserver
{
public:
    CStopWhen(bool (*when)(const SearchReport&), int how) : m_when(when), m_how(how) {}
    void report(const SearchReport& r) override
    {
        CRecordingObserver::report(r);
        if (m_when(r))
            theSearch().stop(m_how);
    }

private:
    bool (*m_when)(const SearchReport&);
    int m_how;
};

// A timed or untimed think with printing captured; true when it gave a move.
bool thinkFor(double seconds, bool timed, Move& move, int& score)
{
    CSearch& search = theSearch();
    search.setInputPoll(nullptr);
    search.setObserver(nullptr);
    search.setAllottedTime(seconds);
    std::string printed;
    setOutputCapture(&printed);
    bool ok = search.think(move, score, timed);
    setOutputCapture(nullptr);
    search.setAllottedTime(10.0);
    return ok;
}
}  // namespace

// The positions are in tests/data/search/odd.txt.
TEST(SearchRobustness, OddPositions)
{
    for (const auto& row : dataRows("search/odd.txt"))
    {
        const std::string& fen = row[0];
        CRecordingObserver observer;
        SearchResult r = searchFen(fen, 5, &observer);
        ASSERT_TRUE(r.ok) << fen;
        ASSERT_TRUE(loadFen(fen));
        EXPECT_TRUE(isRootMove(r.move)) << fen;
        EXPECT_TRUE(CBoard::isConsistent()) << fen;
        // Every reported line starts with a root move.
        for (const SearchReport& rep : observer.reports)
            EXPECT_TRUE(rep.pv.empty() || isRootMove(rep.pv[0])) << fen;
    }
}

TEST(SearchRobustness, LongGameNearTheBoardsCapacity)
{
    // Knights shuffle back and forth, with a pawn push whenever the fifty-move
    // count nears its limit, until the board has little room left; the last
    // move is a pawn push so the root is no repetition.
    // The game's earlier positions fill the board's history below the root.
    CPosition start;
    ASSERT_TRUE(start.setFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    std::vector<uint64_t> history(CBoard::HISTORY_CAPACITY);
    for (size_t i = 0; i < history.size(); ++i)
        history[i] = 0x9e3779b97f4a7c15ULL * (i + 1);
    ASSERT_TRUE(CBoard::load(start, history.data(), int(history.size())));
    const int target = CBoard::PLY_CAPACITY - 12;
    while (CBoard::ply() < target)
    {
        const bool wantPush = CBoard::state().fiftyCount >= 90 || CBoard::ply() >= target - 2;
        CMoveList legal;
        CBoard::generateLegalMoves(legal);
        Move chosen = 0;
        for (Move m : legal)
            if (!chosen && (wantPush ? movePiece(m) == PAWN && !isCapture(m) && fileOf(moveFrom(m)) <= 4
                                     : movePiece(m) == KNIGHT && fileOf(moveFrom(m)) >= 6 && fileOf(moveTo(m)) >= 6))
                chosen = m;
        ASSERT_NE(chosen, 0u) << "no move at ply " << CBoard::ply();
        CBoard::makeMove(chosen);
    }
    ASSERT_EQ(CBoard::state().fiftyCount, 0);
    prepareTable();
    SearchResult r = runSearch(7);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(isRootMove(r.move));
    EXPECT_NE(r.printed.find("Hit maximum depth limit"), std::string::npos);
    EXPECT_TRUE(CBoard::isConsistent());
    EXPECT_EQ(CBoard::ply(), target);
}

TEST(SearchRobustness, DeadlineAlreadyPassed)
{
    // An allotment of nothing: the first clock check ends the search, which
    // still answers with a legal move.
    ASSERT_TRUE(loadFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"));
    prepareTable();
    theSearch().setMaxIterations(100);
    Move move = 0;
    int score = 0;
    ASSERT_TRUE(thinkFor(0.0, false, move, score));
    EXPECT_TRUE(isRootMove(move));
    EXPECT_EQ(theSearch().stopRequest(), STOP_TIME);
    EXPECT_LT(theSearch().iteration(), 10);
}

TEST(SearchRobustness, OneLegalMoveAnsweredAtOnce)
{
    CRecordingObserver observer;
    SearchResult r = searchFen("4k3/8/8/8/8/8/4q3/4K3 w - - 0 1", 10, &observer);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.san, "Kxe2");
    EXPECT_EQ(r.score, 0);
    EXPECT_EQ(r.iteration, 0);
    ASSERT_FALSE(observer.reports.empty());
    EXPECT_EQ(observer.reports.back().kind, REPORT_ONE_MOVE);
    EXPECT_EQ(observer.reports.back().pv.size(), 1u);
    EXPECT_EQ(r.printed.find(" local:"), std::string::npos);
    // In analysis (which runs until stopped: here after iteration 3) the single move is searched.
    ASSERT_TRUE(loadFen("4k3/8/8/8/8/8/4q3/4K3 w - - 0 1"));
    CStopWhen stopper([](const SearchReport& rep) { return rep.kind == REPORT_LINE && rep.depth >= 24; }, STOP_ABORT);
    SearchResult a = runSearch(3, &stopper, true);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.san, "Kxe2");
    EXPECT_GE(a.iteration, 3);
    EXPECT_NE(a.printed.find(" local:"), std::string::npos);
}

TEST(SearchRobustness, FailLowAtTheFirstIteration)
{
    // The knight forks king and rook: the first iteration fails low. Stopped at that moment,
    // before its re-search found a move, the search still answers with a root move.
    const char* fen = "4k3/8/8/8/8/8/2n5/R3K3 w - - 0 1";
    CStopWhen observer([](const SearchReport& r) { return r.kind == REPORT_FAIL_LOW; }, STOP_MOVE_NOW);
    SearchResult r = searchFen(fen, 10, &observer);
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(loadFen(fen));
    EXPECT_TRUE(isRootMove(r.move));
    EXPECT_EQ(r.iteration, 1);
    EXPECT_EQ(theSearch().stopRequest(), STOP_MOVE_NOW);
    // A fail low extends the time once in a timed search: the deadline moved and the search went on.
    CSearch& search = theSearch();
    for (bool timed : {true, false})
    {
        ASSERT_TRUE(loadFen(fen));
        prepareTable();
        search.setMaxIterations(3);
        search.setMaximumTime(30.0);
        Move move = 0;
        int score = 0;
        ASSERT_TRUE(thinkFor(0.000001, timed, move, score));
        EXPECT_EQ(search.timeExtended(), timed);
        EXPECT_TRUE(isRootMove(move));
        EXPECT_EQ(score, 0);  // the rook is lost: a lone knight cannot win
    }
}

TEST(SearchRobustness, HashMoveFromAnotherPositionIsReportedAndDropped)
{
    // A key collision: the table's entry for this position carries a move of
    // another one (a rook from an empty square). The picker reports it and
    // orders the moves as if there were no hash move, in check or not.
    const Move alien = makeMoveWord(16, 40, ROOK);  // Ra3-a6
    CSearch& search = theSearch();
    search.setInputPoll(nullptr);
    struct Outcome
    {
        int value;
        int64_t nodes;
        std::string printed;
    };
    auto searchWithEntry = [&](bool planted) {
        prepareTable();
        if (planted)
            theHashTable().store(CBoard::hashKey(), CBoard::sideToMove(), HASH_FAIL_HIGH, 0, 0, search.hashAge, alien);
        search.prepareDirectSearch(2);
        Outcome o;
        setOutputCapture(&o.printed);
        o.value = search.search(2 * ONE_PLY, 2, -MATE, MATE, true);
        setOutputCapture(nullptr);
        o.nodes = search.totalNodes();
        return o;
    };
    for (const char* fen : {"r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
                            "rnbqkbnr/ppp2ppp/8/1B1pp3/4P3/8/PPPP1PPP/RNBQK1NR b KQkq - 1 3"})
    {
        CPosition position;
        ASSERT_TRUE(loadFen(fen, &position));
        ASSERT_FALSE(CBoard::isPseudoLegal(alien));
        searchWithEntry(false);  // warms the evaluation's caches for the two that are compared
        const Outcome plain = searchWithEntry(false);
        const Outcome collided = searchWithEntry(true);
        EXPECT_TRUE(CBoard::isConsistent()) << fen;
        EXPECT_EQ(plain.printed, "") << fen;
        EXPECT_EQ(collided.printed, " Bad move from hash table! (Ra3-a6)\n FEN " + position.toFen() + "\n") << fen;
        EXPECT_EQ(collided.value, plain.value) << fen;
        EXPECT_EQ(collided.nodes, plain.nodes) << fen;
    }
}
