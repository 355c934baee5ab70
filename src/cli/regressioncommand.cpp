// fenoris-cli regression: one paired series from two columns of a data table, its statistics and a
// least-squares polynomial, printed as "name value" lines.
//
// The series is built by the routine the regression page builds its series with (model::FillSeries):
// rows with a blank in either column are skipped, values are read as doubles, --log-x/--log-y take
// base-10 logarithms and skip values <= 0, and the missing values are compared with the transformed
// values. With --plot and --species only the trees of that plot and species are read, through the
// selected-trees query whose columns come from the roles side file beside the table.
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/pictures.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "common/numbers.h"
#include "data/database.h"
#include "data/selection.h"
#include "data/sqlnames.h"
#include "model/regressionseries.h"
#include "model/survey.h"
#include "stats/regressiontext.h"
#include "stats/statistics.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <ostream>

namespace cli {

namespace {

// Significant digits of the printed coefficients, as of every other number.
constexpr int kCoefDigits = 15;

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

std::uint8_t parseDegree(const std::string &text)
{
    try {
        return stats::ParseDegree(text);
    } catch (const common::ConvertError &e) {
        throw common::ConvertError(std::string("--degree: ") + e.what());
    }
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

// Returns the columns as the table spells them.
model::SeriesColumns fillSeries(stats::TStatistics &series, const RegressionRequest &request)
{
    model::Survey survey(request.table);
    const std::string x = survey.column(request.x);
    const std::string y = survey.column(request.y);

    data::Query query(survey.connection());
    if (request.plot) {
        survey.readRoles();
        query.setSql(data::treeQuerySql(survey.tableFile(), survey.setup().roles, ""));
        query.prepare();
        query.setParam("PlotNames", *request.plot);
        query.setParam("NSpecies", *request.species);
    } else {
        query.setSql({"SELECT * FROM " + data::tableName(survey.tableFile())});
        query.prepare();
    }
    query.open();
    const model::SeriesColumns read{x, y, request.logX, request.logY};
    model::FillSeries(series, query, read);
    query.close();
    return read;
}

void printResults(const stats::TStatRes &res, std::ostream &out, std::ostream &err)
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
    // A series left at degree 0 without coefficients has no polynomial: no Coef lines at all. Each
    // coefficient is printed to the significant digits it is right to, at most 15, and one that is 0
    // as far as the polynomial is known as 0; where one is right to no digit, none is printed, and
    // the curve and R2 stand alone.
    const size_t count = std::min<size_t>(res.Degree + 1u, res.Coef.size());
    for (size_t i = 0; i < count; ++i)
        if (!res.CoefNegligible(i) && res.CoefDigits(i) == 0) {
            err << "The coefficients of the powers of X of this polynomial of degree " << int(res.Degree)
                << " cannot be given to a single digit: they cancel one another over the points. The curve "
                   "and R2 are right; a lower degree gives coefficients that can be printed.\n";
            return;
        }
    for (size_t i = 0; i < count; ++i) {
        const std::string text =
            res.CoefNegligible(i)
                ? "0"
                : common::formatGeneral(res.Coef[i], std::min(res.CoefDigits(i), kCoefDigits), 0);
        out << "Coef" << i << " " << text << "\n";
    }
}

} // namespace

int runRegression(const Args &args, std::ostream &out, std::ostream &err)
{
    const Options options(
        args, {"degree", "missing-x", "missing-y", "plot", "species", "picture", "size", "settings"},
        {"log-x", "log-y"});
    if (options.positional().size() != 3) {
        err << usage("regression");
        return 2;
    }
    int status = 0;
    const auto picture = pictureRequest(options, err, status);
    if (status != 0) return status;
    const RegressionRequest request = parseRequest(options);

    common::ConsoleSink sink(err);
    stats::TStatistics series(sink);
    series.MissingX = request.missingX;
    series.MissingY = request.missingY;
    const model::SeriesColumns columns = fillSeries(series, request);

    series.Calculate(request.degree);
    if (!series.Res.Calculated) {
        sink.warning("Regression was not calculated");
        err << "(no row gave a point: blanks, missing values and logarithms of values <= 0 are left out)\n";
        return 1;
    }
    // The points cannot determine the degree asked for: the sink has said so, and nothing is printed
    // or drawn that could pass for a fit.
    if (series.Res.Undetermined) return 1;
    if (picture) {
        // The window's chart of a pair chosen under "another".
        pictureWriters().regression({&series, model::AxisTitle(columns.x, columns.logX),
                                     model::AxisTitle(columns.y, columns.logY), picture->look},
                                    picture->file, picture->size);
    }
    printResults(series.Res, out, err);
    if (request.degree > 0 && series.Res.Degree == 0)
        err << "note: no polynomial of degree " << int(request.degree)
            << " fits these points (singular system); statistics only\n";
    return 0;
}

} // namespace cli
