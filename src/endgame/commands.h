// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handleKpk(const std::string& args);
void handleKpkTest(const std::string& args);
void handleTbAnal(const std::string& args);
void handleTbProbe(const std::string& args);
