// fenoris-cli report: summary.csv against figures worked out by hand, links and pictures of the pages
// that exist, names escaped, and the folder written whole (kept, replaced, leftovers cleared).
#include "common/writerlock.h"
#include "model/fixturetable.h"
#include "model/reportpages.h"
#include "support/picturereaders.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

struct Output
{
    int status = 0;
    std::string out, err;
};

// shellBefore: shell commands run before it in the same shell ("umask 077; ").
Output runReport(const TempDir &dir, const std::string &arguments, const std::string &shellBefore = "")
{
    Output result;
    const auto errFile = dir / "stderr.txt";
    result.status = testsupport::runCommand(
        shellBefore + "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
            std::string(FENORIS_CLI_PATH) + " report " + arguments + " 2>'" + errFile.string() + "'",
        &result.out);
    result.err = testsupport::readBytes(errFile);
    return result;
}

// Five survey years. Plot "A&<1>" (a name HTML must escape): 10 SM trees, 5 dying in the last year;
// "B/2" 7 SM trees at 10 % every year and 3 BK trees (too few); "B_2", whose file name "B/2" would
// take, 6 SM trees observed in two years only.
fs::path writeTrees(const TempDir &dir)
{
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 5, "A&<1>", "SM", {10, 20, 30, 40, 100});
    fixture::addTrees(trees, 3, "A&<1>", "SM", {20, 20, 30, 50, 60});
    fixture::addTrees(trees, 2, "A&<1>", "SM", {20, 20, 30, 50, 20});
    fixture::addTrees(trees, 7, "B/2", "SM", {10, 10, 10, 10, 10});
    fixture::addTrees(trees, 3, "B/2", "BK", {10, 20, 30, 40, 50});
    fixture::addTrees(trees, 3, "B_2", "SM", {30, 40, std::nullopt, std::nullopt, std::nullopt});
    fixture::addTrees(trees, 3, "B_2", "SM", {50, 40, std::nullopt, std::nullopt, std::nullopt});
    return fixture::writeTable(
        dir.path(), "trees.dbf",
        {{"D2000", 2000}, {"D2001", 2001}, {"D2002", 2002}, {"D2003", 2003}, {"D2004", 2004}}, trees);
}

// Figures worked out by hand (and checked with python3):
// A&<1>: yearly means 15, 20, 30, 45, 44 (2004: living 60, 60, 60, 20, 20); 3 of the 5 living over
//   25 % = 60 %; 5 of 10 dead = 50 %. S = 4 + 3 + 2 - 1 = 8, Var S = 5*4*15/18 = 300/18,
//   Z = 7/sqrt(300/18) = 1.714643, p = erfc(Z/sqrt 2) = 0.0864107. Pair slopes -1, 5, 7, 7.25, 7.5,
//   8, 10, 10, 12.5, 15: Sen's slope (7.5 + 8)/2 = 7.75.
// Homogeneity (classes 0 0 1 2 2 5 / 1 1 2 2 3 / 1 1 2 2 1, ties to the even class): class 1 is seen
//   in 2000-01 (5 trees, all to 1) and 2001-02 (10, all to 2): pooled 1/3, 2/3, chi2 = 10 + 5 = 15,
//   df 1. Class 2 in 2002-03 (10, all to 2) and 2003-04 (2 to 1, 3 to 3, 5 to 5): pooled .1 .5 .15
//   .25, chi2 = 10 + 10 = 20, df 3. Class 0 is seen in one period only. chi2 = 35 on 4 df:
//   p = exp(-17.5) * (1 + 17.5) = 4.64535e-07.
// B/2 SM: 10 % throughout: S = 0, every mean tied so no p, Sen's slope 0; every tree stays in class
//   0, so the test has no degree of freedom and no p.
// B_2 SM: two years with statistics (means (3*30 + 3*50)/6 = 40 and 40), too few for a trend; one
//   matrix, nothing to compare.
// The species name holds a quote and a comma, so the CSV quotes it.
const char *kSummary =
    "plot,species,species_name,trees,first_year,last_year,mean_first,mean_last,share_over_25,dead_last,"
    "mk_s,mk_p,sen_slope,homogeneity_p,living_first,living_last,trend_years,sen_lo,sen_hi,homogeneity_chi2,"
    "homogeneity_df,homogeneity_exact_p\n"
    "A&<1>,SM,\"Picea \"\"abies\"\" <x>, & co\",10,2000,2004,15.000,44.000,60.000,50.000,8,0.0864107,"
    "7.7500,4.64535e-07,10,5,5,-1.0000,15.0000,35,4,0.0001\n"
    "B/2,SM,\"Picea \"\"abies\"\" <x>, & co\",7,2000,2004,10.000,10.000,0.000,0.000,0,,0.0000,,7,7,5,,,0,0,\n"
    "B_2,SM,\"Picea \"\"abies\"\" <x>, & co\",6,2000,2001,40.000,40.000,100.000,0.000,,,,,6,6,2,,,,,\n";

