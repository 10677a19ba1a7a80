#include "shell/commandline.h"

#include "base/output.h"
#include "base/text.h"
#include "base/version.h"
#include "game/gamesettings.h"
#include "search/commands.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>

namespace
{
const int64_t BYTES_PER_MEGABYTE = 1048576;

bool isOption(const std::string& arg) { return !arg.empty() && (arg[0] == '-' || arg[0] == '/'); }
}

CCommandLine::CCommandLine(const std::vector<std::string>& args) : m_args(args), m_removed(args.size(), false) {}

bool CCommandLine::takeLogOption()
{
    bool found = false;
    for (size_t i = 0; i < m_args.size(); ++i)
    {
        if (!m_removed[i] && isOption(m_args[i]) && equalsIgnoringCase(m_args[i].substr(1), "log"))
        {
            m_removed[i] = true;
            found = true;
        }
    }
    return found;
}

bool CCommandLine::applyOptions(CGameSettings& settings)
{
    bool usageDue = false;
    for (size_t i = 0; i < m_args.size(); ++i)
    {
        if (m_removed[i] || !isOption(m_args[i]))
            continue;
        const std::string& arg = m_args[i];
        std::string s = arg.substr(1);
        bool hasNext = i + 1 < m_args.size();
        int megabytes = 0;
        if (s.size() >= 4 && strncasecmp(s.c_str(), "hash", 4) == 0 &&
            std::sscanf(s.c_str() + 4, "%d", &megabytes) == 1)
        {
            setHashSizeSetting(megabytes * BYTES_PER_MEGABYTE);
        }
        else if (equalsIgnoringCase(s, "hash") && hasNext)
        {
            setHashSizeSetting(std::atoi(m_args[++i].c_str()) * BYTES_PER_MEGABYTE);
        }
        else if (equalsIgnoringCase(s, "book") && hasNext)
        {
            settings.m_primaryBookName = m_args[++i];
        }
        else if (equalsIgnoringCase(s, "td"))
        {
            settings.m_learning = true;
        }
        else if (equalsIgnoringCase(s, "name") && hasNext)
        {
            std::string name = trimmedBlanks(m_args[++i]);
            if (!name.empty())
                settings.m_winboardName = name;
        }
        else
        {
            if (s != "?" && !equalsIgnoringCase(s, "help"))
                output("Invalid parameter: %s\n", arg.c_str());
            usageDue = true;
        }
    }
    return usageDue;
}

std::string CCommandLine::usageText()
{
    const std::string& base = fileBaseName();
    return "Usage " + base +
           " [-log] [-book <book-file-name>] [-hash <size-MB>]\n"
           "            [-td] [-name new-name]\n"
           "\n"
           "  -log          If specified, writes to log file " +
           base +
           ".log\n"
           "  -book <name>  Uses opening book file <name>\n"
           "  -hash <size>  Sets hash table to <size> megabytes\n"
           "  -td           Switches on temporal difference learning\n"
           "  -name <name>  Uses \"<name>\" as name for WinBoard (protocol version 2)\n";
}
