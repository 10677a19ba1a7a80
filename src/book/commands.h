// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handleBadd(const std::string& args);
void handleBcreate(const std::string& args);
void handleBk(const std::string& args);
void handleBook(const std::string& args);
void handleBset(const std::string& args);

// Opens one file, whose name may hold blanks, in a book slot and says what happened.
void openBook(int slot, const std::string& name);