std::string percentDecoded(const std::string &text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The addresses of an attribute (href or src) in a page, as the browser reads them.
std::vector<std::string> addresses(const std::string &html, const std::string &attribute)
{
    std::vector<std::string> found;
    const std::regex pattern(attribute + "=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), pattern); it != std::sregex_iterator();
         ++it) {
        std::string address = (*it)[1];
        // Only &amp; can stand in an escaped address here.
        for (std::size_t at; (at = address.find("&amp;")) != std::string::npos;)
            address.replace(at, 5, "&");
        found.push_back(percentDecoded(address));
    }
    return found;
}

std::string reportArgs(const TempDir &dir, const fs::path &table)
{
    return "'" + table.string() + "' --out '" + (dir / "out" / "report").string() +
           "' --min-trees 6 --species-names '" + (dir / "names.txt").string() + "'";
}

// Every file and folder under dir, relative to it, with the bytes of each file.
std::vector<std::string> treeOf(const fs::path &dir)
{
    std::vector<std::string> found;
    for (const auto &entry : fs::recursive_directory_iterator(dir))
        found.push_back(fs::relative(entry.path(), dir).string() +
                        (entry.is_regular_file() ? "=" + testsupport::readBytes(entry.path()) : "/"));
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

TEST(ReportCommand, WritesTheFiguresAndPagesThatLinkUp)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    testsupport::writeBytes(dir / "names.txt", "SM;Picea \"abies\" <x>, & co\r\n");
    const auto result = runReport(dir, reportArgs(dir, table));
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path report = dir / "out" / "report";
    EXPECT_EQ(testsupport::readBytes(report / "summary.csv"), kSummary);
    // R's read.csv reads it as meant: the header's names, the quoted name whole, numbers as numbers
    // and an empty field as NA.
    std::string read;
    ASSERT_EQ(testsupport::runCommand(
                  "Rscript -e " +
                      testsupport::shellQuote(
                          "x <- read.csv('" + (report / "summary.csv").string() +
                          "', stringsAsFactors = FALSE); cat(names(x), sep = ','); cat('\\n'); "
                          "cat(x$species_name[1], x$trees, x$mean_first, x$mk_s, x$homogeneity_p[1], "
                          "is.na(x$mk_p), class(x$sen_slope), sep = '|')") +
                      " 2>&1",
                  &read),
              0)
        << read;
    EXPECT_EQ(read,
              std::string(model::kSummaryHeader) +
                  "\nPicea \"abies\" <x>, & co|10|7|6|15|10|40|8|0|NA|4.64535e-07|FALSE|TRUE|TRUE|numeric");
    EXPECT_EQ(testsupport::namesIn(report / "plots"),
              (std::vector<std::string>{"A&<1>.html", "A&<1>_SM.svg", "B_2.html", "B_2_SM.svg",
                                        "B_2_SM~2.svg", "B_2~2.html"}));

    // Every link of the index and every picture of a page is a file of the report.
    const std::string index = testsupport::readBytes(report / "index.html");
    const auto links = addresses(index, "href");
    EXPECT_EQ(links, (std::vector<std::string>{"plots/A&<1>.html", "plots/B_2.html", "plots/B_2~2.html"}));
    for (const auto &link : links) {
        ASSERT_TRUE(fs::is_regular_file(report / link)) << link;
        const std::string page = testsupport::readBytes(report / link);
        const auto pictures = addresses(page, "src");
        ASSERT_EQ(pictures.size(), 1u) << link;
        EXPECT_TRUE(fs::is_regular_file(report / "plots" / pictures[0])) << pictures[0];
        EXPECT_EQ(addresses(page, "href"), std::vector<std::string>{"../index.html"});
    }
    const std::string svg = (report / "plots" / "A&<1>_SM.svg").string();
    EXPECT_NE(testsupport::readerOutput("xmllint --xpath '//*[local-name()=\"text\"]' " +
                                        testsupport::shellQuote(svg))
                  .find("Plot A&amp;&lt;1&gt; - species Picea \"abies\" &lt;x&gt;, &amp; co"),
              std::string::npos);

    // Names escaped wherever they are shown; the facts of what was read.
    EXPECT_NE(index.find(">A&amp;&lt;1&gt;</a>"), std::string::npos);
    EXPECT_NE(index.find("Picea &quot;abies&quot; &lt;x&gt;, &amp; co"), std::string::npos);
    EXPECT_EQ(index.find("<x>"), std::string::npos);
    EXPECT_EQ(index.find("A&<"), std::string::npos);
    for (const char *fact :
         {"<th>Trees</th><td>26</td>", "<th>Plots</th><td>3</td>", "<th>Species</th><td>2</td>",
          "<th>Survey years</th><td>5 (2000, 2001, 2002, 2003, 2004)</td>"})
        EXPECT_NE(index.find(fact), std::string::npos) << fact;
    const std::string page = testsupport::readBytes(report / "plots" / "A&<1>.html");
    EXPECT_NE(page.find("<h1>Plot A&amp;&lt;1&gt;</h1>"), std::string::npos);
    EXPECT_NE(page.find("Over 5 years with living trees: Mann–Kendall S = 8, p = 0.08641; Sen&#39;s slope "
                        "7.75 % per year (-1.00 to 15.00)."),
              std::string::npos);

    // Every matrix with the trees of each row and the Wilson intervals (95 %) of its shares: 2003-04,
    // class 2, has 2 of 10 trees to class 1 (0.057-0.510), 3 to class 3 (0.108-0.603) and 5 dead
    // (0.237-0.763), the textbook intervals of 2, 3 and 5 in 10.
    std::size_t matrices = 0;
    for (std::size_t at = 0; (at = page.find("<table class=\"matrix\">", at)) != std::string::npos; ++at)
        ++matrices;
    EXPECT_EQ(matrices, 4u);
    for (const char *text :
         {"<caption>2003–2004, 10 trees</caption>",
          "<tr><th>2</th><td class=\"n\">n = 10</td><td class=\"n\">0.000 (0.000–0.278)</td>"
          "<td class=\"n\">0.200 (0.057–0.510)</td><td class=\"n\">0.000 (0.000–0.278)</td>"
          "<td class=\"n\">0.300 (0.108–0.603)</td><td class=\"n\">0.000 (0.000–0.278)</td>"
          "<td class=\"n\">0.500 (0.237–0.763)</td></tr>",
          "<tr><th>4</th><td class=\"n\">n = 0 (assumed)</td>",
          "Periods differ: χ² = 35.0, df = 4, p = 4.6E-7; small counts, p is rough; exact p = 0.0001."})
        EXPECT_NE(page.find(text), std::string::npos) << text;
    const std::string other = testsupport::readBytes(report / "plots" / "B_2~2.html");
    EXPECT_NE(other.find("One period only: nothing to compare."), std::string::npos);
}

// A plot or species whose file name would be longer than a file name may be does not stop the
// report: its page or picture is passed over with a warning naming plot and species, its figures stay
// in summary.csv, and the index shows the plot without a link.
TEST(ReportCommand, PassesOverNamesTooLongForAFile)
{
    TempDir dir;
    const std::string longPlot(250, 'P'), longSpecies(250, 'S');
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 6, longPlot, "SM", {10, 20, 30});
    fixture::addTrees(trees, 6, "C", longSpecies, {10, 20, 30});
    fixture::addTrees(trees, 6, "C", "SM", {10, 20, 30});
    fixture::RoleColumns wide;
    wide.plotWidth = wide.speciesWidth = 250;
    const auto table = fixture::writeTable(dir.path(), "trees.dbf",
                                           {{"D2000", 2000}, {"D2001", 2001}, {"D2002", 2002}}, trees, wide);
    const auto result = runReport(dir, "'" + table.string() + "' --out '" + (dir / "r").string() +
                                           "' --min-trees 6 --jobs 2");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("The plot page's file name would be longer than a file name may be; it was "
                              "passed over (plot " +
                              longPlot + ", species SM)"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("The model picture's file name would be longer than a file name may be; it "
                              "was passed over (plot C, species " +
                              longSpecies + ")"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(testsupport::namesIn(dir / "r" / "plots"), (std::vector<std::string>{"C.html", "C_SM.svg"}));
    const std::string summary = testsupport::readBytes(dir / "r" / "summary.csv");
    for (const std::string &pair :
         {std::string("C,SM,SM,6,"), "C," + longSpecies + "," + longSpecies + ",6,", longPlot + ",SM,SM,6,"})
        EXPECT_NE(summary.find("\n" + pair), std::string::npos) << pair;
    const std::string index = testsupport::readBytes(dir / "r" / "index.html");
    EXPECT_NE(
        index.find("<tr><td>" + longPlot + " <small>(no page: the name is too long for a file)</small>"),
        std::string::npos);
    EXPECT_EQ(addresses(index, "href"), (std::vector<std::string>{"plots/C.html", "plots/C.html"}));
    const std::string page = testsupport::readBytes(dir / "r" / "plots" / "C.html");
    EXPECT_NE(page.find("No model picture: its file name would be too long."), std::string::npos);
}

// The mean defoliation of the first and last year is the one the statistics run writes into
// AVERAGE.DBF.
TEST(ReportCommand, MeansAgreeWithAverageTable)
{
    TempDir dir;
    const fs::path table =
        testsupport::copyInto(testsupport::realData() / "scbi" / "SCBI_CROWN.DBF", dir.path());
    for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
        testsupport::copyInto(testsupport::realData() / "scbi" / side, dir.path());
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " statistics '" + table.string() +
                                      "' 2>/dev/null"),
              0);
    std::string averages;
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " query '" + dir.path().string() +
                                          "' \"SELECT Id_plot, Id_species, Id_year, Def_avg FROM AVERAGE\"",
                                      &averages),
              0);
    const auto result =
        runReport(dir, "'" + table.string() + "' --out '" + (dir / "r").string() + "' --min-trees 6");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string summary = testsupport::readBytes(dir / "r" / "summary.csv");
    std::istringstream lines(summary);
    std::string line;
    std::getline(lines, line);
    int checked = 0, deadYears = 0;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');)
            f.push_back(field);
        ASSERT_GE(f.size(), 8u) << line;
        // A pair whose trees give no year with statistics has no AVERAGE.DBF row either.
        if (f[4].empty()) continue;
        ASSERT_GE(f.size(), 16u) << line;
        for (const auto &[year, mean, living] :
             {std::tuple{f[4], f[6], f[14]}, std::tuple{f[5], f[7], f[15]}}) {
            const std::string row = f[0] + "," + f[1] + "," + year + ",";
            const auto at = averages.find("\n" + row);
            ASSERT_NE(at, std::string::npos) << row;
            const std::string stored =
                averages.substr(at + 1 + row.size(), averages.find('\n', at + 1) - at - 1 - row.size());
            // A year whose trees are all dead: AVERAGE.DBF keeps 0, the report has no mean.
            if (living == "0") {
                EXPECT_EQ(mean, "") << row;
                EXPECT_DOUBLE_EQ(std::stod(stored), 0) << row;
                ++deadYears;
            } else {
                EXPECT_DOUBLE_EQ(std::stod(stored), std::stod(mean)) << row;
            }
            ++checked;
        }
    }
    // Every pair of the statistics run (more than 5 trees) is in the report, so each of its years is met.
    EXPECT_GT(checked, 300);
    EXPECT_GT(deadYears, 0);
}

