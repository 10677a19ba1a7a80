#include "book/bookchoice.h"

#include <cctype>
#include <cmath>

#include "board/position.h"
#include "board/random.h"
#include "base/output.h"

// ---- Probing ------------------------------------------------------------------------

// Polyglot books probe themselves (polyglotbook.cpp).
bool CHashBook::probe(const CPosition& position, std::vector<BookMove>& out)
{
    out.clear();
    if (!isOpen())
        return false;
    CMoveList moves;
    position.generateLegal(moves);
    bool blackToMove = position.sideToMove() == BLACK;
    for (Move move : moves)
    {
        CPosition after = position;
        after.makeMove(move);
        BookRecord record;
        switch (lookup(bookRecordKey(position.hashKey(), after.hashKey(), blackToMove), record))
        {
        case FOUND:
        {
            BookMove candidate;
            candidate.move = move;
            candidate.games = record.games;
            candidate.whitePoints = record.whitePoints * 0.5;
            candidate.bias = record.bias * 0.25;
            candidate.flags = record.flags;
            out.push_back(candidate);
            break;
        }
        case NOT_FOUND:
            break;
        case READ_FAILED:
            out.clear();
            return false;
        }
    }
    return true;
}

// ---- Weights and the draw ------------------------------------------------------------

double bookWeight(const double parameters[BOOK_PARAMETER_COUNT], bool whiteToMove, const BookMove& move)
{
    if (move.hasStoredWeight)
        return move.storedWeight > 0.0 && std::isfinite(move.storedWeight) ? move.storedWeight : 0.0;
    if (!(double(move.games) >= parameters[BOOK_THRESHOLD]))
        return 0.0;
    if ((move.flags & (whiteToMove ? BOOK_WTM : BOOK_BTM)) == 0)
        return 0.0;
    double score = move.whitePoints / double(move.games > 1 ? move.games : 1);
    if (!whiteToMove)
        score = 1.0 - score;
    double s = parameters[BOOK_SCOREBIAS] * (score - 0.5) + 0.5;
    if (s < 0.0)
        s = 0.0;
    double factor = 1.0;
    if (move.flags & BOOK_AN_VBAD)
        factor = parameters[BOOK_VBADBIAS];
    else if (move.flags & BOOK_AN_BAD)
        factor = parameters[BOOK_BADBIAS];
    else if (move.flags & BOOK_AN_GOOD)
        factor = parameters[BOOK_GOODBIAS];
    else if (move.flags & BOOK_AN_VGOOD)
        factor = parameters[BOOK_VGOODBIAS];
    double weight = factor * s * double(move.games) * move.bias;
    // A negative factor set with bset (or a damaged header) must not turn the
    // draw into nonsense.
    if (!(weight > 0.0) || !std::isfinite(weight))
        return 0.0;
    return weight;
}

int pickWeighted(const std::vector<double>& weights, uint32_t draw)
{
    double total = 0.0;
    for (double w : weights)
        total += w;
    if (!(total > 0.0))
        return -1;
    double target = double(draw) * total * (1.0 / 4294967296.0);
    double sum = 0.0;
    int last = -1;
    for (size_t i = 0; i < weights.size(); ++i)
    {
        if (weights[i] <= 0.0)
            continue;
        sum += weights[i];
        last = int(i);
        if (sum > target)
            return int(i);
    }
    return last;  // only when rounding leaves the sum a hair below the target
}

// ---- The three books -------------------------------------------------------------------

const char* bookSlotName(int slot)
{
    static const char* const NAMES[COpeningBooks::SLOTS] = {"Primary", "Secondary", "Tertiary"};
    return slot >= 0 && slot < COpeningBooks::SLOTS ? NAMES[slot] : "";
}

COpeningBooks::COpeningBooks() : m_random([] { return theTT800().next(); }) {}

COpeningBooks& theBooks()
{
    static COpeningBooks books;
    return books;
}

void COpeningBooks::openStartupBooks(const std::string& primaryName, const std::string& secondaryName,
                                     const std::string& tertiaryName)
{
    const std::string* names[SLOTS] = {&primaryName, &secondaryName, &tertiaryName};
    static const char* const LOWER[SLOTS] = {"primary", "secondary", "tertiary"};
    for (int slot = 0; slot < SLOTS; ++slot)
    {
        std::string error;
        if (open(slot, *names[slot], error))
            output("%s book \"%s\" contains %u positions\n", bookSlotName(slot), names[slot]->c_str(),
                   openBook(slot)->positionCount());
        else
        {
            output("Failed to open %s book \"%s\"\n", LOWER[slot], names[slot]->c_str());
            output("%s\n", error.c_str());
        }
    }
}

CBook* COpeningBooks::openBook(int slot)
{
    if (slot < 0 || slot >= SLOTS)
        return nullptr;
    if (m_books[slot].isOpen())
        return &m_books[slot];
    if (m_polyglotBooks[slot].isOpen())
        return &m_polyglotBooks[slot];
    return nullptr;
}

namespace
{
bool endsWithBin(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".bin";
}
}

bool COpeningBooks::open(int slot, const std::string& name, std::string& error)
{
    if (slot < 0 || slot >= SLOTS)
        return false;
    m_books[slot].close();
    m_polyglotBooks[slot].close();
    if (m_books[slot].open(name, error, false))
        return true;
    // Only a file that was read and found to hold no hash-book header can be a Polyglot
    // book; hash books keep every error text of their own.
    if (!m_books[slot].lastOpenFoundNoHeader())
        return false;
    std::string polyglotError;
    if (m_polyglotBooks[slot].open(name, polyglotError))
        return true;
    if (endsWithBin(name))
        error = polyglotError;
    return false;
}

bool COpeningBooks::collectBookMoves(const CPosition& position, std::vector<BookMove>& out, int* slot)
{
    out.clear();
    if (slot != nullptr)
        *slot = -1;
    for (int i = 0; i < SLOTS; ++i)
    {
        CBook* book = openBook(i);
        if (book == nullptr)
            continue;
        if (book->probe(position, out) && !out.empty())
        {
            if (slot != nullptr)
                *slot = i;
            return true;
        }
    }
    out.clear();
    return false;
}

double COpeningBooks::bookWeight(bool whiteToMove, const BookMove& move) const
{
    double parameters[BOOK_PARAMETER_COUNT];
    for (int i = 0; i < BOOK_PARAMETER_COUNT; ++i)
        parameters[i] = m_books[PRIMARY].parameter(i);
    return ::bookWeight(parameters, whiteToMove, move);
}

bool COpeningBooks::chooseBookMove(const CPosition& position, Move& move, double& share)
{
    move = NO_MOVE;
    share = 0.0;
    if (!m_enabled || position.moveNumber() > m_referenceMoveNumber + 5)
        return false;
    std::vector<BookMove> candidates;
    if (!collectBookMoves(position, candidates))
        return false;
    bool whiteToMove = position.sideToMove() == WHITE;
    std::vector<double> weights;
    double total = 0.0;
    for (const BookMove& candidate : candidates)
    {
        weights.push_back(bookWeight(whiteToMove, candidate));
        total += weights.back();
    }
    if (!(total > 0.0))
        return false;
    int chosen = pickWeighted(weights, m_random());
    if (chosen < 0)
        return false;
    move = candidates[size_t(chosen)].move;
    share = weights[size_t(chosen)] / total;
    m_referenceMoveNumber = position.moveNumber();
    return true;
}
