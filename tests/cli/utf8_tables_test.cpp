// Tables from LibreOffice Calc and R, which store UTF-8 without saying so: the Czech plot names in
// the query command and, after a statistics run, in TRANSIT.DBF as an independent reader sees it.
#include "cli/commands.h"
#include "model/dbfdump.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using testsupport::TempDir;

namespace {

namespace fs = std::filesystem;

const fs::path kTables = testsupport::fixtures() / "utf8";

fs::path copyTable(const std::string &stem, const fs::path &dir)
{
    for (const char *ext : {".yrs", ".var"})
        testsupport::copyInto(kTables / (stem + ext), dir);
    return testsupport::copyInto(kTables / (stem + ".dbf"), dir);
}

} // namespace

TEST(Utf8Tables, PlotNamesInTheQueryCommandAndInTransitAfterStatistics)
{
    for (const char *stem : {"lesy_calc", "lesy_r"}) {
        SCOPED_TRACE(stem);
        TempDir dir;
        const fs::path table = copyTable(stem, dir.path());
        std::ostringstream out, err;
        ASSERT_EQ(
            cli::runQuery({dir.path().string(), "SELECT DISTINCT PLOT FROM '" + std::string(stem) + ".dbf'"},
                          out, err),
            0);
        EXPECT_EQ(out.str(), "PLOT\nLesní\nŠumava\nŽďár\n");

        std::ostringstream statsOut, statsErr;
        ASSERT_EQ(cli::runStatistics({table.string()}, statsOut, statsErr), 0) << statsErr.str();
        // TRANSIT.DBF is marked as Windows-1250, and dbfdump shows its bytes as they are.
        const auto transit = dbfdump::read(dir / "TRANSIT.DBF");
        std::set<std::string> plots;
        for (std::size_t row = 0; row < transit.rows.size(); ++row)
            plots.insert(transit.at(row, "Id_plot"));
        EXPECT_EQ(plots, (std::set<std::string>{"Lesn\xED",
                                                "\x8A"
                                                "umava",
                                                "\x8E\xEF\xE1r"}));
        EXPECT_EQ(testsupport::readBytes(dir / "TRANSIT.DBF")[29], '\xC8');
    }
}
