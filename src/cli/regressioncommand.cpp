// fenoris-cli regression: one paired series from two columns of a data table, its statistics and a
// least-squares polynomial, printed as "name value" lines.
//
// The series is built as the regression page builds its freely chosen pair: rows with a blank in
// either column are skipped, values are read as doubles, --log-x/--log-y take base-10 logarithms and
// skip values <= 0, and the missing values are compared with the transformed values. With --plot and
// --species only the trees of that plot and species are read, through the selected-trees query whose
// columns come from the roles side file beside the table.
#include "cli/commands.h"
#include "cli/options.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "common/numbers.h"
#include "data/database.h"
#include "data/selection.h"
#include "data/sidefiles.h"
#include "stats/statistics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>

namespace cli {

namespace {

const char *const kUsage =
    "usage: fenoris-cli regression TABLE.dbf X Y [--degree N] [--log-x] [--log-y] [--missing-x V]\n"
    "                              [--missing-y V] [--plot P --species S]\n";

struct RegressionRequest
{
    std::filesystem::path table;
    std::string x;
    std::string y;
    std::uint8_t degree = 1;
    bool logX = false;
    bool logY = false;
    long double missingX = stats::kDefaultMissing;
    long double missingY = stats::kDefaultMissing;
    std::optional<std::string> plot;
    std::optional<std::string> species;
};

class ConsoleSink : public common::MessageSink
{
public:
    explicit ConsoleSink(std::ostream &err) : m_err(err) {}
    void message(common::MessageKind kind, const std::string &text) override
    {
        const char *prefix = kind == common::MessageKind::Error     ? "error: "
                             : kind == common::MessageKind::Warning ? "warning: "
                                                                    : "";
        m_err << prefix << text << "\n";
    }

private:
    std::ostream &m_err;
};

bool sameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char l, char r) {
               return std::tolower(static_cast<unsigned char>(l)) ==
                      std::tolower(static_cast<unsigned char>(r));
           });
}

std::uint8_t parseDegree(const std::string &text)
{
    int degree;
    try {
        degree = common::strToInt(text);
    } catch (const common::ConvertError &e) {
        throw common::ConvertError(std::string("--degree: ") + e.what());
    }
    if (degree < 0 || degree > 255) throw common::Error("--degree: " + text + " is not between 0 and 255");
    return static_cast<std::uint8_t>(degree);
}

// Typed missing values stay in extended precision, as the program keeps them: a value such as 0.1
// then never equals a double read from the table, while 0 or -1 do.
long double parseMissing(const Options &options, const std::string &name)
{
    if (!options.has(name)) return stats::kDefaultMissing;
    try {
        return common::strToFloat(options.value(name));
    } catch (const common::ConvertError &e) {
        throw common::ConvertError("--" + name + ": " + e.what());
    }
}

RegressionRequest parseRequest(const Options &options)
{
    RegressionRequest request;
    request.table = options.positional()[0];
    request.x = options.positional()[1];
    request.y = options.positional()[2];
    if (options.has("degree")) request.degree = parseDegree(options.value("degree"));
    request.logX = options.has("log-x");
    request.logY = options.has("log-y");
    request.missingX = parseMissing(options, "missing-x");
    request.missingY = parseMissing(options, "missing-y");
    if (options.has("plot") != options.has("species"))
        throw common::Error("--plot and --species go together: give both or neither");
    if (options.has("plot")) {
        request.plot = options.value("plot");
        request.species = options.value("species");
    }
    return request;
}

// The table's spelling of a column named on the command line (case ignored).
std::string findColumn(const std::vector<std::string> &columns, const std::string &name,
                       const std::string &table)
{
    for (const auto &column : columns)
        if (sameName(column, name)) return column;
    std::string list;
    for (const auto &column : columns)
        list += (list.empty() ? "" : ", ") + column;
    throw common::DataError("Table " + table + " has no column '" + name + "' (columns: " + list + ")");
}

