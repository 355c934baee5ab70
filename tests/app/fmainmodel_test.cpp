// The page "Single plot model": its entry, the chart it draws from the selection with the line
// settings of Graph.ini, automatic recalculation and its failures.
#include "app/fgraphparams.h"
#include "app/fmain.h"
#include "app/listbox.h"
#include "app/updown.h"
#include "charts/chart.h"
#include "charts/modelchart.h"
#include "common/graphsettings.h"
#include "common/messagesink.h"
#include "data/generator.h"
#include "data/treeselection.h"
#include "mainwindowtest.h"
#include "model/modelchart.h"
#include "treetable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

using namespace apptest;

class ModelPageTest : public MainWindowTest
{
protected:
    // A generated table of 300 trees on 3 plots, surveyed 1995 to 2000, with its side files; its
    // largest plot and species is P00000 / BO with 100 trees.
    void startGenerated()
    {
        data::GeneratorSettings settings;
        settings.trees = 300;
        settings.plots = 3;
        settings.years = 6;
        data::generateTable(dataDir / "GEN.DBF", settings);
        startOn(dataDir / "GEN.DBF");
        mainPage()->BtnSetOKClick();
    }

    // The chart the core computes for the selection on a connection of its own.
    model::ModelChart expectedChart(const std::string &plot, const std::string &species,
                                    const model::ModelSettings &settings)
    {
        data::Connection connection;
        connection.setParam("PATH", form->state().dataDir());
        connection.open();
        data::Query query(connection);
        data::prepareTreeQuery(query, form->state().tableFile(), form->state().fieldRoles(),
                               form->state().conditions());
        common::NullSink quiet;
        return model::ComputeModelChart(query, plot, species, form->yearList(), settings, quiet);
    }

    charts::LineSeries &line(int index)
    {
        return static_cast<charts::LineSeries &>(
            control<charts::Chart>(form.get(), "ChartTModel")->series(index));
    }
};

TEST_F(ModelPageTest, EntrySetsTitleAndPreparesTheSelectedTrees)
{
    startCrown();
    select("B0101", "FA");
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->titleLines(),
              QStringList{"Plot B0101 - species FA"});
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), 0);
    EXPECT_TRUE(form->state().Query1.isPrepared());
    EXPECT_EQ(form->state().Query1.sqlLines().front(), "SELECT * FROM 'SCBI_CROWN.DBF'");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->bottomAxis().title(), "Year");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->leftAxis().title(),
              "Defoliation / Deads share [%]");
    EXPECT_FALSE(control<charts::Chart>(form.get(), "ChartTModel")->legendVisible());
    for (QPushButton *b :
         {control<QPushButton>(form.get(), "BtnProperties"), control<QPushButton>(form.get(), "BtnPrint"),
          control<QPushButton>(form.get(), "BtnSave")})
        EXPECT_TRUE(b->isEnabled());

    // Back to the main page and in again with automatic calculation: drawn at once.
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetMain"));
    control<QCheckBox>(form.get(), "CB_Auto")->setChecked(true);
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    EXPECT_GT(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), 4);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ModelPageTest, ChartHasTheCoreLinesInTheLineSettings)
{
    startGenerated();
    select("P00000", "BO");
    form->state().GraphSettings = {"LCavg=0000FF00", "LWdeads=3", "[other]", "LSdeads="};
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    control<QPushButton>(form.get(), "BtnSingleM")->click();
    ASSERT_EQ(dialogs.pending(), 0u);

    const auto expected = expectedChart("P00000", "BO", modelPage()->modelChartSettings());
    ASSERT_GT(expected.lines.size(), 4u);
    ASSERT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(),
              static_cast<int>(expected.lines.size()));
    for (size_t i = 0; i < expected.lines.size(); ++i) {
        const auto &want = expected.lines[i];
        auto &got = line(static_cast<int>(i));
        EXPECT_EQ(got.title().toStdString(), want.title) << i;
        ASSERT_EQ(got.pointCount(), static_cast<int>(want.points.size())) << want.title;
        for (size_t p = 0; p < want.points.size(); ++p) {
            EXPECT_EQ(got.points()[p].x, want.points[p].x);
            EXPECT_EQ(got.points()[p].y, want.points[p].y);
        }
    }
    const int n = control<charts::Chart>(form.get(), "ChartTModel")->seriesCount();
    EXPECT_EQ(line(n - 4).title(), "Average def.");
    EXPECT_EQ(line(n - 1).title(), "Deads");
    // Stored settings win over the defaults; an empty one takes the default and stores it.
    EXPECT_EQ(line(n - 4).color(), QColor(0, 0, 255));
    EXPECT_EQ(line(n - 4).penWidth(), 2);
    EXPECT_EQ(line(n - 1).penWidth(), 3);
    EXPECT_EQ(line(n - 1).color(), QColor(255, 0, 0));
    EXPECT_EQ(line(n - 3).penStyle(), 1);
    EXPECT_EQ(line(n - 3).color(), QColor(0, 0, 255));

    // Missing keys are stored width, style, colour, line type by line type as first drawn.
    const std::vector<std::string> &s = form->state().GraphSettings;
    ASSERT_GE(s.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(s.begin(), s.begin() + 4),
              (std::vector<std::string>{"LCavg=0000FF00", "LWdeads=3", "[other]", "LSdeads=0"}));
    auto position = [&](const std::string &line) {
        return std::find(s.begin(), s.end(), line) - s.begin();
    };
    EXPECT_LT(position("LWmodel0=1"), position("LSmodel0=0"));
    EXPECT_LT(position("LSmodel0=0"), position("LCmodel0=00000000"));
    EXPECT_LT(position("LCmodel0=00000000"), position("LWavg=2"));
    EXPECT_LT(position("LWavg=2"), position("LSavg=0"));
    EXPECT_LT(position("LWlimit=1"), position("LSlimit=1"));
    EXPECT_LT(position("LSlimit=1"), position("LClimit=0000FF00"));
    EXPECT_EQ(s.back(), "LCdeads=FF000000");
}

