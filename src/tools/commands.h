// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handleTestEval(const std::string& args);
void handleEpd(const std::string& args);
