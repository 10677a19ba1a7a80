// Replacing a whole file in one step.
#pragma once

#include <string>

enum class FileWriteResult
{
    WRITTEN,
    NOT_REGULAR,  // the name is taken by a folder, device, FIFO or the like: left alone
    IN_USE,       // the file is open in this process (see platform/openfiles.h): left alone
    FAILED        // nothing could be written; the old file, if any, is unchanged
};

// Gives the file the content, all or nothing: a reader sees either the old file or the
// new one, never a part, even after a crash or a full disk.
//
// The content goes to a fresh file of an unpredictable name beside the target, created
// exclusively (never through a link planted there), made durable, and then renamed over
// the target. A symbolic link as the target is followed, so the link stays and the file
// it names gets the content; an existing target keeps its permission bits.
FileWriteResult writeWholeFile(const std::string& path, const std::string& content);