TEST_F(ModelPageTest, AutomaticCalculationFollowsTheSettings)
{
    startGenerated();
    select("P00000", "BO");
    control<QCheckBox>(form.get(), "CB_Auto")->setChecked(true);
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    ASSERT_GT(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), 4);

    // The up arrow of the interval recomputes with two years per step.
    control<app::UpDown>(form.get(), "UpDown1")->step(+1);
    EXPECT_EQ(control<QLineEdit>(form.get(), "EditInterval")->text(), "2");
    auto settings = modelPage()->modelChartSettings();
    EXPECT_EQ(settings.interval, 2);
    const auto two = expectedChart("P00000", "BO", settings);
    ASSERT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(),
              static_cast<int>(two.lines.size()));
    const auto &first = line(0).points();
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first[1].x - first[0].x, 2);

    // "Max deads %" at 0: every curve that starts with any dead share is "model1" from the start.
    control<QLineEdit>(form.get(), "EditMaxDeads")->setText("0");
    settings = modelPage()->modelChartSettings();
    const auto zero = expectedChart("P00000", "BO", settings);
    ASSERT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(),
              static_cast<int>(zero.lines.size()));
    auto model1Lines = [](const model::ModelChart &chart) {
        return std::count_if(chart.lines.begin(), chart.lines.end(),
                             [](const model::ChartLine &l) { return l.lineType == "model1"; });
    };
    EXPECT_GT(model1Lines(zero), model1Lines(two));
    for (size_t i = 0; i < zero.lines.size(); ++i) {
        EXPECT_EQ(line(static_cast<int>(i)).title().toStdString(), zero.lines[i].title);
        if (zero.lines[i].lineType == "model1") {
            EXPECT_EQ(line(static_cast<int>(i)).penStyle(), 2);
        }
    }

    // A setting typed wrong is refused naming its field, and the chart stays as it was.
    const int drawn = control<charts::Chart>(form.get(), "ChartTModel")->seriesCount();
    for (const char *typed : {"x", "0", "11", ""}) {
        dialogs.expectMessage(app::MessageKind::Error, "Interval must be a whole number from 1 to 10",
                              app::Button::Ok);
        control<QLineEdit>(form.get(), "EditInterval")->setText(typed);
        EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), drawn) << typed;
    }
    control<QLineEdit>(form.get(), "EditInterval")->setText("2");
    dialogs.expectMessage(app::MessageKind::Error, "Max deads % must be a number", app::Button::Ok);
    control<QLineEdit>(form.get(), "EditMaxDeads")->setText("half");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), drawn);

    // Without automatic calculation a change leaves the chart as it is.
    control<QCheckBox>(form.get(), "CB_Auto")->setChecked(false);
    control<charts::Chart>(form.get(), "ChartTModel")->clearSeries();
    control<QLineEdit>(form.get(), "EditMaxDeads")->setText("0");
    control<QLineEdit>(form.get(), "EditInterval")->setText("1");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), 0);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ModelPageTest, FewTreesWarnAndDrawEmptyObservedLines)
{
    startTrees();
    select("A1", "SM");
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->titleLines(),
              QStringList{"Plot A1 - species SM"});
    dialogs.expectMessage(app::MessageKind::Warning, "No transition matrix was calculated", app::Button::Ok);
    control<QPushButton>(form.get(), "BtnSingleM")->click();
    ASSERT_EQ(dialogs.pending(), 0u);
    ASSERT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), 4);
    const QStringList titles{"Average def.", "AVG+n(%)STD", "AVG-n(%)STD", "Deads"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(line(i).title(), titles[i]);
        EXPECT_EQ(line(i).pointCount(), 0);
    }
    EXPECT_EQ(form->state().YearDefAvg, (std::vector<double>{-1, -1}));
}

} // namespace

