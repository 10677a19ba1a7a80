// The evaluation commands through the real engine: the start-up load, sc on the
// current position, savee and loade with their default file name.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/engineprocess.h"

TEST(EvalEngine, StartupLoadScoreSaveAndLoad)
{
    std::string dir = CEngineProcess::makeTempDir();
    {
        CEngineProcess engine;
        ASSERT_TRUE(engine.start({}, dir));
        // No parameter file yet: the defaults stay.
        ASSERT_TRUE(engine.waitFor("Information: Failed to open file: vek300.3.4.eval\n"
                                   "-- Default evaluation values will be used.\n",
                                   20));
        engine.send("sc");
        ASSERT_TRUE(engine.waitFor(" Score (white) 0.000\n", 20)) << engine.output();
        EXPECT_NE(engine.consumed().find(" Game stage: Opening\n"), std::string::npos);
        engine.send("savee");
        engine.send("loade");
        ASSERT_TRUE(engine.waitFor("Evaluation values loaded successfully.\n", 20)) << engine.output();
        engine.send("quit");
        EXPECT_EQ(engine.waitExit(20), 0);
    }
    std::ifstream saved(dir + "/vek300.3.4.eval");
    std::string firstLine;
    ASSERT_TRUE(std::getline(saved, firstLine));
    EXPECT_EQ(firstLine, "#vek300.3.4");
    {
        // The next start finds the file.
        CEngineProcess engine;
        ASSERT_TRUE(engine.start({}, dir));
        ASSERT_TRUE(engine.waitFor("Evaluation values loaded successfully.\n", 20)) << engine.output();
        engine.send("quit");
        EXPECT_EQ(engine.waitExit(20), 0);
    }
}