// A refused value ends the report with exit status 1, as in every command, and writes nothing.
TEST(ReportCommand, RefusedValuesExitWithOne)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    for (const char *option : {" --level 0", " --level 1", " --min-trees x", " --interval 0"}) {
        const auto result = runReport(dir, reportArgs(dir, table) + option);
        EXPECT_EQ(result.status, 1) << option << result.err;
        EXPECT_FALSE(fs::exists(dir / "out" / "report")) << option;
    }
}

// The report is put in place whole, and only over a report of this program. A folder that holds
// anything else (a file of the user's, the table, the home folder) is refused, with --overwrite too,
// and left as it was; a report is kept unless --overwrite, then replaced; "DIR/" is the folder DIR;
// a temporary folder that a killed run left beside it is removed by the next run.
TEST(ReportCommand, ReplacesOnlyAReportOfItsOwnAndOnlyWhenAsked)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    testsupport::writeBytes(dir / "names.txt", "SM;Picea\r\n");
    const fs::path report = dir / "out" / "report";
    fs::create_directories(report);
    testsupport::writeBytes(report / "mine.txt", "kept");
    fs::create_directories(dir / "out" / ".~report-Ab12Cd" / "plots");
    const std::string options =
        " --min-trees 6 --species-names '" + (dir / "names.txt").string() + "' --overwrite";

    struct Refused
    {
        std::string shellBefore, out, why;
    };
    const Refused cases[] = {
        {"", "'" + report.string() + "'",
         report.string() + ": it holds mine.txt, which a report does not write"},
        {"", "'" + dir.path().string() + "/'",
         dir.path().string() + ": it holds the table " + table.string()},
        {"", "'" + (dir / "out").string() + "/..'", "give it a name"},
        {"export HOME=" + testsupport::shellQuote((dir / "out").string()) + "; ", "~",
         (dir / "out").string() + ": it is your home folder"},
    };
    const auto before = treeOf(dir.path());
    for (const auto &c : cases) {
        const auto result =
            runReport(dir, "'" + table.string() + "' --out " + c.out + options, c.shellBefore);
        EXPECT_EQ(result.status, 1) << c.out;
        EXPECT_NE(result.err.find(c.why), std::string::npos) << result.err;
        fs::remove(dir / "stderr.txt");
        EXPECT_EQ(treeOf(dir.path()), before) << c.out;
    }

    // Without its file the folder is empty: kept without --overwrite, replaced with it.
    fs::remove(report / "mine.txt");
    auto result = runReport(dir, reportArgs(dir, table));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("exists; --overwrite replaces it"), std::string::npos) << result.err;
    const std::string withSlash = "'" + table.string() + "' --out '" + report.string() + "/'" + options;
    for (int run = 0; run < 2; ++run) {
        result = runReport(dir, withSlash);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(testsupport::namesIn(dir / "out"), std::vector<std::string>{"report"});
        EXPECT_EQ(testsupport::namesIn(report),
                  (std::vector<std::string>{".fenoris-report", "index.html", "plots", "summary.csv"}));
    }
    EXPECT_NE(result.out.find("3 plots and species of 3 plots"), std::string::npos) << result.out;
    EXPECT_EQ(testsupport::readBytes(report / ".fenoris-report").rfind("Fenoris survey report\nversion ", 0),
              0u);

    // While another process writes the same report, a second run is refused and changes nothing.
    {
        const common::WriterLock other((dir / "out" / ".~report.lock").string());
        ASSERT_TRUE(other.held());
        result = runReport(dir, reportArgs(dir, table) + " --overwrite");
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("Another process (" + std::to_string(::getpid()) + ") is writing"),
                  std::string::npos)
            << result.err;
    }
    EXPECT_EQ(testsupport::namesIn(dir / "out"), std::vector<std::string>{"report"});
}

