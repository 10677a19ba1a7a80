// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handlePerft(const std::string& args);
void handlePerf(const std::string& args);
void handlePerfc(const std::string& args);
void handleHamm(const std::string& args);
