// The uncertainty band of a model projection: the bootstrap draws, the band's width as the counts
// grow, its repeatability, its coverage in simulated plots, and the band carried by the chart's lines.
#include "model/projectionband.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "model/modelchart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>

using model::BandRange;
using model::BandSettings;
using model::TTransit;

namespace {

using Counts = std::array<std::array<double, 6>, 6>;

// A record of 2000 with these tree counts: shares and row sums as BuildTransitList leaves them.
TTransit recordOf(const Counts &counts, double factor = 1)
{
    TTransit r;
    r.Plot = "A1";
    r.Year = 2000;
    r.FromField = "D2000";
    r.ToField = "D2001";
    r.Valid = true;
    for (std::size_t a = 0; a < 6; ++a) {
        for (std::size_t b = 0; b < 6; ++b) {
            r.Count[a][b] = counts[a][b] * factor;
            r.RowSum[a] += r.Count[a][b];
        }
        for (std::size_t b = 0; b < 6; ++b)
            r.T[a][b] = r.RowSum[a] > 0 ? r.Count[a][b] / r.RowSum[a] : (a == b ? 1 : 0);
        r.NTree += static_cast<int>(r.RowSum[a]);
    }
    return r;
}

// Trees in classes 1 to 3 that mostly stay, some a class worse, a few die; classes 0 and 4 without
// trees, so their rows are assumed.
const Counts kMixed = {{
    {0, 0, 0, 0, 0, 0},
    {0, 30, 12, 2, 0, 1},
    {0, 4, 40, 10, 1, 1},
    {0, 0, 3, 20, 6, 2},
    {0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 5},
}};

double width(const BandRange &r)
{
    return r.hi - r.lo;
}

TEST(DrawTransitMatrix, DrawsObservedRowsAsCountsOfTheirTreesAndKeepsTheOthers)
{
    // Row 5 (5 dead trees, all stayed) and the assumed rows 0 and 4 are the same in every draw; the
    // other rows are multinomial counts of their n trees over their shares: every share a multiple of
    // 1/n, mean p and variance p (1 - p) / n.
    const TTransit record = recordOf(kMixed);
    std::mt19937_64 engine(7);
    constexpr int kDraws = 20000;
    Counts mean{}, square{};
    for (int k = 0; k < kDraws; ++k) {
        const auto m = model::DrawTransitMatrix(record, engine);
        for (std::size_t a : {0u, 4u, 5u})
            for (std::size_t b = 0; b < 6; ++b)
                ASSERT_EQ(m[a][b], a == b ? 1.0 : 0.0) << "row " << a;
        for (std::size_t a : {1u, 2u, 3u}) {
            double sum = 0;
            for (std::size_t b = 0; b < 6; ++b) {
                const double trees = m[a][b] * record.RowSum[a];
                ASSERT_NEAR(trees, std::round(trees), 1e-9);
                if (kMixed[a][b] == 0) {
                    ASSERT_EQ(m[a][b], 0) << "a move no tree made";
                }
                sum += m[a][b];
                mean[a][b] += m[a][b] / kDraws;
                square[a][b] += m[a][b] * m[a][b] / kDraws;
            }
            ASSERT_NEAR(sum, 1, 1e-12);
        }
    }
    // The standard deviation of a share is below 0.08 here: 20,000 draws give its mean to 0.0006.
    for (std::size_t a : {1u, 2u, 3u})
        for (std::size_t b = 0; b < 6; ++b) {
            const double p = record.T[a][b], n = record.RowSum[a];
            EXPECT_NEAR(mean[a][b], p, 0.003) << a << "," << b;
            EXPECT_NEAR(square[a][b] - mean[a][b] * mean[a][b], p * (1 - p) / n,
                        0.1 * p * (1 - p) / n + 1e-12)
                << a << "," << b;
        }
    // Counts that are not whole trees are no multinomial.
    TTransit broken = record;
    broken.Count[1][1] = 29.5;
    EXPECT_THROW(model::MatrixSampler{broken}, common::MathError);
}

TEST(ProjectionBand, IsRepeatableForASeedAndLiesAroundTheCurve)
{
    const TTransit record = recordOf(kMixed);
    const BandSettings settings;
    const auto band = model::ProjectionBand(record, settings);
    ASSERT_EQ(band.size(), static_cast<std::size_t>(model::kModelSteps + 1));
    EXPECT_EQ(model::ProjectionBand(record, settings), band);
    BandSettings other = settings;
    other.seed = settings.seed + 1;
    EXPECT_NE(model::ProjectionBand(record, other), band);
    // The default seed's band as it was first computed: a change of the generator, the sampler or
    // the quantile changes what users were shown. The draws use only the generator's integers and
    // divisions of whole counts, so other machines agree to the last digits.
    EXPECT_NEAR(band[1].lo, 42.34245669291338, 1e-9);
    EXPECT_NEAR(band[1].hi, 46.468253968253961, 1e-9);
    EXPECT_NEAR(band[10].lo, 54.998042229693013, 1e-9);
    EXPECT_NEAR(band[10].hi, 74.943167475175699, 1e-9);

    // The same draws projected and sorted here, their quantiles taken by SortedQuantile: the band
    // picks the same order statistics without sorting.
    {
        const model::MatrixSampler sampler(record);
        std::mt19937_64 engine(settings.seed);
        std::vector<std::vector<double>> averages(band.size());
        for (int k = 0; k < settings.draws; ++k) {
            model::TransitMatrix m;
            sampler.draw(engine, m);
            model::Distribution p{};
            averages[0].push_back(model::ModelStart(record, p));
            for (std::size_t step = 1; step < band.size(); ++step)
                averages[step].push_back(model::ModelStep(m, p));
        }
        for (std::size_t step = 0; step < band.size(); ++step) {
            std::sort(averages[step].begin(), averages[step].end());
            EXPECT_EQ(band[step],
                      (BandRange{model::SortedQuantile(averages[step], (1 - settings.level) / 2),
                                 model::SortedQuantile(averages[step], (1 + settings.level) / 2)}))
                << step;
        }
    }

    model::Distribution p{};
    double curve = model::ModelStart(record, p);
    // Every draw starts from the same first-year distribution.
    EXPECT_EQ(band[0].lo, curve);
    EXPECT_EQ(band[0].hi, curve);
    for (std::size_t step = 1; step < band.size(); ++step) {
        curve = model::ModelStep(record, p);
        EXPECT_LT(band[step].lo, curve) << step;
        EXPECT_GT(band[step].hi, curve) << step;
        // The uncertainty of the matrix compounds: the band widens step by step.
        EXPECT_GT(width(band[step]), width(band[step - 1])) << step;
    }
    // A wider level holds the narrower band.
    BandSettings narrow = settings;
    narrow.level = 0.5;
    const auto inner = model::ProjectionBand(record, narrow);
    for (std::size_t step = 1; step < band.size(); ++step) {
        EXPECT_GT(inner[step].lo, band[step].lo);
        EXPECT_LT(inner[step].hi, band[step].hi);
    }
}

TEST(ProjectionBand, NarrowsWithTheSquareRootOfTheCounts)
{
    // Four times the trees in the same shares: the band's width falls by about 2. At 4,000 draws a
    // 95 % band's width is known to a few per cent, so the ratio is checked to within 15 %.
    BandSettings settings;
    settings.draws = 4000;
    const auto few = model::ProjectionBand(recordOf(kMixed), settings);
    const auto many = model::ProjectionBand(recordOf(kMixed, 4), settings);
    const auto twice = model::ProjectionBand(recordOf(kMixed, 2), settings);
    for (std::size_t step : {3u, 10u}) {
        EXPECT_NEAR(width(few[step]) / width(many[step]), 2.0, 0.3) << step;
        EXPECT_NEAR(width(few[step]) / width(twice[step]), std::sqrt(2.0), 0.21) << step;
    }
}

TEST(ProjectionBand, OfRowsWhoseTreesAllMadeOneMoveIsTheCurve)
{
    // 20 trees of class 0 that all stayed: the curve is flat at 5 and so is every draw. And a plot
    // whose class-1 trees all went to class 2 while class 2 stayed: no row can vary, no width.
    Counts stay{};
    stay[0][0] = 20;
    Counts oneMove{};
    oneMove[1][2] = 12;
    oneMove[2][2] = 30;
    for (const Counts &counts : {stay, oneMove}) {
        const TTransit record = recordOf(counts);
        const auto band = model::ProjectionBand(record, BandSettings{});
        model::Distribution p{};
        double curve = model::ModelStart(record, p);
        for (std::size_t step = 0; step < band.size(); ++step) {
            if (step > 0) curve = model::ModelStep(record, p);
            EXPECT_EQ(band[step], (BandRange{curve, curve})) << step;
        }
    }
}

TEST(ProjectionBand, RefusesSettingsOutOfRangeAndTooFewDrawsForTheLevel)
{
    const TTransit record = recordOf(kMixed);
    const BandSettings bad[] = {{0, 1000, 1},
                                {1, 1000, 1},
                                {-0.5, 1000, 1},
                                {NAN, 1000, 1},
                                {0.9, 0, 1},
                                {0.9, -3, 1},
                                {0.9, model::kMaxBandDraws + 1, 1},
                                {0.9, 1, 1},
                                {0.95, 399, 1},
                                {0.99, 1000, 1},
                                {0.9999999999999999, model::kMaxBandDraws, 1}};
    for (const auto &settings : bad)
        EXPECT_THROW(model::ProjectionBand(record, settings), common::Error)
            << settings.level << " " << settings.draws;
    // The message names the fewest draws.
    try {
        model::CheckBandSettings({0.99, 1000, 1});
        ADD_FAILURE() << "1000 draws at 0.99 accepted";
    } catch (const common::Error &e) {
        EXPECT_NE(std::string(e.what()).find("at least 2000 draws"), std::string::npos) << e.what();
    }
    // 10 draws beyond each end: (1 - L) / 2 B >= 10.
    const std::pair<double, int> least[] = {{0.5, 40}, {0.9, 200}, {0.95, 400}, {0.98, 1000}, {0.99, 2000}};
    for (const auto &[level, draws] : least) {
        EXPECT_EQ(model::MinBandDraws(level), draws) << level;
        EXPECT_NO_THROW(model::ProjectionBand(record, {level, draws, 1})) << level;
        EXPECT_EQ(model::DefaultBandDraws(level), std::max(draws, model::kDefaultBandDraws)) << level;
    }
    EXPECT_THROW(model::DefaultBandDraws(0.9999999999999999), common::Error);
}

// Plots whose trees start in fixed classes and move by a known matrix: the band of the estimated
// matrix at 90 % covers the true expected average, the average of x0 P^k, at every step in most
// plots. A percentile bootstrap runs a little under its level with few trees per row, and the
// coverage at all ten steps at once is below the coverage of one step.
TEST(ProjectionBand, CoversTheTrueCurveInSimulatedPlots)
{
    const model::TransitMatrix truth = {{
        {0.70, 0.25, 0.05, 0.00, 0.00, 0.00},
        {0.10, 0.65, 0.20, 0.04, 0.00, 0.01},
        {0.00, 0.10, 0.65, 0.20, 0.03, 0.02},
        {0.00, 0.00, 0.10, 0.65, 0.20, 0.05},
        {0.00, 0.00, 0.00, 0.10, 0.70, 0.20},
        {0.00, 0.00, 0.00, 0.00, 0.00, 1.00},
    }};
    // Start shares of the classes 0 to 4 (no dead trees at first: the dead row stays assumed, and is).
    const std::array<double, 5> startShare = {0.3, 0.3, 0.2, 0.1, 0.1};
    constexpr int kPlots = 400;
    std::mt19937_64 engine(2026);
    std::uniform_real_distribution<double> uniform; // the simulation's own draws: any library will do
    for (const int trees : {30, 100, 300}) {
        std::array<int, 6> start{};
        int placed = 0;
        for (std::size_t a = 0; a < 5; ++a) {
            start[a] = a == 4 ? trees - placed : static_cast<int>(std::lround(startShare[a] * trees));
            placed += start[a];
        }
        model::Distribution x0{};
        for (std::size_t a = 0; a < 6; ++a)
            x0[a] = static_cast<double>(start[a]) / trees;
        std::array<double, model::kModelSteps + 1> expected{};
        {
            model::Distribution p = x0;
            expected[0] = model::ModelAverage(p);
            for (std::size_t k = 1; k < expected.size(); ++k) {
                model::Distribution next{};
                for (std::size_t a = 0; a < 6; ++a)
                    for (std::size_t b = 0; b < 6; ++b)
                        next[b] += p[a] * truth[a][b];
                p = next;
                expected[k] = model::ModelAverage(p);
            }
        }
        int covered = 0;
        for (int plot = 0; plot < kPlots; ++plot) {
            Counts counts{};
            for (std::size_t a = 0; a < 6; ++a)
                for (int t = 0; t < start[a]; ++t) {
                    double u = uniform(engine);
                    std::size_t b = 0;
                    while (b < 5 && u >= truth[a][b])
                        u -= truth[a][b++];
                    counts[a][b] += 1;
                }
            const TTransit record = recordOf(counts);
            const auto band = model::ProjectionBand(record, {0.9, 1000, model::kDefaultBandSeed});
            bool inside = true;
            model::Distribution p{};
            double curve = model::ModelStart(record, p);
            for (std::size_t k = 0; k < band.size(); ++k) {
                if (k > 0) curve = model::ModelStep(record, p);
                // The band holds its own curve.
                EXPECT_LE(band[k].lo, curve + 1e-9) << trees << " trees, plot " << plot << ", step " << k;
                EXPECT_GE(band[k].hi, curve - 1e-9) << trees << " trees, plot " << plot << ", step " << k;
                inside = inside && band[k].lo <= expected[k] + 1e-9 && expected[k] <= band[k].hi + 1e-9;
            }
            covered += inside ? 1 : 0;
        }
        const double coverage = static_cast<double>(covered) / kPlots;
        std::cout << trees << " trees: the band covers the true curve at every step in " << coverage << " of "
                  << kPlots << " plots\n";
        if (trees >= 100) {
            EXPECT_GE(coverage, 0.8) << trees << " trees";
        }
    }
}

TEST(SortedQuantile, InterpolatesBetweenOrderStatistics)
{
    // R: quantile(c(1, 2, 4, 8), c(0, 0.025, 0.5, 0.975, 1), type = 7) gives 1, 1.075, 3, 7.7, 8.
    const std::vector<double> x{1, 2, 4, 8};
    EXPECT_DOUBLE_EQ(model::SortedQuantile(x, 0), 1);
    EXPECT_DOUBLE_EQ(model::SortedQuantile(x, 0.025), 1.075);
    EXPECT_DOUBLE_EQ(model::SortedQuantile(x, 0.5), 3);
    EXPECT_DOUBLE_EQ(model::SortedQuantile(x, 0.975), 7.7);
    EXPECT_DOUBLE_EQ(model::SortedQuantile(x, 1), 8);
    EXPECT_DOUBLE_EQ(model::SortedQuantile({5}, 0.3), 5);
}

TEST(ModelChartLines, CarryTheBandOfTheirRecordAtEveryPoint)
{
    // Many deaths: the curve passes "Max deads %" and continues as an untitled "model1" line.
    Counts dying{};
    dying[1][1] = 20;
    dying[1][5] = 10;
    dying[5][5] = 2;
    const TTransit record = recordOf(dying);
    model::ModelSettings settings;
    settings.maxDeads = 50;
    common::RecordingSink sink;
    const auto plain = model::ModelChartLines(std::vector<TTransit>{record}, {}, {}, settings, sink);
    settings.band = BandSettings{};
    const auto banded = model::ModelChartLines(std::vector<TTransit>{record}, {}, {}, settings, sink);
    const auto band = model::ProjectionBand(record, *settings.band);

    ASSERT_EQ(banded.size(), plain.size());
    ASSERT_EQ(banded.size(), 6u); // two model lines and the four observed ones
    EXPECT_EQ(banded[1].title, "");
    std::size_t step = 0;
    for (std::size_t i = 0; i < banded.size(); ++i) {
        EXPECT_TRUE(plain[i].band.empty());
        EXPECT_EQ(banded[i].points, plain[i].points);
        if (i >= 2) {
            EXPECT_TRUE(banded[i].band.empty()) << banded[i].title;
            continue;
        }
        ASSERT_EQ(banded[i].band.size(), banded[i].points.size());
        // The continuation starts at the last step of the line before it.
        if (i == 1) --step;
        for (const auto &r : banded[i].band)
            EXPECT_EQ(r, band[step++]);
    }
    EXPECT_EQ(step, band.size());
}

} // namespace