// In a real browser: every row is shown in plot order, a click on a heading sorts by the column
// (numbers by value, empty figures last either way, a second click the other way), and the filter
// box leaves the rows with its text.
TEST(ReportCommand, SortsAndFiltersInABrowser)
{
    if (testsupport::runCommand("test -x /usr/bin/chromium && test -x /usr/bin/chromedriver && "
                                "/usr/bin/python3 -c 'import selenium' 2>/dev/null") != 0)
        FENORIS_SKIP_ON_PURPOSE("headless Chromium, chromedriver or python3-selenium is not installed");
    TempDir dir;
    const auto table = writeTrees(dir);
    testsupport::writeBytes(dir / "names.txt", "SM;Picea\r\n");
    ASSERT_EQ(runReport(dir, reportArgs(dir, table)).status, 0);
    const fs::path script = fs::path(FENORIS_FIXTURES).parent_path() / "cli" / "report_browser.py";
    std::string seen;
    ASSERT_EQ(testsupport::runCommand(
                  "/usr/bin/python3 " + testsupport::shellQuote(script.string()) + " " +
                      testsupport::shellQuote((dir / "out" / "report" / "index.html").string()) +
                      " B_ 'Mean last' 'Mean last' \"Sen's slope\" \"Sen's slope\"",
                  &seen),
              0)
        << seen;
    // Mean last: A&<1> 44, B/2 10, B_2 40. Sen's slope: A&<1> 7.75, B/2 0, B_2 none.
    EXPECT_EQ(seen, "rows 3\n"
                    "start A&<1>|B/2|B_2\n"
                    "Mean last B/2|B_2|A&<1>\n"
                    "Mean last A&<1>|B_2|B/2\n"
                    "Sen's slope B/2|A&<1>|B_2\n"
                    "Sen's slope A&<1>|B/2|B_2\n"
                    "filtered 1\n");
}

