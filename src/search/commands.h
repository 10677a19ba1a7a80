// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handleHash(const std::string& args);
void handleExt(const std::string& args);
void handleNull(const std::string& args);
void handleNoise(const std::string& args);
void handleShowPvh(const std::string& args);
void handleShowPvq(const std::string& args);
void handleAnalHash(const std::string& args);
