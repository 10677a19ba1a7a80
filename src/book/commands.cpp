// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "book/commands.h"

#include <cmath>
#include <cstdlib>
#include <strings.h>
#include <vector>

#include "board/game.h"
#include "book/bookbuild.h"
#include "book/bookchoice.h"
#include "base/output.h"
#include "base/text.h"

namespace
{
// Largest value of the bset factors (see parseBookParameter).
constexpr double BSET_MAX_FACTOR = 1000.0;

std::vector<std::string> splitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text)
    {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        }
        else
            word += c;
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

std::string flagNames(uint8_t flags)
{
    std::string text;
    if (flags & BOOK_WTM)
        text += "WTM ";
    if (flags & BOOK_BTM)
        text += "BTM ";
    if (flags & BOOK_AN_VBAD)
        text += "AN_VBAD ";
    if (flags & BOOK_AN_BAD)
        text += "AN_BAD ";
    if (flags & BOOK_AN_GOOD)
        text += "AN_GOOD ";
    if (flags & BOOK_AN_VGOOD)
        text += "AN_VGOOD ";
    return text;
}

void listBookMoves()
{
    COpeningBooks& books = theBooks();
    const CPosition& position = theGame();
    std::vector<BookMove> candidates;
    int slot = -1;
    if (!books.collectBookMoves(position, candidates, &slot))
    {
        output(" No book is open\n");
        return;
    }
    CBook& source = *books.openBook(slot);
    bool whiteToMove = position.sideToMove() == WHITE;
    std::vector<double> weights;
    double total = 0.0;
    for (const BookMove& candidate : candidates)
    {
        weights.push_back(books.bookWeight(whiteToMove, candidate));
        total += weights.back();
    }
    if (total == 0.0)
        total = 1.0;
    output(" %s book file contains %u positions\n", bookSlotName(slot), source.positionCount());
    if (source.storesWeights())
        output(" Polyglot book: the weights are the book's own\n");
    else
    {
        output(" Games threshold: %g\n", books.book(slot).parameter(BOOK_THRESHOLD));
        output(" Game score bias: %1.2f\n", books.book(slot).parameter(BOOK_SCOREBIAS));
    }
    output("    Move     Games   White%%   Bias     Weight      Prob%%   Flags\n");
    output(" -------   -------   ------   ----   --------   --------   --------------------\n");
    for (size_t i = 0; i < candidates.size(); ++i)
    {
        const BookMove& c = candidates[i];
        std::string san = position.moveToSan(c.move);
        // A Polyglot entry knows no games, score or bias: those columns stay empty.
        if (c.hasStoredWeight)
            output(" %7s%10s   %6s   %4s %10.1f   %7.3f%%   %s\n", san.c_str(), "-", "-", "-", weights[i],
                   weights[i] * 100.0 / total, flagNames(c.flags).c_str());
        else
            output(" %7s%10d   %5.1f%%   %4.2f %10.1f   %7.3f%%   %s\n", san.c_str(), int(c.games),
                   c.whitePoints * 100.0 / double(c.games > 1 ? c.games : 1), c.bias, weights[i],
                   weights[i] * 100.0 / total, flagNames(c.flags).c_str());
    }
}

// Reads a bset value: the whole word a finite number within the parameter's range.
// Threshold compares with a game count (a 24-bit field of a record) and keeps only the
// whole part; the others scale weights and must keep them finite and non-negative.
bool parseBookParameter(int index, const std::string& text, double& value)
{
    const char* start = text.c_str();
    char* end = nullptr;
    value = std::strtod(start, &end);
    if (end == start || *end != '\0' || !std::isfinite(value) || value < 0.0)
        return false;
    if (index == BOOK_THRESHOLD)
    {
        value = std::trunc(value);
        return value <= double(BOOK_MAX_COUNT);
    }
    return value <= BSET_MAX_FACTOR;
}

// The primary hash book when it is open; otherwise says so and gives null.
CHashBook* openPrimaryBook()
{
    CHashBook& book = theBooks().primary();
    if (book.isOpen())
        return &book;
    if (theBooks().openBook(COpeningBooks::PRIMARY) != nullptr)
        output(" Primary book is a Polyglot book: it is read-only and has no parameters\n");
    else
        output(" Primary book is not open\n");
    return nullptr;
}
}

// Opens the file in a book slot (closing the book there) and says what happened.
void openBook(int slot, const std::string& name)
{
    // The program's own spelling of the third slot in this message.
    static const char* const NAMES[COpeningBooks::SLOTS] = {"Primary", "Secondary", "Terciary"};
    std::string error;
    if (theBooks().open(slot, name, error))
        output("%s book \"%s\" contains %u positions\n", NAMES[slot], name.c_str(),
               theBooks().openBook(slot)->positionCount());
    else
    {
        output("Failed to open %s book \"%s\"\n", NAMES[slot], name.c_str());
        output("%s\n", error.c_str());
    }
}