// Plots written by worker processes are the plots written one after the other in the command's own
// process: every picture, page and figure of the report is the same.
TEST(ReportCommand, WorkerProcessesDrawTheSamePictures)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    testsupport::writeBytes(dir / "names.txt", "SM;Picea\r\n");
    const std::string args = "'" + table.string() + "' --min-trees 6 --species-names '" +
                             (dir / "names.txt").string() + "' --out ";
    ASSERT_EQ(runReport(dir, args + "'" + (dir / "one").string() + "' --jobs 1").status, 0);
    const auto result = runReport(dir, args + "'" + (dir / "three").string() + "' --jobs 3");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto pictures = testsupport::namesIn(dir / "one" / "plots");
    ASSERT_EQ(pictures.size(), 6u);
    EXPECT_EQ(testsupport::namesIn(dir / "three" / "plots"), pictures);
    for (const auto &name : pictures)
        EXPECT_EQ(testsupport::readBytes(dir / "three" / "plots" / name),
                  testsupport::readBytes(dir / "one" / "plots" / name))
            << name;
    EXPECT_EQ(testsupport::readBytes(dir / "three" / "summary.csv"),
              testsupport::readBytes(dir / "one" / "summary.csv"));
    // The index too, but for the minute it was made.
    const auto undated = [](const fs::path &file) {
        return std::regex_replace(testsupport::readBytes(file), std::regex("<th>Made</th><td>[^<]*"), "");
    };
    EXPECT_EQ(undated(dir / "three" / "index.html"), undated(dir / "one" / "index.html"));
}

