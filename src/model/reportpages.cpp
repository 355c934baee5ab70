// The report's pages and summary.csv.
#include "model/reportpages.h"

#include "common/csv.h"
#include "common/numbers.h"
#include "model/uncertaintytext.h"

#include <charconv>
#include <cmath>

namespace model {

namespace {

// The number with a point, to `decimals` decimals; a value that rounds to zero is written "0" without
// a sign.
std::string fixed(double value, int decimals)
{
    char buffer[64];
    const double scale = std::pow(10.0, decimals);
    if (std::round(value * scale) == 0) value = 0;
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
    return {buffer, end};
}

std::string significant(double value, int digits)
{
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits).ptr;
    return {buffer, end};
}

std::string orEmpty(const std::optional<double> &value, int decimals)
{
    return value ? fixed(*value, decimals) : std::string();
}

std::string orEmpty(const std::optional<int> &value)
{
    return value ? std::to_string(*value) : std::string();
}

// The figures of a row as summary.csv writes them, in its column order from trees on.
std::vector<std::string> figureFields(const ReportRow &row)
{
    const ReportFigures &f = row.figures;
    const auto &mk = f.mannKendall;
    // The exact p is a Monte Carlo p: two digits are all its draws give.
    return {std::to_string(row.trees),
            orEmpty(f.firstYear),
            orEmpty(f.lastYear),
            orEmpty(f.meanFirst, 3),
            orEmpty(f.meanLast, 3),
            orEmpty(f.shareOver25, 3),
            orEmpty(f.deadLast, 3),
            mk ? std::to_string(mk->s) : std::string(),
            mk && mk->p ? significant(*mk->p, 6) : std::string(),
            orEmpty(f.senSlope, 4),
            f.homogeneityP ? significant(*f.homogeneityP, 6) : std::string(),
            orEmpty(f.livingFirst),
            orEmpty(f.livingLast),
            f.firstYear ? std::to_string(f.trendYears) : std::string(),
            orEmpty(f.senLo, 4),
            orEmpty(f.senHi, 4),
            f.homogeneityChi2 ? significant(*f.homogeneityChi2, 6) : std::string(),
            orEmpty(f.homogeneityDf),
            f.homogeneityExactP ? significant(*f.homogeneityExactP, 2) : std::string()};
}

constexpr const char *kStyle = "body{font-family:sans-serif;margin:1.5em;color:#222}"
                               "table{border-collapse:collapse;margin:0.5em 0 1.5em}"
                               "th,td{border:1px solid #bbb;padding:0.2em 0.5em}"
                               "th{background:#eee;text-align:left}"
                               "td.n{text-align:right;font-variant-numeric:tabular-nums}"
                               "#pairs th{cursor:pointer}"
                               "#pairs th[aria-sort=ascending]::after{content:' \\25B2'}"
                               "#pairs th[aria-sort=descending]::after{content:' \\25BC'}";

// Sorting by a click on a heading (numbers by their data-v, empty figures last either way) and the
// filter box, which the script itself adds: without it the table stays in plot order.
constexpr const char *kScript = R"(<script>
(function () {
  var table = document.getElementById('pairs'), body = table.tBodies[0];
  var heads = table.tHead.rows[0].cells, direction = {};
  function key(row, i) {
    var cell = row.cells[i], v = cell.getAttribute('data-v');
    if (v === null) return cell.textContent;
    return v === '' ? null : parseFloat(v);
  }
  Array.prototype.forEach.call(heads, function (head, i) {
    head.addEventListener('click', function () {
      var d = direction[i] = direction[i] === 1 ? -1 : 1;
      var numeric = head.getAttribute('data-type') === 'number';
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = key(a, i), y = key(b, i);
        if (x === null || y === null) return x === y ? 0 : (x === null ? 1 : -1);
        return d * (numeric ? x - y : x.localeCompare(y, undefined, {numeric: true}));
      });
      rows.forEach(function (row) { body.appendChild(row); });
      Array.prototype.forEach.call(heads, function (h) { h.removeAttribute('aria-sort'); });
      head.setAttribute('aria-sort', d > 0 ? 'ascending' : 'descending');
    });
  });
  var label = document.createElement('label'), box = document.createElement('input');
  box.type = 'search'; box.id = 'filter';
  label.appendChild(document.createTextNode('Filter: ')); label.appendChild(box);
  table.parentNode.insertBefore(label, table);
  box.addEventListener('input', function () {
    var text = box.value.toLowerCase();
    Array.prototype.forEach.call(body.rows, function (row) {
      row.style.display = row.textContent.toLowerCase().indexOf(text) >= 0 ? '' : 'none';
    });
  });
})();
</script>
)";

std::string head(const std::string &title)
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           HtmlEscaped(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
}

std::string numberCell(const std::string &exact, const std::string &shown)
{
    return "<td class=\"n\" data-v=\"" + exact + "\">" + shown + "</td>";
}