void handleBadd(const std::string& args)
{
    CHashBook* primary = openPrimaryBook();
    if (primary == nullptr)
        return;
    CHashBook& book = *primary;
    std::vector<std::string> words = splitWords(args);
    BookImportOptions options;
    std::string fileName;
    for (size_t i = 0; i < words.size(); ++i)
    {
        const std::string& word = words[i];
        bool hasValue = i + 1 < words.size();
        if (word == "-w")
            options.sideFlags = BOOK_WTM;
        else if (word == "-b")
            options.sideFlags = BOOK_BTM;
        else if (word == "-bias" && hasValue)
            options.bias = std::atof(words[++i].c_str());
        else if (word == "-d" && hasValue)
            options.maxDepth = std::atoi(words[++i].c_str());
        else if (fileName.empty())
            fileName = word;
        else
        {
            output(" Invalid parameter: %s\n", word.c_str());
            return;
        }
    }
    if (fileName.empty())
    {
        output(" The pgn file name parameter is required.\n");
        return;
    }
    std::string errors;
    book.importPgn(fileName, options, errors);
    if (!errors.empty())
    {
        output("\nErrors were encountered while adding to book file:\n");
        output("%s\n", errors.c_str());
    }
    output("Primary book file \"%s\" now contains %u positions\n", book.fileName().c_str(), book.positionCount());
}

void handleBcreate(const std::string& args)
{
    // The whole argument is the name: a name with blanks in it is one file, not a list of books.
    std::string name = trimmed(args);
    CHashBook book;
    std::string error;
    if (!book.create(name, error))
    {
        output("Failed to create book file: \"%s\"\n", name.c_str());
        output("%s\n", error.c_str());
        return;
    }
    book.close();
    openBook(COpeningBooks::PRIMARY, name);
}

void handleBk(const std::string& args)
{
    std::vector<std::string> words = splitWords(args);
    if (words.empty())
    {
        listBookMoves();
        return;
    }
    if (words.size() == 1 && words[0] == "on")
    {
        theBooks().setEnabled(true);
        output(" Opening book(s) enabled.\n");
    }
    else if (words.size() == 1 && words[0] == "off")
    {
        theBooks().setEnabled(false);
        output(" Opening book(s) disabled.\n");
    }
    else
        output("Parameter not recognised.\n");
}

void handleBook(const std::string& args)
{
    std::vector<std::string> names = splitWords(args);
    for (size_t slot = 0; slot < names.size() && slot < size_t(COpeningBooks::SLOTS); ++slot)
        openBook(int(slot), names[slot]);
}

void handleBset(const std::string& args)
{
    CHashBook* primary = openPrimaryBook();
    if (primary == nullptr)
        return;
    CHashBook& book = *primary;
    std::vector<std::string> words = splitWords(args);
    if (words.empty())
    {
        output(" Engine book parameters\n");
        output(" ----------------------\n");
        output(" Threshold %6g\n", book.parameter(BOOK_THRESHOLD));
        output(" ScoreBias %6g\n", book.parameter(BOOK_SCOREBIAS));
        output(" VGoodBias %6g\n", book.parameter(BOOK_VGOODBIAS));
        output(" GoodBias  %6g\n", book.parameter(BOOK_GOODBIAS));
        output(" BadBias   %6g\n", book.parameter(BOOK_BADBIAS));
        output(" VBadBias  %6g\n", book.parameter(BOOK_VBADBIAS));
        return;
    }
    if (words.size() != 2)
    {
        output(" Invalid number of parameters\n");
        return;
    }
    static const struct
    {
        const char* name;
        int index;
    } PARAMETERS[] = {
        {"threshold", BOOK_THRESHOLD}, {"scorebias", BOOK_SCOREBIAS}, {"vgoodbias", BOOK_VGOODBIAS},
        {"goodbias", BOOK_GOODBIAS},   {"badbias", BOOK_BADBIAS},     {"vbadbias", BOOK_VBADBIAS},
    };
    const std::string& name = words[0];
    for (const auto& parameter : PARAMETERS)
    {
        if (name.size() > std::string(parameter.name).size() ||
            strncasecmp(name.c_str(), parameter.name, name.size()) != 0)
            continue;
        double value = 0.0;
        if (!parseBookParameter(parameter.index, words[1], value))
        {
            if (parameter.index == BOOK_THRESHOLD)
                output("Error (%s must be a number from 0 to %u): %s\n", parameter.name, BOOK_MAX_COUNT,
                       words[1].c_str());
            else
                output("Error (%s must be a number from 0 to %g): %s\n", parameter.name, BSET_MAX_FACTOR,
                       words[1].c_str());
            return;
        }
        if (!book.setParameter(parameter.index, value))
            output(" Failed to write the book parameter: %s\n", book.lastError().c_str());
        return;
    }
    output(" Book parameter not recognised: %s\n", name.c_str());
}
