// The uncertainty band of a model projection: the gamma and Dirichlet draws, the band's width as the
// counts grow, its repeatability, and the band carried by the model chart's lines.
#include "model/projectionband.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "model/modelchart.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(GammaVariate, HasTheMeanAndVarianceOfItsShape)
{
    // gamma(alpha, 1) has mean and variance alpha. 200,000 draws put the sample mean within about
    // 0.3 % of sqrt(alpha / N) standard errors; 5 standard errors is the tolerance. 0.5 takes the
    // boost branch, the others the Marsaglia-Tsang loop.
    std::mt19937_64 engine(1);
    for (double alpha : {0.5, 1.0, 2.5, 40.5}) {
        constexpr int kN = 200000;
        double sum = 0, sumSq = 0;
        for (int i = 0; i < kN; ++i) {
            const double g = model::GammaVariate(engine, alpha);
            ASSERT_GT(g, 0);
            sum += g;
            sumSq += g * g;
        }
        const double mean = sum / kN;
        const double variance = sumSq / kN - mean * mean;
        EXPECT_NEAR(mean, alpha, 5 * std::sqrt(alpha / kN)) << alpha;
        // The variance of the sample variance of a gamma is about (2 alpha² + 6 alpha) / N.
        EXPECT_NEAR(variance, alpha, 5 * std::sqrt((2 * alpha * alpha + 6 * alpha) / kN)) << alpha;
    }
}

TEST(DrawTransitMatrix, DrawsObservedRowsAroundTheCountsAndKeepsAssumedRows)
{
    const TTransit record = recordOf(kMixed);
    std::mt19937_64 engine(7);
    constexpr int kDraws = 20000;
    Counts mean{};
    for (int k = 0; k < kDraws; ++k) {
        const auto m = model::DrawTransitMatrix(record, engine);
        for (std::size_t a : {0u, 4u})
            for (std::size_t b = 0; b < 6; ++b)
                ASSERT_EQ(m[a][b], a == b ? 1.0 : 0.0) << "assumed row " << a;
        for (std::size_t a : {1u, 2u, 3u, 5u}) {
            double sum = 0;
            for (std::size_t b = 0; b < 6; ++b) {
                ASSERT_GT(m[a][b], 0); // +0.5 in every cell: no cell is ever exactly 0
                sum += m[a][b];
                mean[a][b] += m[a][b] / kDraws;
            }
            ASSERT_NEAR(sum, 1, 1e-12);
        }
    }
    // The Dirichlet(n_ij + 0.5) mean is (n_ij + 0.5) / (n_i + 3); its standard deviation is below
    // 0.07 here, so 20,000 draws give the mean to about 0.0005.
    for (std::size_t a : {1u, 2u, 3u, 5u})
        for (std::size_t b = 0; b < 6; ++b)
            EXPECT_NEAR(mean[a][b], (kMixed[a][b] + 0.5) / (record.RowSum[a] + 3), 0.003) << a << "," << b;
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
    // the quantile changes what users were shown. The draws use only the generator's integers,
    // arithmetic, sqrt, log and exp, so other machines agree to the last digits.
    EXPECT_NEAR(band[1].lo, 42.173747453450837, 1e-9);
    EXPECT_NEAR(band[1].hi, 46.288346099422007, 1e-9);
    EXPECT_NEAR(band[10].lo, 46.427627513698589, 1e-9);
    EXPECT_NEAR(band[10].hi, 70.83374514793644, 1e-9);

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
    // 95 % band's width is known to a few per cent, and the +0.5 weighs a little less with more
    // trees, so the ratio is checked to within 15 %.
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

TEST(ProjectionBand, OfTreesThatAllStayIsNarrowButNotNil)
{
    // 40 trees of class 2 that all stay: the curve is flat at 42.5. The +0.5 in each cell lets a
    // draw move a little of class 2 into the other classes, so the band is not of width 0; it is
    // narrow, and it narrows like 1/n (the moved share is about 2.5 / (n + 3)), faster than a
    // band from observed moves.
    Counts stay{};
    stay[2][2] = 40;
    const auto band = model::ProjectionBand(recordOf(stay), BandSettings{});
    const auto band4 = model::ProjectionBand(recordOf(stay, 4), BandSettings{});
    EXPECT_EQ(width(band[0]), 0);
    for (std::size_t step = 1; step < band.size(); ++step) {
        EXPECT_GT(width(band[step]), 0) << step;
        EXPECT_LT(band[step].lo, 42.5 + 1e-9);
        EXPECT_GT(band[step].hi, 42.5 - 1e-9);
    }
    // After one step the moved share is below about 0.15 (97.5 % quantile), so the average moves by
    // at most a few points; 4 times the trees: well under half as wide.
    EXPECT_LT(width(band[1]), 10);
    EXPECT_LT(width(band4[10]), 0.4 * width(band[10]));
}

TEST(ProjectionBand, RefusesSettingsOutOfRange)
{
    const TTransit record = recordOf(kMixed);
    const BandSettings bad[] = {{0, 1000, 1},
                                {1, 1000, 1},
                                {-0.5, 1000, 1},
                                {NAN, 1000, 1},
                                {0.9, 0, 1},
                                {0.9, -3, 1},
                                {0.9, model::kMaxBandDraws + 1, 1}};
    for (const auto &settings : bad)
        EXPECT_THROW(model::ProjectionBand(record, settings), common::Error)
            << settings.level << " " << settings.draws;
    // One draw is a (degenerate) band: both ends are that draw.
    const auto one = model::ProjectionBand(record, {0.9, 1, 1});
    for (const auto &r : one)
        EXPECT_EQ(r.lo, r.hi);
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