std::string yearsText(const std::vector<int> &years)
{
    if (years.empty()) return "none";
    std::string text = std::to_string(years.size()) + " (";
    for (std::size_t i = 0; i < years.size(); ++i)
        text += (i ? ", " : "") + std::to_string(years[i]);
    return text + ")";
}

std::string trendText(const ReportFigures &f)
{
    if (!f.mannKendall)
        return "No trend: fewer than " + std::to_string(stats::kMinTrendValues) +
               " survey years with statistics and living trees.";
    std::string text = "Over " + std::to_string(f.trendYears) +
                       " years with living trees: Mann–Kendall S = " + std::to_string(f.mannKendall->s);
    text += f.mannKendall->p ? ", p = " + significant(*f.mannKendall->p, 4)
                             : std::string(", no p (every yearly mean the same)");
    if (f.senSlope) {
        text += "; Sen's slope " + fixed(*f.senSlope, 2) + " % per year";
        if (f.senLo && f.senHi) text += " (" + fixed(*f.senLo, 2) + " to " + fixed(*f.senHi, 2) + ")";
    }
    return text + ".";
}

std::string yearTable(const YearSeries &s, const std::vector<data::YearColumn> &years)
{
    std::string html =
        "<table>\n<thead><tr><th>Year</th><th>Living trees</th><th>Mean %</th><th>Std. dev.</th>"
        "<th>Dead %</th><th>Class 0</th><th>Class 1</th><th>Class 2</th><th>Class 3</th>"
        "<th>Class 4</th><th>Class 5</th></tr></thead>\n<tbody>\n";
    for (std::size_t y = 0; y < s.size(); ++y) {
        if (!s.hasStatistics(y)) continue;
        // A year whose trees are all dead has no mean and no spread.
        const bool living = s.YearTrees[y] > 0;
        html += "<tr><td>" + std::to_string(years[y].year) + "</td><td class=\"n\">" +
                std::to_string(s.YearTrees[y]) + "</td><td class=\"n\">" +
                (living ? fixed(s.YearDefAvg[y], 3) : "") + "</td><td class=\"n\">" +
                (living ? fixed(s.YearDefStd[y], 3) : "") + "</td><td class=\"n\">" +
                fixed(s.YearDead[y], 3) + "</td>";
        for (int count : s.YearClasses[y])
            html += "<td class=\"n\">" + std::to_string(count) + "</td>";
        html += "</tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

// Every transition matrix of a section: rows are the classes of the first year, each with its trees,
// and every share with its Wilson interval; then the homogeneity test of the matrices.
std::string matricesHtml(const PlotSection &section, int interval, double level, bool band)
{
    std::string html = "<h3>Transition matrices, " + std::to_string(interval) +
                       (interval == 1 ? " year" : " years") + "</h3>\n";
    if (!section.enoughTreesForMatrices) return html + "<p>No matrices: fewer than 5 trees.</p>\n";
    if (section.transits.empty())
        return html + "<p>No matrices: no pair of survey years with trees in both.</p>\n";
    html += "<p>Share of the trees of a class in the first year that are in a class in the second year, "
            "with its Wilson score interval at " +
            HtmlEscaped(common::formatGeneral(100 * level, 6, 0)) +
            " %; n is the trees of the row. A row without trees is assumed to stay in its class." +
            (band ? std::string(" ") + HtmlEscaped(kBandSameMoveNote) : std::string()) + "</p>\n";
    const auto estimates = EstimateTransits(section.transits, level);
    for (std::size_t r = 0; r < section.transits.size(); ++r) {
        const TTransit &record = section.transits[r];
        html += "<table class=\"matrix\">\n<caption>" + std::to_string(record.Year) + "–" +
                std::to_string(record.Year + interval) + ", " + std::to_string(record.NTree) +
                " trees</caption>\n<thead><tr><th>From class</th><th>Trees</th>";
        for (int j = 0; j < 6; ++j)
            html += "<th>To class " + std::to_string(j) + "</th>";
        html += "</tr></thead>\n<tbody>\n";
        for (std::size_t i = 0; i < 6; ++i) {
            const RowEstimate &row = estimates[r][i];
            html += "<tr><th>" + std::to_string(i) + "</th><td class=\"n\">" +
                    HtmlEscaped(RowCountText(row)) + "</td>";
            for (const CellEstimate &cell : row.cells)
                html += "<td class=\"n\">" + HtmlEscaped(IntervalCellText(cell)) + "</td>";
            html += "</tr>\n";
        }
        html += "</tbody>\n</table>\n";
    }
    return html + "<p>Homogeneity (Anderson–Goodman): " + HtmlEscaped(HomogeneityText(section.homogeneity)) +
           ".</p>\n";
}

} // namespace

std::string HtmlEscaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string UrlEscaped(std::string_view path)
{
    static const char *hex = "0123456789ABCDEF";
    std::string escaped;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80) {
            escaped += c;
        } else if (c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            escaped += c;
        } else {
            escaped += '%';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 15];
        }
    }
    return escaped;
}

