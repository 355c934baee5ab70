// The model chart's lines.
#include "model/modelchart.h"

#include "common/messagesink.h"
#include "model/projection.h"
#include "model/projectionband.h"

namespace model {

namespace {

// One record's curve: ten steps from its first year, switching line type at the first step whose
// class-5 share passes the maximum.
void addModelLines(std::vector<ChartLine> &lines, const TTransit &record, int interval, double maxDead,
                   const std::optional<BandSettings> &bandSettings)
{
    const auto band = bandSettings ? ProjectionBand(record, *bandSettings) : std::vector<BandRange>{};
    const auto addBand = [&band](ChartLine &line, int step) {
        if (!band.empty()) line.band.push_back(band[static_cast<std::size_t>(step)]);
    };
    Distribution p{};
    double v = ModelStart(record, p);
    bool over = p[5] > maxDead;
    lines.push_back({"Model " + record.FromField, over ? LineType::Model1 : LineType::Model0, {}, {}});
    lines.back().points.push_back({static_cast<double>(record.Year), v});
    addBand(lines.back(), 0);
    for (int i = 1; i <= kModelSteps; ++i) {
        const double w = ModelStep(record, p);
        if (!over && p[5] > maxDead) {
            over = true;
            const double x = record.Year + static_cast<double>(i - 1) * interval;
            lines.push_back({"", LineType::Model1, {{x, v}}, {}});
            addBand(lines.back(), i - 1);
        }
        lines.back().points.push_back({record.Year + static_cast<double>(i) * interval, w});
        addBand(lines.back(), i);
        v = w;
    }
}

} // namespace

std::vector<ChartLine> ModelChartLines(const std::optional<std::vector<TTransit>> &list,
                                       const YearSeries &series, const std::vector<data::YearColumn> &years,
                                       const ModelSettings &settings, common::MessageSink &sink)
{
    std::vector<ChartLine> lines;
    const double maxDead = settings.maxDeads / 100;
    if (!list || list->empty()) {
        sink.warning(kNoTransitionMessage);
    } else {
        for (auto record = list->rbegin(); record != list->rend(); ++record)
            addModelLines(lines, *record, settings.interval, maxDead, settings.band);
    }

    ChartLine avg{"Average def.", LineType::Avg, {}, {}}, upper{"AVG+n(%)STD", LineType::Limit, {}, {}},
        lower{"AVG-n(%)STD", LineType::Limit, {}, {}}, deads{"Deads", LineType::Deads, {}, {}};
    for (std::size_t i = 0; i < years.size() && i < series.size(); ++i) {
        if (!series.hasStatistics(i)) continue;
        const double x = years[i].year;
        const double spread = settings.prcTreeFactor * series.YearDefStd[i];
        const double high = series.YearDefAvg[i] + spread;
        const double low = series.YearDefAvg[i] - spread;
        avg.points.push_back({x, series.YearDefAvg[i]});
        upper.points.push_back({x, high > 100 ? 100 : high});
        lower.points.push_back({x, low >= 0 ? low : 0});
        deads.points.push_back({x, series.YearDead[i]});
    }
    lines.push_back(std::move(avg));
    lines.push_back(std::move(upper));
    lines.push_back(std::move(lower));
    lines.push_back(std::move(deads));
    return lines;
}

common::LineSettings ModelLineDefaults(const std::string &lineType)
{
    using common::LineColor;
    struct Default
    {
        const char *type;
        common::LineSettings settings;
    };
    static const Default defaults[] = {
        {LineType::Model0, {LineColor::fromRgb(0, 0, 0), 0, 1}},
        {LineType::Model1, {LineColor::fromRgb(255, 0, 0), 2, 1}},
        {LineType::Avg, {LineColor::fromRgb(0, 128, 0), 0, 2}},
        {LineType::Limit, {LineColor::fromRgb(0, 0, 255), 1, 1}},
        {LineType::Deads, {LineColor::fromRgb(255, 0, 0), 0, 4}},
    };
    for (const auto &d : defaults)
        if (lineType == d.type) return d.settings;
    return {};
}

ModelChart ComputeModelChart(data::Query &query, const std::string &plot, const std::string &species,
                             const std::vector<data::YearColumn> &years, const ModelSettings &settings,
                             common::MessageSink &sink)
{
    const TreeValues trees = ReadTreeValues(query, plot, species, years);
    ModelChart chart;
    const auto list = BuildTransitList(trees, plot, years, settings.interval, settings.valueType);
    chart.series = ComputeYearStatistics(trees, settings.valueType);
    chart.lines = ModelChartLines(list, chart.series, years, settings, sink);
    return chart;
}

} // namespace model
