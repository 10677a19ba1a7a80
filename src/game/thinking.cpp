#include "game/thinking.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "board/board.h"
#include "board/game.h"
#include "board/position.h"
#include "search/search.h"
#include "base/output.h"
#include "base/text.h"

std::string scoreText(int score)
{
    if (score > -320000 && score < 320000)
        return formatText("%+1.3f", score * 0.001);
    if (score >= 320000)
    {
        int n = (321001 - score) / 2;
        return formatText((score & 1) ? "+Mate%02d" : "+Mate%02d?", n);
    }
    int n = (score + 321001) / 2;
    return formatText((score & 1) ? "-Mate%02d?" : "-Mate%02d", n);
}

int winboardScore(int score)
{
    if (score >= 320000)
        return score - 288233;
    if (score < -319999)
        return score + 288233;
    return score * 100 / 1000;
}

std::string nodesText(int64_t n)
{
    if (n < 10000000)
        return formatText("%" PRId64, n);
    if (n < 1000000000)
        return formatText("%" PRId64 "k", n / 1000);
    if (n < INT64_C(1000000000000))
        return formatText("%" PRId64 "m", n / 1000000);
    if (n < INT64_C(1000000000000000))
        return formatText("%" PRId64 "g", n / 1000000000);
    return formatText("%" PRId64 "t", n / INT64_C(1000000000000));
}

std::string timeText(double t)
{
    double days = std::floor(t / 86400);
    double hours = std::floor(t / 3600) - 24 * days;
    double minutes = std::floor(t / 60) - 60 * std::floor(t / 3600);
    double seconds = t - 60 * std::floor(t / 60);
    if (days >= 1000)
        return formatText("%.0fd", days);
    if (days >= 10)
        return formatText("%.0fd%02.0fh", days, hours);
    if (days > 0)
        return formatText("%.0fd%02.0fh%02.0f", days, hours, minutes);
    if (hours >= 10)
        return formatText("%02.0fh%02.0f", hours, minutes);
    if (hours > 0)
        return formatText("%.0f:%02.0f:%02.0f", hours, minutes, seconds);
    if (minutes >= 10)
        return formatText("%02.0f:%04.1f", minutes, seconds);
    if (minutes > 0)
        return formatText("%.0f:%05.2f", minutes, seconds);
    return formatText("%6.3f", seconds);
}

namespace
{
// Whether the move word can be played in the position: the mover's piece is
// there and the move leaves its king safe.
bool playable(const CPosition& position, Move move)
{
    if (move == 0)
        return false;
    int piece = position.pieceAt(moveFrom(move));
    if (piece == 0 || pieceColour(piece) != position.sideToMove() || pieceType(piece) != movePiece(move))
        return false;
    CMoveList legal;
    position.generateLegalFrom(moveFrom(move), legal);
    for (Move m : legal)
        if (sameMove(m, move))
            return true;
    return false;
}
}  // namespace

std::string pvText(const SearchReport& report, const CPosition& root, const CPosition* beforePonder, bool showHashInfo)
{
    if (report.pv.empty() || root.pieceAt(moveFrom(report.pv[0])) == 0)
        return "(empty pv)";
    std::string text;
    if (report.ponderMove != 0 && beforePonder != nullptr)
        text += "{" + beforePonder->moveToSan(report.ponderMove) + "} ";
    CPosition position = root;
    for (size_t i = 0; i < report.pv.size(); ++i)
    {
        Move move = report.pv[i];
        if (i > 0)
            text += ' ';
        if (!playable(position, move))
        {
            text += "??";
            return text;
        }
        if (i > 0 && position.sideToMove() == WHITE)
            text += formatText("%d. ", root.moveNumber() + int(i + 1) / 2);
        text += position.moveToSan(move);
        position.makeMove(move);
    }
    if (report.kind == REPORT_FAIL_HIGH)
        text += " {++}";
    else if (report.kind == REPORT_FAIL_LOW)
        text += " {--}";
    const CHashEntry& entry = report.pvEndEntry;
    if (!entry.isEmpty())
    {
        if (showHashInfo)
            text += formatText(" {ht=0x%016" PRIx64 ", draft=%d, %s, value=%d(%s)}", entry.key(), entry.draft(),
                               boundName(entry.bound()), entry.value(), position.moveToSan(entry.move()).c_str());
        else
            text += " {ht}";
    }
    return text;
}

void CThinkingOutput::report(const SearchReport& r)
{
    switch (r.kind)
    {
    case REPORT_STARTED:
        output(m_xboardMode ? " Ply    CE  Time     Nodes  Principal variation\n"
                            : " Ply   Time   Score   Nodes  Principal variation\n");
        break;
    case REPORT_LINE:
    case REPORT_FAIL_HIGH:
    case REPORT_FAIL_LOW:
        if (r.nodes >= m_noiseLevel)
        {
            std::string pv = pvTextOf(r);
            if (m_xboardMode)
                output(" %2d %6d %5d %9" PRId64 "  %s\n", r.depth / 8, winboardScore(r.score), int(r.elapsed * 100),
                       r.nodes, pv.c_str());
            else
            {
                std::string line = formatText(" %2d %7s %7s %7s  ", r.depth / 8, timeText(r.elapsed).c_str(),
                                              scoreText(r.score).c_str(), nodesText(r.nodes).c_str());
                line += pv;
                line += "\n";
                output("%s", wrapText(line, 79, 31).c_str());
            }
        }
        m_lastLine = r;
        break;
    case REPORT_ONE_MOVE:
    case REPORT_BOOK_MOVE:
    case REPORT_FINISHED:
        m_lastResult = r;
        break;
    default:
        break;
    }
}

bool CThinkingOutput::showPvQuiescence() const { return theSearch().showPvQuiescence; }

void CThinkingOutput::setShowPvQuiescence(bool on) { theSearch().showPvQuiescence = on; }

void CThinkingOutput::reset()
{
    m_lastLine = SearchReport();
    m_lastResult = SearchReport();
}

std::string CThinkingOutput::pvTextOf(const SearchReport& report) const
{
    CPosition root;
    CBoard::store(root);
    const CPosition* before = nullptr;
    const CGame& game = theGame();
    int current = game.currentIndex();
    if (report.ponderMove != 0 && current > 0 && sameMove(game.entries()[current].move, report.ponderMove))
        before = &game.entries()[current - 1].position;
    return pvText(report, root, before, m_showPvHashInfo);
}

CThinkingOutput& theThinkingOutput()
{
    static CThinkingOutput thinkingOutput;
    return thinkingOutput;
}