// --graph-ini gives the pictures their line settings, in the worker processes too, and switches the
// band on as for `models`; a chart settings file that is not one stops the command before it starts.
TEST(ReportCommand, PicturesTakeTheLineSettingsOfGraphIni)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    testsupport::writeBytes(dir / "Graph.ini", "LCmodel0=00FF0000\r\nBandOn=1\r\n");
    testsupport::writeBytes(dir / "bad.gsf", "not a chart");
    const std::string args = "'" + table.string() + "' --min-trees 6 --graph-ini '" +
                             (dir / "Graph.ini").string() + "' --jobs 2 --out ";
    const auto result = runReport(dir, args + "'" + (dir / "r").string() + "'");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto pictures = testsupport::namesIn(dir / "r" / "plots");
    int svg = 0;
    for (const auto &name : pictures) {
        if (!name.ends_with(".svg")) continue;
        ++svg;
        const std::string picture = testsupport::readBytes(dir / "r" / "plots" / name);
        EXPECT_NE(picture.find("#00ff00"), std::string::npos) << name;
        EXPECT_NE(picture.find("fill-opacity=\"0.25"), std::string::npos) << name;
    }
    EXPECT_GT(svg, 0);

    const auto refused = runReport(dir, args + "'" + (dir / "s").string() + "' --settings '" +
                                            (dir / "bad.gsf").string() + "'");
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("bad.gsf"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "s"));
}

