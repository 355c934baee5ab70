// Generated tree tables: a small growth and defoliation model driven by a seeded random stream, so the
// same settings always give the same bytes.
#include "data/generator.h"

#include "common/error.h"
#include "common/replacingfile.h"
#include "data/database.h"
#include "data/sidefiles.h"
#include "data/sqlnames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace data {

namespace {

// Uniform and normal numbers from the raw 64-bit stream, independent of the library's distributions.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_engine(seed) {}
    double uniform() { return (m_engine() >> 11) * 0x1.0p-53; }
    int below(int n) { return static_cast<int>(uniform() * n); }
    double normal()
    {
        double u1 = std::max(uniform(), 1e-300), u2 = uniform();
        return std::sqrt(-2 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

private:
    std::mt19937_64 m_engine;
};

struct Species
{
    const char *code;
    double startDefoliation; // typical per cent in the first year
    double maxDbh;           // cm
};

constexpr std::array<Species, 8> kSpecies{{{"SM", 22, 60},
                                           {"BO", 25, 50},
                                           {"BK", 15, 70},
                                           {"DB", 28, 80},
                                           {"MD", 20, 55},
                                           {"JD", 18, 65},
                                           {"BR", 24, 40},
                                           {"LP", 17, 60}}};

// Per cent stored in steps of 5; in damage classes the class of that per cent.
int toDamageClass(int percent)
{
    if (percent >= 100) return 5;
    if (percent <= 10) return 0;
    if (percent <= 25) return 1;
    if (percent <= 60) return 2;
    if (percent <= 80) return 3;
    return 4;
}

std::string yearColumn(int year) { return "D" + std::to_string(year); }

GeneratorSummary writeRows(const std::string &dataDir, const std::string &name, const GeneratorSettings &s)
{
    Connection connection;
    connection.setParam("PATH", dataDir);
    connection.open();

    Query create(connection);
    std::vector<std::string> sql{"CREATE TABLE " + tableName(name),
                                 "(",
                                 " PLOT CHAR(10),",
                                 " TREE DECIMAL(6,0),",
                                 " SP CHAR(2),",
                                 " DBH DECIMAL(5,1),",
                                 " HEIGHT DECIMAL(4,1),"};
    for (int y = 0; y < s.years; ++y)
        sql.push_back(" " + yearColumn(s.firstYear + y) + " DECIMAL(3,0)" + (y + 1 < s.years ? "," : ""));
    sql.push_back(")");
    create.setSql(sql);
    create.execSql();

    Table table(connection, name);
    table.open();
    Random random(s.seed);
    GeneratorSummary summary;
    summary.plots = s.plots;

    int treeNumber = 0;
    for (int plot = 0; plot < s.plots; ++plot) {
        // Trees spread over plots as evenly as the count allows, the remainder on the first plots.
        const int plotTrees = s.trees / s.plots + (plot < s.trees % s.plots ? 1 : 0);
        const std::string plotName = "P" + std::to_string(100000 + plot).substr(1);
        const int speciesCount = 1 + random.below(4);
        std::array<int, 4> speciesOfPlot{};
        const int firstSpecies = random.below(static_cast<int>(kSpecies.size()));
        for (int k = 0; k < speciesCount; ++k) speciesOfPlot[k] = (firstSpecies + k * 3) % kSpecies.size();
        summary.speciesPlots += std::min(speciesCount, plotTrees);

        for (int t = 0; t < plotTrees; ++t) {
            // The first trees cover every species of the plot, then the main species dominates.
            const int k = t < speciesCount ? t : (random.uniform() < 0.6 ? 0 : random.below(speciesCount));
            const Species &species = kSpecies[speciesOfPlot[k]];
            const double dbh = std::clamp(species.maxDbh * (0.25 + 0.6 * random.uniform()), 5.0, 999.9);
            const double height = std::clamp(1.3 + 30 * (1 - std::exp(-dbh / 30)) + random.normal(), 2.0, 99.9);

            table.append();
            table.setString("PLOT", plotName);
            table.setInteger("TREE", ++treeNumber % 1000000);
            table.setString("SP", species.code);
            table.setFloat("DBH", std::round(dbh * 10) / 10);
            table.setFloat("HEIGHT", std::round(height * 10) / 10);

            double defoliation = std::clamp(species.startDefoliation + 10 * random.normal(), 0.0, 90.0);
            bool dead = false;
            const int firstObserved = random.uniform() < 0.05 ? random.below(s.years) : 0;
            for (int y = 0; y < s.years; ++y) {
                const std::string column = yearColumn(s.firstYear + y);
                if (y < firstObserved || (!dead && random.uniform() < s.blankShare)) {
                    table.setNull(column);
                    continue;
                }
                if (!dead) {
                    defoliation = std::clamp(defoliation + 0.3 + 6 * random.normal(), 0.0, 95.0);
                    // Heavily defoliated trees die more often; a dead tree stays dead.
                    const double dieChance = 0.004 + 0.25 * std::pow(defoliation / 100.0, 4);
                    if (random.uniform() < dieChance) dead = true;
                }
                const int percent = dead ? 100 : static_cast<int>(std::lround(defoliation / 5) * 5);
                table.setInteger(column, s.valueType == ValueType::Percent ? percent : toDamageClass(percent));
            }
            if (dead) ++summary.deadTrees;
            table.post();
            ++summary.trees;
        }
    }
    table.close();
    return summary;
}

} // namespace

GeneratorSummary generateTable(const std::filesystem::path &file, const GeneratorSettings &s)
{
    if (s.trees < 1 || s.plots < 1 || s.years < 1 || s.plots > s.trees)
        throw common::Error("The table needs at least one tree, plot and year, and no more plots than trees");
    if (s.plots > 99999999) throw common::Error("Too many plots for a plot name of 10 characters");

    const auto dir = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    const std::string dataDir = dir.string() + "/";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw common::FileError("Cannot create the directory " + dir.string() + ": " + ec.message());

    // The table is written under a temporary name and renamed over the old one once complete, so a
    // full disk or an error keeps the table that was there.
    common::ReplacingFile replacing(file.string());
    const std::string name = std::filesystem::path(replacing.path()).filename().string();
    // The engine creates the table itself and refuses a file that exists.
    std::filesystem::remove(replacing.path(), ec);

    GeneratorSummary summary = writeRows(dataDir, name, s);
    replacing.commit();

    // Side files: one line per column after the heading, years for defoliation columns, roles else.
    std::vector<std::string> years{"Defoliations", "-", "-", "-", "-", "-"};
    std::vector<std::string> roles{"Specials", "PlotNames", "TreeID", "Species", "DBH", "Height"};
    for (int y = 0; y < s.years; ++y) {
        years.push_back(std::to_string(s.firstYear + y));
        roles.push_back("-");
    }
    const std::string tableFile = file.filename().string();
    writeSideFile(yearsSideFile(dataDir, tableFile), years);
    writeSideFile(rolesSideFile(dataDir, tableFile), roles);
    return summary;
}

} // namespace data
