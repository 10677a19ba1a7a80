// The single formatted output path: every text the engine prints goes through output().
#pragma once

void output(const char* format, ...) __attribute__((format(printf, 1, 2)));
