// Asking the opening books for a move: the three books (primary, secondary,
// tertiary), the weights of their candidates and the random choice among them.
//
// The player owns the decision to use a book move; it delegates the whole of
// it to COpeningBooks:
//   - think():  theBooks().chooseBookMove(position, move, share)
//   - new game: theBooks().resetForNewGame()      (book use on, reference move 0)
//   - fen / setboard: theBooks().setReferenceMoveNumber(position.moveNumber())
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board/types.h"
#include "book/book.h"
#include "book/hashbook.h"
#include "book/polyglotbook.h"

class CPosition;

// The weight of a candidate for the side to move under a book's six
// parameters (threshold, scorebias, vbadbias, badbias, goodbias, vgoodbias);
// a candidate with a stored weight (Polyglot) weighs just that.
// Never negative: parameters that would make it so (or not a number) give 0.
double bookWeight(const double parameters[BOOK_PARAMETER_COUNT], bool whiteToMove, const BookMove& move);

// The index of the candidate a 32-bit draw picks in proportion to the weights:
// the first whose running sum exceeds draw * total / 2^32; -1 when the total is 0.
int pickWeighted(const std::vector<double>& weights, uint32_t draw);

class COpeningBooks
{
public:
    static constexpr int PRIMARY = 0;
    static constexpr int SECONDARY = 1;
    static constexpr int TERTIARY = 2;
    static constexpr int SLOTS = 3;

    COpeningBooks();

    // A slot holds a hash book or a Polyglot book. These are its hash book, open or not.
    CHashBook& book(int slot) { return m_books[slot]; }
    CHashBook& primary() { return m_books[PRIMARY]; }
    // The book open in the slot, of either kind; null when none is.
    CBook* openBook(int slot);
    // Opens the file in the slot, closing what was there. A file without a hash-book header
    // that checks out as a Polyglot book is opened as one; 'error' tells why neither worked:
    // for a name ending in ".bin" what is wrong with it as a Polyglot book, otherwise why it
    // is no hash book.
    bool open(int slot, const std::string& name, std::string& error);

    // Opens the three books of the command line and prints what happened.
    void openStartupBooks(const std::string& primaryName, const std::string& secondaryName = "secondary.hbk",
                          const std::string& tertiaryName = "tertiary.hbk");

    // The first open book (primary, secondary, tertiary) that knows a move of
    // the position supplies the candidates; `slot` tells which one (-1: none).
    bool collectBookMoves(const CPosition& position, std::vector<BookMove>& out, int* slot = nullptr);
    // Weights always use the primary book's parameters (all 0 when the primary slot holds
    // no hash book); Polyglot candidates weigh what their book says.
    double bookWeight(bool whiteToMove, const BookMove& move) const;
    // A book move for the position, drawn at random by weight; `share` is its
    // weight over the total.
    bool chooseBookMove(const CPosition& position, Move& move, double& share);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    int referenceMoveNumber() const { return m_referenceMoveNumber; }
    void setReferenceMoveNumber(int number) { m_referenceMoveNumber = number; }
    void resetForNewGame()
    {
        m_enabled = true;
        m_referenceMoveNumber = 0;
    }
    // The 32-bit draws of the choice; the engine's generator unless replaced.
    void setRandomSource(std::function<uint32_t()> source) { m_random = std::move(source); }

private:
    CHashBook m_books[SLOTS];
    CPolyglotBook m_polyglotBooks[SLOTS];
    bool m_enabled = true;
    int m_referenceMoveNumber = 0;
    std::function<uint32_t()> m_random;
};

// The process-wide books.
COpeningBooks& theBooks();

// "Primary", "Secondary", "Tertiary".
const char* bookSlotName(int slot);