std::string SummaryCsv(const std::vector<ReportRow> &rows)
{
    std::string text = std::string(kSummaryHeader) + "\n";
    for (const auto &row : rows) {
        text += common::csvTextField(row.plot) + "," + common::csvTextField(row.species) + "," +
                common::csvTextField(row.speciesName);
        for (const auto &field : figureFields(row))
            text += "," + field;
        text += "\n";
    }
    return text;
}

std::string IndexHtml(const ReportInfo &info, const std::vector<ReportRow> &rows)
{
    std::string html = head("Report on " + info.table);
    html += "<h1>Report on " + HtmlEscaped(info.table) + "</h1>\n<table class=\"facts\">\n";
    const std::pair<const char *, std::string> facts[] = {
        {"Table", info.table},
        {"Trees", std::to_string(info.trees)},
        {"Plots", std::to_string(info.plots)},
        {"Species", std::to_string(info.species)},
        {"Survey years", yearsText(info.years)},
        {"Settings", info.settings},
        {"Made", info.date},
        {"Program", "Fenoris " + info.version},
    };
    for (const auto &[name, value] : facts)
        html += "<tr><th>" + std::string(name) + "</th><td>" + HtmlEscaped(value) + "</td></tr>\n";
    html += "</table>\n<p>" + std::to_string(rows.size()) +
            " plots and species with enough trees. Means and shares in per cent; Sen's slope in per cent "
            "per year; p of the Mann–Kendall test, two-sided; homogeneity p of the Anderson–Goodman test "
            "that the transition matrices of the plot and species are one.</p>\n";

    html += "<table id=\"pairs\">\n<thead><tr>";
    const std::pair<const char *, bool> columns[] = {
        {"Plot", false},        {"Species", false},   {"Trees", true},     {"First year", true},
        {"Last year", true},    {"Mean first", true}, {"Mean last", true}, {"Over 25 % last", true},
        {"Dead last", true},    {"MK S", true},       {"MK p", true},      {"Sen's slope", true},
        {"Homogeneity p", true}};
    for (const auto &[name, numeric] : columns)
        html +=
            std::string("<th") + (numeric ? " data-type=\"number\"" : "") + ">" + HtmlEscaped(name) + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (const auto &row : rows) {
        const ReportFigures &f = row.figures;
        const auto fields = figureFields(row);
        html += "<tr><td>";
        if (row.page.empty())
            html += HtmlEscaped(row.plot) + " <small>(no page: the name is too long for a file)</small>";
        else
            html += "<a href=\"" + HtmlEscaped(UrlEscaped(row.page)) + "\">" + HtmlEscaped(row.plot) + "</a>";
        html += "</td><td>" + HtmlEscaped(row.speciesName) + "</td>";
        const std::string shown[] = {fields[0],
                                     fields[1],
                                     fields[2],
                                     orEmpty(f.meanFirst, 1),
                                     orEmpty(f.meanLast, 1),
                                     orEmpty(f.shareOver25, 1),
                                     orEmpty(f.deadLast, 1),
                                     fields[7],
                                     f.mannKendall && f.mannKendall->p ? significant(*f.mannKendall->p, 3)
                                                                       : "",
                                     orEmpty(f.senSlope, 2),
                                     f.homogeneityP ? significant(*f.homogeneityP, 3) : ""};
        // The index shows the first figures of summary.csv; the rest are for other programs.
        for (std::size_t i = 0; i < std::size(shown); ++i)
            html += numberCell(fields[i], shown[i]);
        html += "</tr>\n";
    }
    html += "</tbody>\n</table>\n";
    html += kScript;
    return html + "</body>\n</html>\n";
}

std::string PlotHtml(const std::string &plot, const std::vector<PlotSection> &sections,
                     const std::vector<data::YearColumn> &years, int interval, double level, bool band)
{
    std::string html = head("Plot " + plot);
    html += "<p><a href=\"../index.html\">All plots</a></p>\n<h1>Plot " + HtmlEscaped(plot) + "</h1>\n";
    for (const auto &section : sections) {
        const ReportRow &row = *section.row;
        html += "<h2>" + HtmlEscaped(row.speciesName) + " (" + HtmlEscaped(row.species) + "), " +
                std::to_string(row.trees) + " trees</h2>\n";
        if (row.picture.empty())
            html += "<p>No model picture: its file name would be too long.</p>\n";
        else
            html += "<p><img src=\"" + HtmlEscaped(UrlEscaped(row.picture)) + "\" alt=\"Model of plot " +
                    HtmlEscaped(plot) + ", species " + HtmlEscaped(row.speciesName) + "\"></p>\n";
        html += "<p>" + HtmlEscaped(trendText(row.figures)) + "</p>\n";
        html += yearTable(section.series, years);
        html += matricesHtml(section, interval, level, band);
    }
    return html + "</body>\n</html>\n";
}

} // namespace model
