#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/files.h"

// Error texts reach the GUI (book reasons at start-up); a GUI drops an engine whose output
// contains any of these phrases, taking it for a failed start.
TEST(SystemErrorText, NeverContainsPhrasesGuisTakeForAFailedStart)
{
    const char* const TRIGGERS[] = {"No such file", "not found",    "Permission denied",
                                    "can't alloc",  "unknown host", "No remote directory"};
    for (int error = 1; error < 200; ++error)
    {
        std::string text = systemErrorText(error);
        EXPECT_FALSE(text.empty()) << error;
        for (const char* trigger : TRIGGERS)
            EXPECT_EQ(text.find(trigger), std::string::npos) << error << ": " << text;
    }
    EXPECT_EQ(systemErrorText(ENOENT), "The file does not exist");
}
