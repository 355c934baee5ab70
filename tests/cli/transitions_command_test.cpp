// fenoris-cli transitions: the cells of the transition matrices with their counts, standard errors and
// Wilson intervals on the FIA table, the homogeneity test, and the refusals.
#include "model/fixturetable.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

using testsupport::TempDir;

namespace {

struct Output
{
    int status = 0;
    std::string out, err;
};

Output runCli(const TempDir &dir, const std::string &arguments)
{
    Output result;
    const auto errFile = dir / "stderr.txt";
    result.status = testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " transitions " + arguments +
                                                " 2>'" + errFile.string() + "'",
                                            &result.out);
    result.err = testsupport::readBytes(errFile);
    return result;
}

const std::string kHeader = "plot,species,year,to_year,from_class,to_class,n_from,n_ij,p,se,lo,hi,observed";

std::vector<std::vector<std::string>> csvLines(const std::string &text, const std::string &header)
{
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, header);
    std::vector<std::vector<std::string>> lines;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream cellStream(line + ",");
        std::string cell;
        while (std::getline(cellStream, cell, ','))
            cells.push_back(cell);
        lines.push_back(cells);
    }
    return lines;
}

std::string fiaTable()
{
    return "'" + std::string(FENORIS_FIXTURES) + "/fia_ri/FIA_RI.DBF'";
}

} // namespace

TEST(TransitionsCommand, FiaCellsMatchAnIndependentComputationFromTheTable)
{
    // Computed apart from the program: python3 read D2004 and D2009 of the 7 QR trees of C007P113
    // with `fenoris-cli query`, classed them as round(value / 20) (ties to even), counted the pairs and
    // took z = statistics.NormalDist().inv_cdf(0.975) and the Wilson formulas with math.sqrt. All 7
    // trees (15 % or 20 %) are class 1 in both years; the other rows are assumed.
    struct Expected
    {
        int n, nij;
        double p;
        std::optional<double> se;
        double lo, hi;
    };
    const auto expected = [](int i, int j) -> Expected {
        if (i != 1) return {0, 0, i == j ? 1.0 : 0.0, std::nullopt, 0, 1};
        if (j == 1) return {7, 7, 1, 0, 0.6456695649333126, 1};
        return {7, 0, 0, 0, 0, 0.3543304350666873};
    };
    TempDir dir;
    const auto result = runCli(dir, fiaTable() + " --plot C007P113 --species QR --interval 5");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto lines = csvLines(result.out, kHeader);
    ASSERT_EQ(lines.size(), 36u);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const auto &cells = lines[k];
        ASSERT_EQ(cells.size(), 13u) << k;
        const int i = static_cast<int>(k / 6), j = static_cast<int>(k % 6);
        SCOPED_TRACE("cell " + cells[4] + cells[5]);
        EXPECT_EQ(cells[0] + "," + cells[1] + "," + cells[2] + "," + cells[3], "C007P113,QR,2004,2009");
        EXPECT_EQ(cells[4], std::to_string(i));
        EXPECT_EQ(cells[5], std::to_string(j));
        const Expected e = expected(i, j);
        EXPECT_EQ(std::stoi(cells[6]), e.n);
        EXPECT_EQ(std::stoi(cells[7]), e.nij);
        EXPECT_NEAR(std::stod(cells[8]), e.p, 1e-9);
        if (e.se) {
            EXPECT_NEAR(std::stod(cells[9]), *e.se, 1e-9);
        } else {
            EXPECT_EQ(cells[9], "");
        }
        EXPECT_NEAR(std::stod(cells[10]), e.lo, 1e-9);
        EXPECT_NEAR(std::stod(cells[11]), e.hi, 1e-9);
        EXPECT_EQ(cells[12], e.n > 0 ? "1" : "0");
    }
}

