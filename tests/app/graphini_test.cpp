// Where Graph.ini is read and written, and its lines kept as they stand.
#include "app/graphini.h"
#include "common/error.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

TEST(GraphIni, TheUsersFileIsReadFirstAndAlwaysWritten)
{
    struct Case
    {
        const char *name;
        bool shipped; // a Graph.ini beside the program
        bool own;     // one in the user's configuration folder
        const char *readFrom;
    };
    const Case cases[] = {
        {"first run, nothing shipped", false, false, "config"},
        {"first run of a program shipped with its defaults", true, false, "program"},
        {"the user's own settings over the shipped ones", true, true, "config"},
        {"the user's own settings", false, true, "config"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir temp;
        const fs::path program = temp / "program";
        const fs::path config = temp / "config";
        fs::create_directories(program);
        if (c.shipped) writeBytes(program / "Graph.ini", "");
        if (c.own) {
            fs::create_directories(config);
            writeBytes(config / "Graph.ini", "");
        }
        const fs::path readFrom = (std::string(c.readFrom) == "program" ? program : config) / "Graph.ini";
        EXPECT_EQ(app::graphIniReadPath(program, config), readFrom);
        EXPECT_EQ(app::graphIniWritePath(config), config / "Graph.ini");
    }
}

TEST(GraphIni, TheUsersFolderFollowsXdgConfigHome)
{
    EXPECT_EQ(app::userConfigDir("/home/ana/cfg", "/home/ana"), fs::path("/home/ana/cfg/fenoris"));
    EXPECT_EQ(app::userConfigDir(nullptr, "/home/ana"), fs::path("/home/ana/.config/fenoris"));
    // A relative value is not a configuration folder by the XDG rules: it is ignored.
    EXPECT_EQ(app::userConfigDir("cfg", "/home/ana"), fs::path("/home/ana/.config/fenoris"));
    EXPECT_EQ(app::userConfigDir("", "/home/ana"), fs::path("/home/ana/.config/fenoris"));
}

TEST(GraphIni, LinesRoundTripAsTheyStand)
{
    TempDir temp;
    const fs::path file = temp / "sub" / "Graph.ini";
    EXPECT_TRUE(app::loadGraphIni(file).empty());
    const std::vector<std::string> lines = {"LCmodel0=00000000", "  odd = spaced ", "", "[Section]",
                                            "LWavg=2"};
    app::saveGraphIni(file, lines); // creates the missing directory
    EXPECT_EQ(readBytes(file), "LCmodel0=00000000\r\n  odd = spaced \r\n\r\n[Section]\r\nLWavg=2\r\n");
    EXPECT_EQ(app::loadGraphIni(file), lines);
    writeBytes(file, "a\nb\rc");
    EXPECT_EQ(app::loadGraphIni(file), (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
