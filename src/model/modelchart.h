// The lines of the single-plot model chart as data: one model curve per transition record (switching
// to the "model1" line type once the modelled class-5 share passes "Max deads %"), the observed
// average, its two limits and the dead share. The window's chart draws them; fenoris-cli prints them.
#pragma once

#include "common/graphsettings.h"
#include "model/modelsettings.h"
#include "model/transitlist.h"
#include "model/yearstatistics.h"

#include <optional>
#include <string>
#include <vector>

namespace common {
class MessageSink;
}

namespace model {

// The line types under which the line settings (colour, pen style, width) are kept.
namespace LineType {
inline constexpr const char *Model0 = "model0"; // model curve while the class-5 share is at most the maximum
inline constexpr const char *Model1 = "model1"; // model curve once the class-5 share is above it
inline constexpr const char *Avg = "avg";       // "Average def."
inline constexpr const char *Limit = "limit";   // "AVG+n(%)STD" and "AVG-n(%)STD"
inline constexpr const char *Deads = "deads";   // "Deads"
} // namespace LineType

// Colour, pen style and width of a line type when Graph.ini has none: "model0" black solid 1,
// "model1" red dotted 1, "avg" green (0, 128, 0) solid 2, "limit" blue dashed 1, "deads" red solid 4.
// Any other type takes black solid 1.
common::LineSettings ModelLineDefaults(const std::string &lineType);

inline constexpr const char *kNoTransitionMessage = "No transition matrix was calculated";

struct ChartPoint
{
    double x = 0;
    double y = 0;
    bool operator==(const ChartPoint &) const = default;
};

struct ChartLine
{
    std::string title;
    std::string lineType;           // one of LineType
    std::vector<ChartPoint> points; // in the order added; the chart shows them by ascending x
    // A model line's uncertainty band, one range per point, when the settings ask for one; else empty.
    std::vector<BandRange> band;
};

// Model steps per transition record.
inline constexpr int kModelSteps = 10;

// The chart's lines in drawing order: the model lines of the records from the last to the first,
// each followed by its untitled "model1" continuation when the curve switches (the continuation
// starts at the last point of the line before it), then "Average def.", "AVG+n(%)STD" (at most 100),
// "AVG-n(%)STD" (at least 0) and "Deads" over the years with statistics. With settings.band, every
// model line carries the band of its record (see ProjectionBand) at its points. No list or an empty one
// sends the warning "No transition matrix was calculated" to sink; the observed lines come all the same.
std::vector<ChartLine> ModelChartLines(const std::optional<std::vector<TTransit>> &list,
                                       const YearSeries &series, const std::vector<data::YearColumn> &years,
                                       const ModelSettings &settings, common::MessageSink &sink);

struct ModelChart
{
    YearSeries series; // the yearly statistics the observed lines come from
    std::vector<ChartLine> lines;
};

// The whole chart of one plot and species from the prepared selected-trees query, which is read once.
ModelChart ComputeModelChart(data::Query &query, const std::string &plot, const std::string &species,
                             const std::vector<data::YearColumn> &years, const ModelSettings &settings,
                             common::MessageSink &sink);

} // namespace model
