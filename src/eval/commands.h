// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handleScore(const std::string& args);
void handleLoadEval(const std::string& args);
void handleSaveEval(const std::string& args);