TEST(TransitionsCommand, LevelWidensTheIntervalsAndIsRefusedOutsideZeroToOne)
{
    TempDir dir;
    // R: prop.test(0, 7, correct = FALSE, conf.level = 0.99)$conf.int[2].
    const auto wide = runCli(dir, fiaTable() + " --plot C007P113 --species QR --interval 5 --level 0.99");
    ASSERT_EQ(wide.status, 0) << wide.err;
    const auto lines = csvLines(wide.out, kHeader);
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_NEAR(std::stod(lines[6][11]), 0.48661143499425413, 1e-9);

    for (const char *level : {"0", "1", "95", "x"}) {
        const auto refused = runCli(dir, fiaTable() + " --plot C007P113 --species QR --level " + level);
        EXPECT_EQ(refused.status, 1) << level;
        EXPECT_NE(refused.err.find("--level"), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "") << level;
    }
    EXPECT_EQ(runCli(dir, fiaTable() + " --species QR").status, 2);
}

TEST(TransitionsCommand, NoMatrixIsRefusedWithItsReason)
{
    // C007P113 has 3 BA trees (a transition matrix needs 5); its QR trees have no two survey years 50
    // years apart; at the interval 1 no QR tree is valued in two years one apart.
    TempDir dir;
    const struct
    {
        const char *args, *reason;
    } cases[] = {
        {" --plot C007P113 --species BA --interval 5",
         "No transition matrix: plot C007P113, species BA has 3 trees; the matrices need at least 5\n"},
        {" --plot C007P113 --species QR --interval 50",
         "No transition matrix: no two survey years lie 50 years apart\n"},
        {" --plot C007P113 --species QR",
         "No transition matrix: no tree of plot C007P113, species QR has a class in both years of a pair "
         "of survey years 1 year apart\n"},
    };
    for (const auto &c : cases) {
        const auto result = runCli(dir, fiaTable() + c.args);
        EXPECT_EQ(result.status, 1) << c.args;
        EXPECT_EQ(result.out, "") << c.args;
        EXPECT_EQ(result.err, c.reason) << c.args;
    }
    // A level next to 1 has its quantile (z = 8.29): the intervals are computed, not refused by the
    // distribution library.
    const auto near =
        runCli(dir, fiaTable() + " --plot C007P113 --species QR --interval 5 --level 0.9999999999999999");
    EXPECT_EQ(near.status, 0) << near.err;
    EXPECT_EQ(near.err, "");
}

TEST(TransitionsCommand, HomogeneityOfTwoPeriods)
{
    // Per cent values 0 and 20 (classes 0 and 1), each tree valued in one pair of years only.
    // 2000 -> 2001: class 0 to 0/1: 8/4, class 1: 2/6; 2001 -> 2002: class 0: 3/9, class 1: 5/5.
    // Expected from R 4: the sum of chisq.test(correct = FALSE) of rbind(c(8, 4), c(3, 9)) and
    // rbind(c(2, 6), c(5, 5)), pchisq(., 2, lower.tail = FALSE); 3 of the 8 expected counts are below 5.
    std::vector<fixture::Tree> trees;
    const auto add = [&](int count, std::optional<int> a, std::optional<int> b, std::optional<int> c) {
        for (int k = 0; k < count; ++k)
            trees.push_back({"P1", "SM", {a, b, c}});
    };
    add(8, 0, 0, std::nullopt);
    add(4, 0, 20, std::nullopt);
    add(2, 20, 0, std::nullopt);
    add(6, 20, 20, std::nullopt);
    add(3, std::nullopt, 0, 0);
    add(9, std::nullopt, 0, 20);
    add(5, std::nullopt, 20, 0);
    add(5, std::nullopt, 20, 20);
    TempDir dir;
    const auto table = fixture::writeTable(dir.path(), "trees.dbf",
                                           {{"D2000", 2000}, {"D2001", 2001}, {"D2002", 2002}}, trees);
    const auto result = runCli(dir, "'" + table.string() + "' --plot P1 --species SM --homogeneity");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "Small counts: 3 of 8 expected counts are below 5; the p-value is rough, exact_p "
                          "is the better one\n");
    const auto lines = csvLines(result.out, "chi2,df,p,small_counts,exact_p");
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 5u);
    EXPECT_NEAR(std::stod(lines[0][0]), 5.3646353646353644, 1e-9);
    EXPECT_EQ(lines[0][1], "2");
    EXPECT_NEAR(std::stod(lines[0][2]), 0.068404430550745327, 1e-9);
    EXPECT_EQ(lines[0][3], "1");
    // The exact p of the same statistic: of the order of the chi-square one (the model's tests check it
    // against a count of every arrangement).
    EXPECT_GT(std::stod(lines[0][4]), 0.02);
    EXPECT_LT(std::stod(lines[0][4]), 0.2);

    // Without the second period there is nothing to compare: refused, nothing printed.
    const auto one = runCli(dir, fiaTable() + " --plot C007P113 --species QR --interval 5 --homogeneity");
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.out, "");
    EXPECT_EQ(one.err,
              "The homogeneity test needs two transition matrices or more; plot C007P113, species QR "
              "has 1 at an interval of 5 years\n");
}

