// The help command: the category overview and the detailed listing of one category.
#pragma once

#include <string>

void handleHelp(const std::string& args);

// Breaks a listing line at blanks: the first piece at most 79 characters wide, every further
// piece indented by 32 blanks and at most 47 wide. The line's trailing white space is kept at the end.
std::string wrapHelpLine(const std::string& text);
