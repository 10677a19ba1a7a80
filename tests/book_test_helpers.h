// Kept for tests/polyglot_test.cpp, which predates tests/support: the helpers live there now.
#pragma once

#include "support/helpers.h"

inline std::string bookTempPath(const std::string& name) { return tempPath(name); }
