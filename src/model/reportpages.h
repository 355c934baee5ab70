// The texts of the report's files: index.html, the plot pages and summary.csv. Pages stand alone (no
// external style sheet, script or font) and read in plot order without JavaScript.
#pragma once

#include "model/report.h"
#include "model/transituncertainty.h"

#include <string>
#include <string_view>
#include <vector>

namespace model {

// The header line of summary.csv.
inline constexpr const char *kSummaryHeader =
    "plot,species,species_name,trees,first_year,last_year,mean_first,"
    "mean_last,share_over_25,dead_last,mk_s,mk_p,sen_slope,"
    "homogeneity_p,living_first,living_last,trend_years,sen_lo,sen_hi,homogeneity_chi2,homogeneity_df,"
    "homogeneity_exact_p";

// Text with &, <, >, " and ' written as character references.
std::string HtmlEscaped(std::string_view text);
// A relative address with every byte but letters, digits and -._~/ written as %XX.
std::string UrlEscaped(std::string_view path);

// summary.csv: the header, then one line per row; text fields (plot, species and its name) as
// common::csvTextField writes them: quoted when they hold a comma, quote or line break, and with an
// apostrophe before a text a spreadsheet would run as a formula; numbers with a point; an empty field
// for a figure that does not exist. Means and shares in per cent to 3 decimals (as AVERAGE.DBF holds
// them; empty for a year without living trees), p and chi2 to 6 significant digits (the Monte Carlo
// exact p to 2), Sen's slope and its interval to 4 decimals.
std::string SummaryCsv(const std::vector<ReportRow> &rows);

// index.html: what was read, then a table of the rows in the order given, each linking its plot page.
std::string IndexHtml(const ReportInfo &info, const std::vector<ReportRow> &rows);

// One plot's page: for each of its rows the picture (or why there is none), the table of the survey
// years with statistics, the trend, every transition matrix with the trees of each row and the Wilson
// interval of each share at `level`, and the homogeneity test of the matrices.
struct PlotSection
{
    const ReportRow *row;
    YearSeries series;
    std::vector<TTransit> transits;             // as BuildTransitList gives them
    std::optional<HomogeneityTest> homogeneity; // of transits
    bool enoughTreesForMatrices = true;         // false: BuildTransitList gave none
};
// band: the pictures carry the model band, and the page says what a band of zero width means.
std::string PlotHtml(const std::string &plot, const std::vector<PlotSection> &sections,
                     const std::vector<data::YearColumn> &years, int interval, double level,
                     bool band = false);

} // namespace model
