// The engine's names and version, and the file names derived from the version.
#pragma once

#include <string>

// "Vekran".
const std::string& engineName();
// "3.00.3.4" ("Unknown" when the version is not known).
const std::string& versionText();
// Display name, a blank and the version text: "Vekran 3.00.3.4".
const std::string& fullEngineName();
// "vek" followed by the version text with its first '.' removed: "vek300.3.4".
const std::string& fileBaseName();

// The rules behind versionText() and fileBaseName(), for any version number.
std::string formatVersionText(int major, int minor, int third, int fourth);
std::string makeFileBaseName(const std::string& version);
