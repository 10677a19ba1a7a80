// The engine's input as the layers below the shell see it: the queue of command lines,
// the prompt, and the command loop a running search hands its input to. The shell
// implements it on the console and installs it at start-up.
#pragma once

#include <string>

// Modes: which loop is reading input. A command's mode mask holds the modes that accept it.
const int MODE_IDLE = 1;       // waiting for a command (the idle loop)
const int MODE_THINKING = 2;   // searching for the engine's own move
const int MODE_ANALYSING = 4;  // analysis mode
const int MODE_PONDERING = 8;  // pondering on the opponent's time
const int MODE_EPD_TEST = 16;  // running an EPD test suite
const int MODE_ALL = MODE_IDLE | MODE_THINKING | MODE_ANALYSING | MODE_PONDERING | MODE_EPD_TEST;
// A UCI session (the first line was "uci") reads with its own commands: between searches, and
// while a search runs or waits for stop. MODE_ALL does not hold them.
const int MODE_UCI = 32;
const int MODE_UCI_SEARCHING = 64;

// Takes a line that the search mode's commands do not accept but the idle loop does: it stops
// the running search so that the command is carried out once the search has unwound.
typedef void (*DeferredCommandHandler)(const std::string& line);

class CInputService
{
public:
    virtual ~CInputService() = default;

    // ---- The line queue ----------------------------------------------------------------
    // Reads what is waiting on the input without blocking.
    virtual void pollInput() = 0;
    // Takes the oldest completed line; false when none is queued.
    virtual bool takeLine(std::string& line) = 0;
    // Puts a line at the front of the queue: it is the next one taken.
    virtual void requeueFront(const std::string& line) = 0;
    // Waits until a completed line is there and takes it. False (nothing taken) once the
    // input has ended and only the closing "quit" is left, which stays queued.
    virtual bool readLineBlocking(std::string& line) = 0;
    // True once the input has ended ("quit" is then queued).
    virtual bool endOfInput() const = 0;

    // ---- The console ---------------------------------------------------------------------
    virtual void setPrompt(const std::string& text) = 0;
    // Whether the input comes from a terminal (which then also shows the output).
    virtual bool isTerminal() const = 0;

    // ---- The command loops ---------------------------------------------------------------
    // Input read while a search runs goes to the commands of this mode (one MODE_ bit);
    // 0 leaves no command list installed. With a deferred-command handler, an idle-loop
    // command goes to it instead of being retried as a move.
    virtual void selectSearchMode(int modeBit, DeferredCommandHandler deferred) = 0;
    // Carries out a line as the idle loop would; false when no handler ran.
    virtual bool dispatchIdleCommand(const std::string& line) = 0;
    // A search with nothing left to search that must not end yet: blocks for whole lines and
    // hands them to the search mode's commands until one of them sets stopRequest.
    virtual void waitForCommands(const volatile int& stopRequest) = 0;
};

// Installs the input service; nullptr (and the state before any install) leaves one without
// input: nothing is ever queued, the input never ends, and command lines are not carried out.
void installInputService(CInputService* service);
CInputService& theInput();

// Whether the user asks a long read (a FIFO) to stop: true when the queued input holds
// "quit" or "exit" or has ended. Looks at waiting input without blocking and leaves every
// line queued, so "quit" still ends the engine afterwards.
bool inputAsksToStop();
