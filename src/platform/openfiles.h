// Which files this process holds open.
#pragma once

#include <string>

// Whether the file the path names (symbolic links followed) is open in this process
// under any descriptor: the game record, the log, an open book, a redirected standard
// stream. Compared by device and inode, so another name for the same file (a link,
// a relative or absolute path) is recognised too. False when the path names nothing.
bool isOpenInThisProcess(const std::string& path);
