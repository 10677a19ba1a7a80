#include "base/version.h"

#include <cstdio>

namespace
{
const int VERSION_MAJOR = 3;
const int VERSION_MINOR = 0;
const int VERSION_THIRD = 3;
const int VERSION_FOURTH = 4;
}

std::string formatVersionText(int major, int minor, int third, int fourth)
{
    if (major < 0 || minor < 0 || third < 0 || fourth < 0)
        return "Unknown";
    char text[64];
    int length = std::snprintf(text, sizeof text, "%d.%02d", major, minor);
    if (third != 0 || fourth != 0)
        length += std::snprintf(text + length, sizeof text - length, ".%d", third);
    if (fourth != 0)
        std::snprintf(text + length, sizeof text - length, ".%d", fourth);
    return text;
}

std::string makeFileBaseName(const std::string& version)
{
    std::string name = version;
    size_t dot = name.find('.');
    if (dot != std::string::npos)
        name.erase(dot, 1);
    return "vek" + name;
}

const std::string& engineName()
{
    static const std::string name = "Vekran";
    return name;
}

const std::string& versionText()
{
    static const std::string text = formatVersionText(VERSION_MAJOR, VERSION_MINOR, VERSION_THIRD, VERSION_FOURTH);
    return text;
}

const std::string& fullEngineName()
{
    static const std::string name = engineName() + " " + versionText();
    return name;
}

const std::string& fileBaseName()
{
    static const std::string name = makeFileBaseName(versionText());
    return name;
}
