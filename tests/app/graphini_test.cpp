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

TEST(GraphIni, LocationPrefersTheProgramDirectory)
{
    struct Case
    {
        const char *name;
        bool programDirExists; // a missing directory stands for one the user cannot write to
        bool installed;        // the installation's share/doc/fenoris lies beside the program's folder
        bool besideProgram;
        bool inConfig;
        const char *readFrom; // "program" or "config"
        const char *writeTo;
    };
    const Case cases[] = {
        {"fresh portable copy", true, false, false, false, "config", "program"},
        {"portable copy with settings", true, false, true, true, "program", "program"},
        {"user copy only, writable program directory", true, false, false, true, "config", "program"},
        {"installed system-wide", false, false, false, true, "config", "config"},
        {"installed system-wide, first run", false, false, false, false, "config", "config"},
        {"installed, run by root", true, true, false, false, "config", "config"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir temp;
        const fs::path program = temp / "program";
        const fs::path config = temp / "config";
        if (c.programDirExists) fs::create_directories(program);
        if (c.installed) fs::create_directories(temp / "share" / "doc" / "fenoris");
        if (c.besideProgram) writeBytes(program / "Graph.ini", "");
        if (c.inConfig) {
            fs::create_directories(config);
            writeBytes(config / "Graph.ini", "");
        }
        auto where = [&](const char *dir) {
            return (std::string(dir) == "program" ? program : config) / "Graph.ini";
        };
        EXPECT_EQ(app::graphIniReadPath(program, config), where(c.readFrom));
        EXPECT_EQ(app::graphIniWritePath(program, config), where(c.writeTo));
    }
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
