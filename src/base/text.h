// Small text helpers shared by the command handlers.
#pragma once

#include <string>

// The text without white space at either end (the C locale's: blank, tab, line feed,
// carriage return, vertical tab, form feed).
std::string trimmed(const std::string& text);

// The text without blanks and tabs at either end (line ends are kept).
std::string trimmedBlanks(const std::string& text);

// Whether the two texts are equal when case is ignored (ASCII letters).
bool equalsIgnoringCase(const std::string& a, const std::string& b);