// On a terminal the plots are shown as they are listed, then as the worker processes write them, and
// the line is cleared at the end.
TEST(ReportCommand, ShowsThePlotsWrittenOnATerminal)
{
    if (testsupport::runCommand("command -v script >/dev/null") != 0)
        FENORIS_SKIP_ON_PURPOSE("script (util-linux) is not installed to give the command a terminal");
    TempDir dir;
    const auto table = writeTrees(dir);
    testsupport::writeBytes(dir / "names.txt", "SM;Picea\r\n");
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                std::string(FENORIS_CLI_PATH) + " report " + reportArgs(dir, table) +
                                " --jobs 2 >/dev/null";
    std::string seen;
    ASSERT_EQ(
        testsupport::runCommand("script -qec " + testsupport::shellQuote(command) + " /dev/null", &seen), 0)
        << seen;
    const auto listing = seen.find("listing plot 1 of 3: A&<1>");
    EXPECT_NE(listing, std::string::npos) << seen;
    const auto writing = seen.find("\rplot 1 of 3");
    EXPECT_NE(writing, std::string::npos) << seen;
    EXPECT_GT(writing, listing);
    // The last thing written is the cleared line.
    EXPECT_EQ(seen.substr(seen.rfind('\r') - 1), " \r") << seen;
}

// Ctrl+C while the workers write the plots ends them and the command, and leaves neither a report nor
// its temporary folder.
TEST(ReportCommand, InterruptedWorkersLeaveNothing)
{
    TempDir dir;
    const std::string cli = testsupport::shellQuote(FENORIS_CLI_PATH);
    const std::string script =
        "cd " + testsupport::shellQuote(dir.path().string()) + " && " + cli +
        " generate T.dbf --trees 40000 --plots 1000 --years 10 >/dev/null && "
        "{ env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
        cli +
        " report \"$PWD/T.dbf\" --out \"$PWD/r\" --jobs 2 >/dev/null 2>err.txt & pid=$!; "
        // Interrupted once a worker has written a page: the plots are being written.
        "until ls .~r-*/plots/*.html >/dev/null 2>&1; do sleep 0.02; done; "
        "kill -INT $pid; wait $pid; echo $?; }";
    std::string output;
    ASSERT_EQ(testsupport::runCommand("bash -c " + testsupport::shellQuote(script), &output), 0);
    EXPECT_EQ(output, "130\n") << testsupport::readBytes(dir / "err.txt");
    const std::string err = testsupport::readBytes(dir / "err.txt");
    EXPECT_NE(err.find("Report interrupted at plot "), std::string::npos) << err;
    EXPECT_NE(err.find("/r was left as it was"), std::string::npos) << err;
    EXPECT_EQ(testsupport::namesIn(dir.path()),
              (std::vector<std::string>{"T.dbf", "T.var", "T.yrs", "err.txt"}));
    // No worker is left ("[r]" keeps pgrep from finding the shell that runs it).
    EXPECT_NE(testsupport::runCommand(
                  "pgrep -f " + testsupport::shellQuote("[r]eport " + dir.path().string()) + " >/dev/null"),
              0);
}

// The report's folders and files get the modes the umask gives every new folder and file.
TEST(ReportCommand, TheFolderFollowsTheUmask)
{
    TempDir dir;
    const auto table = writeTrees(dir);
    testsupport::writeBytes(dir / "names.txt", "SM;Picea\r\n");
    const std::tuple<const char *, fs::perms, fs::perms> cases[] = {
        {"022", fs::perms(0755), fs::perms(0644)}, {"077", fs::perms(0700), fs::perms(0600)}};
    for (const auto &[mask, folderMode, fileMode] : cases) {
        const auto result = runReport(dir, reportArgs(dir, table) + " --overwrite --jobs 2",
                                      "umask " + std::string(mask) + "; ");
        ASSERT_EQ(result.status, 0) << result.err;
        const fs::path report = dir / "out" / "report";
        EXPECT_EQ(fs::status(report).permissions(), folderMode) << mask;
        EXPECT_EQ(fs::status(report / "plots").permissions(), folderMode) << mask;
        for (const char *file : {"index.html", "summary.csv", ".fenoris-report", "plots/B_2.html"})
            EXPECT_EQ(fs::status(report / file).permissions(), fileMode) << mask << " " << file;
    }
}

