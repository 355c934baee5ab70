// The regression chart: the look of the chart and one series with its polynomials drawn into it.
// The regression page and the pictures of the command line draw through these, so that they show
// the same thing; neither needs a window, only a chart.
#pragma once

#include "charts/chart.h"

namespace stats {
class TStatistics;
}

namespace charts {

// On white (a colour of its own, not the window background), both axes follow the data, the legend
// is hidden, no title.
void setupRegressionChart(Chart &chart);

// Adds what the series draws (TStatistics::DrawRegression) to the chart: with data the points as a
// point series "Data", black circles; then the fitted polynomial as a line "Regression (<degree>)",
// solid red, width 1. Without a polynomial the series warns "Regression was not calculated" through
// its sink and only the points are added. Earlier series stay: call Chart::clearSeries first for a
// fresh picture.
void DrawRegression(Chart &chart, const stats::TStatistics &series, bool withData);

} // namespace charts
