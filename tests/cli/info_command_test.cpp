// fenoris-cli info: a table's fields, records and the code page its text is read in, with how that
// was decided.
#include "cli/commands.h"
#include "common/error.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

namespace {

namespace fs = std::filesystem;

const fs::path kTables = testsupport::fixtures() / "utf8";

std::string info(const fs::path &table)
{
    std::ostringstream out, err;
    EXPECT_EQ(cli::runInfo({table.string()}, out, err), 0);
    EXPECT_EQ(err.str(), "");
    return out.str();
}

// The line of the output that starts with prefix.
std::string line(const std::string &text, const std::string &prefix)
{
    const std::size_t at = text.find("\n" + prefix);
    if (at == std::string::npos) return "";
    return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

} // namespace

TEST(InfoCommand, DescribesFieldsRecordsAndCodePage)
{
    EXPECT_EQ(info(kTables / "lesy_r.dbf"),
              "Table: lesy_r.dbf\n"
              "Records: 20\n"
              "Code page: UTF-8 (no language driver byte or .cpg file, and its text is UTF-8)\n"
              "Fields: 7\n"
              "  PLOT   C(7)\n"
              "  TREE   N(4,0)\n"
              "  SP     C(2)\n"
              "  DBH    N(19,14)\n"
              "  D2019  N(5,0)\n"
              "  D2020  N(5,0)\n"
              "  D2021  N(5,0)\n");
}

TEST(InfoCommand, TellsHowTheCodePageWasDecided)
{
    struct Case
    {
        const char *fixture;
        std::function<void(const fs::path &)> change;
        const char *records;
        const char *codePage;
    };
    const Case cases[] = {
        {"lesy_calc.dbf",
         {},
         "Records: 20",
         "Code page: UTF-8 (no language driver byte or .cpg file, and its text is UTF-8)"},
        {"lesy_1250.dbf",
         {},
         "Records: 20",
         "Code page: Windows-1250 (the default: no language driver byte or .cpg file, and its text is not "
         "UTF-8)"},
        {"lesy_ascii.dbf",
         {},
         "Records: 20",
         "Code page: Windows-1250 (the default: no language driver byte or .cpg file, and its text is plain "
         "ASCII)"},
        {"lesy_r.dbf",
         [](const fs::path &f) {
             std::string bytes = readBytes(f);
             bytes[29] = '\xC8';
             bytes[0x101] = '*'; // the first record deleted
             writeBytes(f, bytes);
         },
         "Records: 19, and 1 marked deleted",
         "Code page: Windows-1250 (named by its language driver byte 0xC8)"},
        {"lesy_1250.dbf", [](const fs::path &f) { writeBytes(f.parent_path() / "lesy_1250.cpg", "UTF-8"); },
         "Records: 20", "Code page: UTF-8 (named by its .cpg file)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fixture);
        TempDir dir;
        const fs::path copy = testsupport::copyInto(kTables / c.fixture, dir.path());
        if (c.change) c.change(copy);
        const std::string text = info(copy);
        EXPECT_EQ(line(text, "Records:"), c.records);
        EXPECT_EQ(line(text, "Code page:"), c.codePage);
    }
}

TEST(InfoCommand, RefusesAMissingTableAndWrongArguments)
{
    TempDir dir;
    std::ostringstream out, err;
    EXPECT_THROW(cli::runInfo({(dir / "none.dbf").string()}, out, err), common::FileError);
    EXPECT_EQ(cli::runInfo({}, out, err), 2);
    EXPECT_EQ(err.str(), "usage: fenoris-cli info TABLE.dbf\n");
    EXPECT_EQ(out.str(), "");
}