// A plot or species name that a spreadsheet would run as a formula is written with an apostrophe
// before it, in quotes; the figures stay numbers, as R's read.csv shows.
TEST(ReportCommand, SummaryNamesNeverRunAsFormulas)
{
    TempDir dir;
    std::vector<fixture::Tree> trees;
    fixture::addTrees(trees, 6, "=cmd|' /C calc'!A0", "SM", {10, 20});
    fixture::addTrees(trees, 6, "-5", "SM", {30, 30});
    fixture::RoleColumns wide;
    wide.plotWidth = 24;
    const auto table =
        fixture::writeTable(dir.path(), "trees.dbf", {{"D2000", 2000}, {"D2001", 2001}}, trees, wide);
    testsupport::writeBytes(dir / "names.txt", "SM;@Picea\r\n");
    const auto result = runReport(dir, reportArgs(dir, table) + " --jobs 1");
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path summary = dir / "out" / "report" / "summary.csv";
    const std::string csv = testsupport::readBytes(summary);
    EXPECT_NE(csv.find("\n\"'-5\",SM,\"'@Picea\",6,2000,2001,30.000,30.000,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n\"'=cmd|' /C calc'!A0\",SM,\"'@Picea\",6,2000,2001,10.000,20.000,"),
              std::string::npos)
        << csv;
    std::string read;
    ASSERT_EQ(testsupport::runCommand(
                  "Rscript -e " +
                      testsupport::shellQuote("x <- read.csv('" + summary.string() +
                                              "', stringsAsFactors = FALSE); cat(sort(x$plot), "
                                              "x$species_name[1], class(x$trees), class(x$mean_last), "
                                              "sum(x$mean_last), sep = '|')") +
                      " 2>&1",
                  &read),
              0)
        << read;
    EXPECT_EQ(read, "'-5|'=cmd|' /C calc'!A0|'@Picea|integer|numeric|50");
}

// While a large report is written by two workers (a page is written already): the table replaced
// under its name (by a copy of itself) or a worker killed ends the run with a message that says so,
// and the old report stays as it was, with no temporary folder beside it.
TEST(ReportCommand, AChangedTableOrAKilledWorkerLeavesTheOldReport)
{
    TempDir dir;
    const std::string cli = testsupport::shellQuote(FENORIS_CLI_PATH);
    const std::string cd = "cd " + testsupport::shellQuote(dir.path().string()) + " && ";
    ASSERT_EQ(testsupport::runCommand(cd + cli +
                                      " generate T.dbf --trees 40000 --plots 1000 --years 10 >/dev/null"),
              0);
    fs::create_directories(dir / "r");
    testsupport::writeBytes(dir / "r" / ".fenoris-report", "Fenoris survey report\n");
    testsupport::writeBytes(dir / "r" / "index.html", "old");
    const std::pair<const char *, std::string> cases[] = {
        {"cp T.dbf T.new && mv T.new T.dbf",
         "The table " + (dir / "T.dbf").string() + " changed while the report was written"},
        {"kill -KILL $(pgrep -P $pid | head -n 1)",
         R"(Report worker [12] of 2 was killed by signal 9 \(Killed\) while writing plot [0-9]+ of 1000 \(.+\)\n)"},
    };
    for (const auto &[action, message] : cases) {
        const std::string script =
            cd + "{ env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + cli +
            " report \"$PWD/T.dbf\" --out \"$PWD/r\" --overwrite --jobs 2 >/dev/null 2>err.txt & pid=$!; "
            "until ls .~r-*/plots/*.html >/dev/null 2>&1 || ! kill -0 $pid 2>/dev/null; do sleep 0.02; "
            "done; " +
            action + "; wait $pid; echo $?; }";
        std::string output;
        ASSERT_EQ(testsupport::runCommand("bash -c " + testsupport::shellQuote(script), &output), 0);
        const std::string err = testsupport::readBytes(dir / "err.txt");
        EXPECT_EQ(output, "1\n") << err;
        EXPECT_TRUE(std::regex_search(err, std::regex(message))) << err;
        EXPECT_EQ(testsupport::namesIn(dir.path()),
                  (std::vector<std::string>{"T.dbf", "T.var", "T.yrs", "err.txt", "r"}));
        EXPECT_EQ(testsupport::namesIn(dir / "r"),
                  (std::vector<std::string>{".fenoris-report", "index.html"}));
        EXPECT_EQ(testsupport::readBytes(dir / "r" / "index.html"), "old");
    }
}
