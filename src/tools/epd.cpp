// The EPD test-suite runner.
#include "tools/epd.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/input.h"
#include "base/output.h"
#include "base/text.h"
#include "board/game.h"
#include "board/position.h"
#include "game/player.h"
#include "game/thinking.h"
#include "game/timecontrol.h"
#include "platform/files.h"
#include "search/hashtable.h"
#include "search/search.h"

namespace
{
constexpr double EPD_FAILED = -2.0;
constexpr double EPD_INVALID = -1.0;

const char* const RULE = " ======================================================\n";
const char* const TEST_RULE = " --------------------------------------------\n";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Blank-separated words of a text.
std::vector<std::string> wordsOf(const std::string& text)
{
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size())
    {
        while (at < text.size() && isBlank(text[at]))
            ++at;
        size_t end = at;
        while (end < text.size() && !isBlank(text[end]))
            ++end;
        if (end > at)
            words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

std::string operationText(const EpdOperation& operation)
{
    std::string text = operation.opcode;
    for (const std::string& operand : operation.operands)
        text += " " + operand;
    return text;
}

// What a test looks for: the moves that pass it, the moves that fail it, and its label.
struct EpdTarget
{
    std::vector<Move> best;
    std::vector<Move> avoid;
    std::string label;
};

// Reads the bm and am operands in the position; an operand that is no move of it is reported
// and ends its operation, the moves read before it stay.
EpdTarget readTarget(const EpdRecord& record, const CPosition& position, int lineNumber)
{
    EpdTarget target;
    for (const EpdOperation& operation : record.operations)
    {
        bool best = operation.opcode == "bm";
        if (!best && operation.opcode != "am")
            continue;
        for (const std::string& operand : operation.operands)
        {
            char piece, promotion;
            int from, to;
            Move move = NO_MOVE;
            if (!position.tokenizeMove(operand, piece, from, to, promotion))
            {
                output(" Line %03d: Invalid: \"%s\" not valid SAN\n", lineNumber, operand.c_str());
                break;
            }
            if (!position.parseMove(operand, move))
            {
                output(" Line %03d: Invalid: \"%s\" not valid for position\n", lineNumber, operand.c_str());
                break;
            }
            if (best)
            {
                target.best.push_back(move);
                target.label += (target.label.empty() ? "" : " ") + operand;
            }
            else
            {
                target.avoid.push_back(move);
                target.label += (target.label.empty() ? "!" : "!!") + operand;
            }
        }
    }
    return target;
}

bool contains(const std::vector<Move>& moves, Move move)
{
    for (Move m : moves)
        if (sameMove(m, move))
            return true;
    return false;
}

// The line as SAN from the position, up to the first move that cannot be played there.
std::string sanLine(CPosition position, const std::vector<Move>& line)
{
    std::string text;
    for (Move move : line)
    {
        CMoveList legal;
        position.generateLegal(legal);
        Move found = NO_MOVE;
        for (int i = 0; i < legal.size() && found == NO_MOVE; ++i)
            if (sameMove(legal[i], move))
                found = legal[i];
        if (found == NO_MOVE)
            break;
        text += (text.empty() ? "" : " ") + position.moveToSan(found);
        position.makeMove(found);
    }
    return text;
}

// What one test's search gave.
struct EpdAnswer
{
    Move move = NO_MOVE;
    int score = 0;
    double solveTime = 0.0;
    int depth = 0;
    int64_t nodes = 0;
    double seconds = 0.0;
    std::vector<Move> pv;
};

// Thinks on the game's current position for the fixed time, with the EPD test mode's commands
// read meanwhile. False when a command stopped the search (the test did not run to its end).
bool thinkOnTest(int seconds, EpdAnswer& answer)
{
    CSearch& search = theSearch();
    CPlayer& player = thePlayer();
    player.reset(theGame().moveNumber());
    theHashTable().clear();
    TimeAllotment allotment;
    allotment.allotted = allotment.maximum = seconds;
    player.setAllotment(allotment);
    player.setMaxDepth(theTimeControl().maxDepth());
    theThinkingOutput().reset();
    search.stop(STOP_NONE);

    CInputService& input = theInput();
    input.setPrompt("Epd>");
    input.selectSearchMode(MODE_EPD_TEST, nullptr);
    PlayResult played = player.think(false);
    input.selectSearchMode(0, nullptr);
    if (search.stopRequest() == STOP_ABORT)
        return false;

    const SearchReport& result = played.played;
    if (result.kind == 0 || result.pv.empty())
        return true;
    const CThinkingOutput& thinking = theThinkingOutput();
    answer.move = result.pv.front();
    answer.pv = result.pv;
    if (result.kind == REPORT_BOOK_MOVE)
        return true;
    answer.score = result.score;
    answer.solveTime = search.bestMoveChangeTime();
    answer.depth = search.foundDepth();
    answer.nodes = search.totalNodes();
    answer.seconds = search.elapsed();
    // The whole line when the last thinking line still starts with the move played.
    if (thinking.hasLine() && !thinking.lastLine().pv.empty() && sameMove(thinking.lastLine().pv.front(), answer.move))
        answer.pv = thinking.lastLine().pv;
    return true;
}

std::vector<EpdOperation> resultOperations(const CPosition& position, const EpdAnswer& answer)
{
    auto operation = [](const char* opcode, const std::string& operands) {
        EpdOperation op;
        op.opcode = opcode;
        op.operands = wordsOf(operands);
        return op;
    };
    return {
        operation("acd", std::to_string(answer.depth)),
        operation("acn", std::to_string(answer.nodes)),
        operation("acs", std::to_string(int64_t(answer.seconds))),
        operation("ce", scoreText(answer.score)),
        operation("pv", sanLine(position, answer.pv)),
    };
}

// Reads the next line without its line end ("\n" or "\r\n"); false at the end of the file.
bool readLine(std::ifstream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}
}  // namespace

bool splitEpdLine(const std::string& line, EpdRecord& record)
{
    record = EpdRecord();
    size_t at = 0;
    int fields = 0;
    while (fields < 6)
    {
        size_t start = at;
        while (start < line.size() && isBlank(line[start]))
            ++start;
        size_t end = start;
        while (end < line.size() && !isBlank(line[end]))
            ++end;
        if (end == start)
            break;
        // After the four position fields only numbers (clock and move number) belong to it.
        if (fields >= 4 && !std::isdigit(static_cast<unsigned char>(line[start])))
            break;
        record.fen += (fields > 0 ? " " : "") + line.substr(start, end - start);
        ++fields;
        at = end;
    }
    if (fields < 4)
        return false;
    std::string rest = line.substr(at);
    size_t begin = 0;
    while (begin <= rest.size())
    {
        size_t end = rest.find(';', begin);
        if (end == std::string::npos)
            end = rest.size();
        EpdOperation operation;
        operation.text = trimmedBlanks(rest.substr(begin, end - begin));
        std::vector<std::string> words = wordsOf(operation.text);
        if (!words.empty())
        {
            operation.opcode = words.front();
            operation.operands.assign(words.begin() + 1, words.end());
            record.operations.push_back(operation);
        }
        begin = end + 1;
    }
    return true;
}

std::string epdLineWith(const EpdRecord& record, const std::vector<EpdOperation>& results)
{
    std::vector<bool> placed(results.size(), false);
    std::string line = record.fen;
    for (const EpdOperation& operation : record.operations)
    {
        std::string text = operation.text;
        for (size_t i = 0; i < results.size(); ++i)
            if (results[i].opcode == operation.opcode)
            {
                // Set once: a repeated opcode of the record keeps only its first place.
                text = placed[i] ? "" : operationText(results[i]);
                placed[i] = true;
            }
        if (!text.empty())
            line += " " + text + ";";
    }
    for (size_t i = 0; i < results.size(); ++i)
        if (!placed[i])
            line += " " + operationText(results[i]) + ";";
    return line;
}

const int CEpdSummary::BIN_LIMITS[CEpdSummary::BIN_COUNT] = {1,  2,  3,  4,  5,  6,   7,   8,   9,   10,  12,     15,
                                                             20, 30, 45, 60, 90, 120, 180, 300, 600, 900, 1000000};

void CEpdSummary::addPassed(double seconds)
{
    m_results.push_back(seconds);
    ++m_passed;
    for (int bin = 0; bin < BIN_COUNT; ++bin)
        if (BIN_LIMITS[bin] >= seconds)
        {
            ++m_bins[bin];
            break;
        }
}

void CEpdSummary::addFailed()
{
    m_results.push_back(EPD_FAILED);
    ++m_failed;
}

void CEpdSummary::addInvalid()
{
    m_results.push_back(EPD_INVALID);
    ++m_invalid;
}

void CEpdSummary::print(int secondsPerTest, bool showTable) const
{
    output(" Test run complete\n");
    double sum = 0.0, squares = 0.0;
    for (size_t i = 0; i < m_results.size(); ++i)
    {
        double result = m_results[i];
        if (showTable)
        {
            if (i % 10 == 0)
                output("%3d", int(i + 1));
            if (result >= 0.0)
                output("%7.2f", result);
            else
                output(result == EPD_FAILED ? " *fail*" : "  #bad#");
            if (i % 10 == 9 || i + 1 == m_results.size())
                output("\n");
        }
        double counted = result >= 0.0 ? result : result == EPD_FAILED ? double(secondsPerTest) : 0.0;
        sum += counted;
        squares += counted * counted;
    }
    // With no test searched there is nothing to average: 0, not a division by zero.
    int tried = searched();
    output(" \n");
    output("%s", RULE);
    output("      Number of solutions found: %d/%d\n", m_passed, tried);
    output(" Average time to find solutions: %g seconds\n", tried > 0 ? sum / tried : 0.0);
    output("     RMS time to find solutions: %g seconds\n", tried > 0 ? std::sqrt(squares / tried) : 0.0);

    int first = 0, last = BIN_COUNT - 1, largest = 0;
    while (first < BIN_COUNT && m_bins[first] == 0)
        ++first;
    while (last >= 0 && m_bins[last] == 0)
        --last;
    for (int bin = first; bin <= last; ++bin)
        largest = std::max(largest, m_bins[bin]);
    double scale = largest > 50 ? 50.0 / largest : 1.0;
    int cumulative = 0;
    for (int bin = first; bin <= last; ++bin)
    {
        cumulative += m_bins[bin];
        output(" %3ds:%5d%+6d |", BIN_LIMITS[bin], cumulative, m_bins[bin]);
        output("%s", std::string(size_t(std::floor(m_bins[bin] * scale + 0.5)), '#').c_str());
        output("  (%.1f%%)\n", m_bins[bin] * 100.0 / m_passed);
    }
    output("%s", RULE);
    output(" \n");
}

bool parseEpdArguments(const std::string& args, EpdRunSettings& settings)
{
    // Each word fits in a buffer the size of the whole text.
    std::vector<char> input(args.size() + 1), third(args.size() + 1), fourth(args.size() + 1);
    int seconds = 0;
    int read = std::sscanf(args.c_str(), "%d %s %s %s", &seconds, input.data(), third.data(), fourth.data());
    if (read < 2)
        return false;
    settings = EpdRunSettings();
    settings.seconds = seconds;
    settings.inputName = input.data();
    for (int i = 3; i <= read; ++i)
    {
        const char* word = i == 3 ? third.data() : fourth.data();
        if (word[0] == '#')
            settings.testNumber = std::atoi(word + 1);
        else
            settings.outputName = word;
    }
    return true;
}

bool runEpdSuite(const EpdRunSettings& settings)
{
    // Only a plain file is a suite: a device would be read without end, and opening a FIFO
    // would wait for a writer that may never come.
    std::ifstream in;
    if (fileKind(settings.inputName) == FileKind::REGULAR)
        in.open(settings.inputName, std::ios::binary);
    if (!in.is_open())
    {
        output("Failed to open \"%s\" file for input\n", settings.inputName.c_str());
        return false;
    }
    // Opening the suite itself for output would empty it before it is read.
    FILE* out = nullptr;
    if (!settings.outputName.empty())
    {
        if (!sameFile(settings.inputName, settings.outputName))
            out = std::fopen(settings.outputName.c_str(), "w");
        if (!out)
        {
            output("Failed to open \"%s\" file for output\n", settings.outputName.c_str());
            return false;
        }
    }

    CEpdSummary summary;
    std::string line;
    for (int lineNumber = 1; readLine(in, line); ++lineNumber)
    {
        if (trimmed(line).empty() || line[0] == '#')
            continue;
        if (settings.testNumber != 0 && lineNumber != settings.testNumber)
            continue;
        EpdRecord record;
        CPosition position;
        if (!splitEpdLine(line, record) || !position.setFromFen(record.fen) || !theGame().setStartPosition(position))
        {
            output("Line %03d: Invalid FEN\n", lineNumber);
            summary.addInvalid();
            continue;
        }
        position = theGame();
        EpdTarget target = readTarget(record, position, lineNumber);
        output(" Line %03d: Test [%s]...\n", lineNumber, target.label.c_str());
        EpdAnswer answer;
        if (!thinkOnTest(settings.seconds, answer))
            break;

        bool passed = target.best.empty() ? !target.avoid.empty() && !contains(target.avoid, answer.move)
                                          : contains(target.best, answer.move);
        output(" \n");
        output("%s", TEST_RULE);
        output(" %s\n", line.c_str());
        if (passed)
        {
            output(" Line %03d: Test [%s]: passed in %.2f seconds [score=%.3f]\n", lineNumber, target.label.c_str(),
                   answer.solveTime, answer.score * 0.001);
            summary.addPassed(answer.solveTime);
        }
        else
        {
            std::string played = answer.move == NO_MOVE ? "null" : position.moveToSan(answer.move);
            output(" Line %03d: Test [%s]: failed [%s; score=%.3f]\n", lineNumber, target.label.c_str(), played.c_str(),
                   answer.score * 0.001);
            summary.addFailed();
        }
        output(" \n");
        output(" Passed %d out of %d (%d invalid)\n", summary.passed(), summary.searched(), summary.invalid());
        output("%s", TEST_RULE);
        output(" \n");
        if (out)
        {
            std::fprintf(out, "%s\n", epdLineWith(record, resultOperations(position, answer)).c_str());
            std::fflush(out);
        }
    }
    if (out)
        std::fclose(out);
    summary.print(settings.seconds, settings.testNumber == 0);
    return true;
}