// The plot and species columns from the roles side file: line k + 1 holds the role of the k-th
// column, and a role named twice goes to the lower line, as when the program applies the file.
data::FieldRoles readRoles(const std::string &dataDir, const std::string &tableFile,
                           const std::vector<std::string> &columns)
{
    const std::string file = data::rolesSideFile(dataDir, tableFile);
    if (!std::filesystem::exists(file))
        throw common::FileError(
            "The roles side file \"" + file +
            "\" does not exist; --plot and --species need its PlotNames and Species columns");
    const auto cells = data::loadSideFile(file, columns.size() + 1);
    data::FieldRoles roles;
    for (size_t k = 0; k < columns.size(); ++k) {
        const std::string &role = cells[k + 1];
        if (role == "PlotNames")
            roles.plot = columns[k];
        else if (role == "TreeID")
            roles.treeId = columns[k];
        else if (role == "Species")
            roles.species = columns[k];
        else if (role == "DBH")
            roles.dbh = columns[k];
        else if (role == "Height")
            roles.height = columns[k];
    }
    if (roles.plot.empty())
        throw common::DataError("The roles side file \"" + file + "\" names no PlotNames column");
    if (roles.species.empty())
        throw common::DataError("The roles side file \"" + file + "\" names no Species column");
    return roles;
}

// Skips the row (false) for a logarithm of a value <= 0; the logarithm is kept as a double.
bool transform(double &value, bool useLog)
{
    if (!useLog) return true;
    if (value <= 0) return false;
    value = static_cast<double>(std::log10(static_cast<long double>(value)));
    return true;
}

void fillSeries(stats::TStatistics &series, const RegressionRequest &request)
{
    std::string dataDir = request.table.parent_path().string();
    if (dataDir.empty()) dataDir = ".";
    dataDir += std::filesystem::path::preferred_separator;
    const std::string tableFile = request.table.filename().string();

    data::Connection connection;
    connection.setParam("PATH", dataDir);
    connection.open();
    if (!connection.findFile(tableFile))
        throw common::FileError("Table " + request.table.string() + " not found");

    std::vector<std::string> columns;
    {
        data::Table table(connection, tableFile);
        table.open();
        columns = table.fieldNames();
    }
    const std::string x = findColumn(columns, request.x, tableFile);
    const std::string y = findColumn(columns, request.y, tableFile);

    data::Query query(connection);
    if (request.plot) {
        query.setSql(data::treeQuerySql(tableFile, readRoles(dataDir, tableFile, columns), ""));
        query.prepare();
        query.setParam("PlotNames", *request.plot);
        query.setParam("NSpecies", *request.species);
    } else {
        query.setSql({"SELECT * FROM '" + tableFile + "'"});
        query.prepare();
    }
    for (query.open(); !query.eof(); query.next()) {
        // A value that is not a number is an error naming its record, never a quiet blank or 0.
        const auto xRead = query.numberOrBlank(x), yRead = query.numberOrBlank(y);
        if (!xRead || !yRead) continue;
        double xValue = *xRead, yValue = *yRead;
        if (!transform(xValue, request.logX) || !transform(yValue, request.logY)) continue;
        series.AddPoint(xValue, yValue);
    }
    query.close();
}

void printResults(const stats::TStatRes &res, std::ostream &out)
{
    auto line = [&out](const std::string &name, long double value) {
        out << name << " " << common::floatToText(value) << "\n";
    };
    line("N", res.X.N);
    line("XMean", res.X.Mean);
    line("XStDev", res.X.StDev);
    line("XMin", res.X.Min);
    line("XMax", res.X.Max);
    line("YMean", res.Y.Mean);
    line("YStDev", res.Y.StDev);
    line("YMin", res.Y.Min);
    line("YMax", res.Y.Max);
    line("R", res.R);
    line("P", res.P);
    line("R2", res.R2);
    line("Degree", res.Degree);
    // A series left at degree 0 without coefficients has no polynomial: no Coef lines at all.
    for (size_t i = 0; i <= res.Degree && i < res.Coef.size(); ++i)
        line("Coef" + std::to_string(i), res.Coef[i]);
}

} // namespace

int runRegression(const Args &args, std::ostream &out, std::ostream &err)
{
    const Options options(args, {"degree", "missing-x", "missing-y", "plot", "species"}, {"log-x", "log-y"});
    if (options.positional().size() != 3) {
        err << kUsage;
        return 2;
    }
    const RegressionRequest request = parseRequest(options);

    ConsoleSink sink(err);
    stats::TStatistics series(sink);
    series.MissingX = request.missingX;
    series.MissingY = request.missingY;
    fillSeries(series, request);

    series.Calculate(request.degree);
    if (!series.Res.Calculated) {
        sink.warning("Regression was not calculated");
        err << "(no row gave a point: blanks, missing values and logarithms of values <= 0 are left out)\n";
        return 1;
    }
    printResults(series.Res, out);
    if (request.degree > 0 && series.Res.Degree == 0)
        err << "note: no polynomial of degree " << int(request.degree)
            << " fits these points (singular system); statistics only\n";
    return 0;
}

} // namespace cli
