// Wall clock and pauses.
#pragma once

// Wall-clock time in seconds since 1601-01-01 00:00 UTC, to 100 ns.
double wallClockSeconds();

// Pauses the process for the given number of milliseconds (0 or less: returns at once).
void sleepMilliseconds(int milliseconds);
