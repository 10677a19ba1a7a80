// Small text helpers shared by the command handlers.
#pragma once

#include <cstdarg>
#include <string>

// The text without white space at either end (the C locale's: blank, tab, line feed,
// carriage return, vertical tab, form feed).
std::string trimmed(const std::string& text);

// The text without blanks and tabs at either end (line ends are kept).
std::string trimmedBlanks(const std::string& text);

// Whether the two texts are equal when case is ignored (ASCII letters).
bool equalsIgnoringCase(const std::string& a, const std::string& b);

// Word wrap for listings and thinking lines: pieces of at most 'width' characters, cut at
// the last blank that fits; every piece after the first is indented by 'indent' blanks and
// at most width - indent wide. The text's trailing white space is kept at the end.
std::string wrapText(const std::string& text, int width, int indent);

// printf-style formatting into a string of any length.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatTextV(const char* format, va_list args);