namespace {

// "Uncertainty band" in the line settings dialog: applied, the next chart has a translucent area in
// each model line's colour under all lines, with the band the core computes; off again, the chart
// is the plain one.
TEST_F(ModelPageTest, TheBandOptionDrawsATranslucentAreaUnderEachModelCurve)
{
    startGenerated();
    select("P00000", "BO");
    form->state().GraphSettings = {"LCmodel0=00FF0000"};
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    control<QPushButton>(form.get(), "BtnSingleM")->click();
    const int plain = control<charts::Chart>(form.get(), "ChartTModel")->seriesCount();
    const QImage before = control<charts::Chart>(form.get(), "ChartTModel")->toImage(QSize(680, 392));

    auto setBand = [&](bool on) {
        dialogs.expectModal("FormGraphParams", [&](QDialog &d) {
            auto *band = d.findChild<QCheckBox *>("CBband");
            EXPECT_TRUE(band);
            if (band && band->isChecked() != on) band->click();
            d.findChild<QPushButton *>("BtnApply")->click();
            return int(QDialog::Accepted);
        });
        control<QToolButton>(form.get(), "BtnGraphLines")->click();
    };
    setBand(true);
    EXPECT_EQ(common::SettingValue(form->state().GraphSettings, "BandOn"), "1");
    control<QPushButton>(form.get(), "BtnSingleM")->click();
    ASSERT_EQ(dialogs.pending(), 0u);

    const auto settings = modelPage()->modelChartSettings();
    ASSERT_TRUE(settings.band);
    EXPECT_EQ(settings.band->level, 0.95);
    const auto expected = expectedChart("P00000", "BO", settings);
    std::vector<const model::ChartLine *> banded;
    for (const auto &l : expected.lines)
        if (!l.band.empty()) banded.push_back(&l);
    ASSERT_FALSE(banded.empty());
    ASSERT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(),
              plain + static_cast<int>(banded.size()));
    for (std::size_t i = 0; i < banded.size(); ++i) {
        auto *area = dynamic_cast<charts::AreaSeries *>(
            &control<charts::Chart>(form.get(), "ChartTModel")->series(static_cast<int>(i)));
        ASSERT_TRUE(area) << i;
        EXPECT_EQ(area->rangeCount(), static_cast<int>(banded[i]->points.size()));
        const QColor want =
            banded[i]->lineType == model::LineType::Model0 ? QColor(0, 255, 0) : QColor(255, 0, 0);
        EXPECT_EQ(area->color(), QColor(want.red(), want.green(), want.blue(), charts::kBandAlpha)) << i;
    }
    // The fill is drawn: pixels the plain chart left white are tinted green, not covered.
    const QImage after = control<charts::Chart>(form.get(), "ChartTModel")->toImage(QSize(680, 392));
    int tinted = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QColor a = after.pixelColor(x, y);
            if (before.pixelColor(x, y) == Qt::white && a != Qt::white && a.green() == 255 && a.red() < 255)
                ++tinted;
        }
    EXPECT_GT(tinted, 100);

    setBand(false);
    control<QPushButton>(form.get(), "BtnSingleM")->click();
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->seriesCount(), plain);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->toImage(QSize(680, 392)), before);
    EXPECT_EQ(dialogs.pending(), 0u);
}

using namespace apptest;

// Viewing a line type in the line settings dialog stores nothing: it shows the model chart's own
// default, and the chart then draws that line as before. The dialog is created once and kept.
TEST_F(MainWindowTest, ViewingALineInTheDialogLeavesTheChartsLook)
{
    startTrees();
    QDialog *first = nullptr;
    dialogs.expectModal("FormGraphParams", [&](QDialog &d) {
        first = &d;
        auto &params = static_cast<app::TFormGraphParams &>(d);
        EXPECT_EQ(d.windowTitle(), "Graph parameters");
        params.CBlinetype->setCurrentText("deads");
        EXPECT_EQ(params.lineSettings(), (common::LineSettings{common::LineColor::fromRgb(255, 0, 0), 0, 4}));
        return int(QDialog::Rejected);
    });
    control<QToolButton>(form.get(), "BtnGraphLines")->click();
    EXPECT_EQ(common::SettingValue(form->state().GraphSettings, "LCdeads"), "");

    select("B2", "sm");
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
    dialogs.expectMessage(app::MessageKind::Warning, "No transition matrix was calculated", app::Button::Ok);
    control<QPushButton>(form.get(), "BtnSingleM")->click();
    const auto &deads =
        static_cast<charts::LineSeries &>(control<charts::Chart>(form.get(), "ChartTModel")->series(3));
    EXPECT_EQ(deads.title(), "Deads");
    EXPECT_EQ(deads.color(), QColor(255, 0, 0));
    EXPECT_EQ(deads.penWidth(), 4);
    EXPECT_EQ(deads.penStyle(), 0);

    dialogs.expectModal("FormGraphParams", [&](QDialog &d) {
        EXPECT_EQ(&d, first);
        EXPECT_EQ(static_cast<app::TFormGraphParams &>(d).CBlinetype->currentText(), "deads");
        return int(QDialog::Rejected);
    });
    control<QToolButton>(form.get(), "BtnGraphLines")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
}

} // namespace