TEST(TransitionsCommand, HomogeneityWithoutDegreesOfFreedomHasNoPValue)
{
    // SCBI plot B0206, LT: from 2015 to 2019 the only valued trees are the dead ones (4 periods with
    // 1, 6, 7 and 8 trees in class 5), which stay dead: nothing can differ. The small count (1) is
    // flagged, but with no p-value there is nothing to warn of.
    TempDir dir;
    const auto result = runCli(dir, "'" + std::string(FENORIS_FIXTURES) +
                                        "/scbi/SCBI_CROWN.DBF' --plot B0206 --species LT --homogeneity");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "No p-value: 0 degrees of freedom (no class of the first year has trees in two "
                          "periods and in two classes of the second year)\n");
    EXPECT_EQ(result.out, "chi2,df,p,small_counts,exact_p\n0,0,,1,\n");
}

TEST(TransitionsCommand, ExactPOfARoughTestOnOneTree)
{
    // SCBI B0404, CG at an interval of 2 years: the chi-square p (0.0117) says the periods differ on
    // the strength of one tree; given the margins, about 0.18 of the arrangements reach its chi2.
    TempDir dir;
    const auto result =
        runCli(dir, "'" + std::string(FENORIS_FIXTURES) +
                        "/scbi/SCBI_CROWN.DBF' --plot B0404 --species CG --interval 2 --homogeneity");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = csvLines(result.out, "chi2,df,p,small_counts,exact_p");
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 5u);
    EXPECT_NEAR(std::stod(lines[0][2]), 0.0117258755784214, 1e-12);
    EXPECT_EQ(lines[0][3], "1");
    EXPECT_NEAR(std::stod(lines[0][4]), 0.18, 0.02);
}

TEST(TransitionsCommand, HomogeneityOfTheExampleTableAgreesWithR)
{
    // The example table's plot P00000, species BO: 50 trees, 9 periods of one year. Expected from R 4
    // apart from the program: foreign::read.dbf, classes round(v / 20) kept within 0 to 5, one table
    // of periods x destinations per first-year class, the sum of their chisq.test(correct = FALSE)
    // statistics and degrees of freedom, pchisq(chi2, df, lower.tail = FALSE); 104 of the 131 expected
    // counts are below 5.
    TempDir dir;
    const std::string table = "'" + std::string(FENORIS_EXAMPLES) + "/EXAMPLE.DBF'";
    const auto result = runCli(dir, table + " --plot P00000 --species BO --homogeneity");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "Small counts: 104 of 131 expected counts are below 5; the p-value is rough, "
                          "exact_p is the better one\n");
    const auto lines = csvLines(result.out, "chi2,df,p,small_counts,exact_p");
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 5u);
    EXPECT_NEAR(std::stod(lines[0][0]), 86.31005487816293, 1e-9);
    EXPECT_EQ(lines[0][1], "73");
    EXPECT_NEAR(std::stod(lines[0][2]), 0.136682903128406, 1e-9);
    EXPECT_EQ(lines[0][3], "1");
}
