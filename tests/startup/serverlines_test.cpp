// The build's compiled-in service addresses reach the line table.
#include "startup/appstate.h"

#include <gtest/gtest.h>

TEST(ServerLines, comeFromTheBuild)
{
    mod_Main::fillServerLines();
    for (const QString& line : mod_Main::ServerLines) {
        EXPECT_TRUE(line.startsWith(QLatin1String("http://"))) << line.toStdString();
        EXPECT_FALSE(line.endsWith(QLatin1Char('/'))) << line.toStdString();
    }
    mod_Main::CurLine = 9;
    EXPECT_EQ(mod_Main::currentLineUrl(), mod_Main::ServerLines[0]);
    mod_Main::CurLine = 0;
}
