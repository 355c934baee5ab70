// The "Chart properties" dialog: the refresh on activation, each control's action on the chart with
// the axis refusals, the bevel and colour width rules, the series list and its menu (kinds, rename,
// styles, points to arrows, arrows, shapes with the memo dialog and bitmaps, delete), Save and Load,
// and the "Properties" buttons of both pages sharing the one dialog.
#include "app/fchartprop.h"
#include "app/fmemodlg.h"
#include "app/placement.h"
#include "charts/chart.h"
#include "charts/modelchart.h"
#include "charts/regressionchart.h"
#include "common/messagesink.h"
#include "controls.h"
#include "mainwindowtest.h"
#include "stats/statistics.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <optional>

namespace {

using app::MessageKind;
using app::TFormChartProp;
using apptest::control;
using apptest::ScriptedDialogs;
using charts::AxisId;

class ChartPropTest : public ::testing::Test
{
protected:
    ChartPropTest()
    {
        form.setTarget(&chart);
        form.FormActivate();
    }

    // The user leaves an edit or the title memo for another control.
    static void leave(QWidget *control)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(control, &out);
    }
    void type(QLineEdit *edit, const QString &text)
    {
        edit->setText(text);
        leave(edit);
    }
    template <class W> W *find(const char *name) const { return apptest::control<W>(&form, name); }
    QLineEdit *edit(const char *name) const { return find<QLineEdit>(name); }
    QCheckBox *box(const char *name) const { return find<QCheckBox>(name); }
    QPushButton *button(const char *name) const { return find<QPushButton>(name); }
    QAction *command(const char *name) const { return find<QAction>(name); }
    QMenu *menu(const char *name) const { return find<QMenu>(name); }
    // The i-th choice of a submenu of choices, as the user counts them.
    QAction *choice(const char *submenu, int i) const { return menu(submenu)->actions().at(i); }
    // The series menu about to open, as a right click on the list opens it.
    void popup() const
    {
        QMenu *series = menu("PopupSeries");
        series->popup(QPoint());
        series->hide();
    }
    QListWidget *list() const { return find<QListWidget>("ListSeries"); }
    // The user selects the entry, as a click does.
    void selectEntry(int row) { list()->setCurrentRow(row); }
    QStringList entries() const
    {
        QStringList items;
        for (int i = 0; i < list()->count(); ++i)
            items << list()->item(i)->text();
        return items;
    }
    charts::PointSeries &threePoints(const QString &title)
    {
        charts::PointSeries &points = chart.addPointSeries(title);
        points.addPoint(1, 2);
        points.addPoint(3, -1);
        points.addPoint(4, 4);
        return points;
    }

    testsupport::TempDir temp;
    ScriptedDialogs dialogs;
    charts::Chart chart;
    TFormChartProp form{dialogs};
};

TEST_F(ChartPropTest, TheRefreshShowsTheChartAndEveryActivationRereadsIt)
{
    EXPECT_EQ(form.windowTitle(), "Chart properties");
    EXPECT_FALSE(form.isModal());
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    chart.setTitleLines({"Plot 1", "Spruce"});
    chart.setTitleAlignment(charts::TitleAlignment::Right);
    chart.leftAxis().setAutomatic(false);
    chart.leftAxis().setRange(-0.5, 100);
    chart.leftAxis().setIncrement(12.5);
    chart.bottomAxis().setTitle("Year");
    chart.setLegendColorWidth(30);
    chart.addLineSeries("Average def.");

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activate);
    EXPECT_EQ(find<QPlainTextEdit>("MemoTitle")->toPlainText(), "Plot 1\nSpruce");
    EXPECT_EQ(find<QComboBox>("CB_TitleAlignment")->currentText(), "right");
    EXPECT_FALSE(box("CB_LeftAutomatic")->isChecked());
    EXPECT_EQ(edit("EditLeftMin")->text(), "-0.5");
    EXPECT_EQ(edit("EditLeftMax")->text(), "100");
    EXPECT_EQ(edit("EditLeftIncrement")->text(), "12.5");
    EXPECT_TRUE(edit("EditLeftMin")->isEnabled());
    EXPECT_TRUE(box("CB_BottomAutomatic")->isChecked());
    EXPECT_FALSE(edit("EditBottomMin")->isEnabled());
    EXPECT_FALSE(edit("EditBottomIncrement")->isEnabled());
    EXPECT_EQ(edit("EditBottomTitle")->text(), "Year");
    EXPECT_EQ(edit("EditBottomFormat")->text(), "#,##0.###");
    EXPECT_TRUE(box("CB_bevel")->isChecked());
    EXPECT_EQ(edit("EditColorWidth")->text(), "30");
    EXPECT_EQ(entries(), QStringList{"0 Line: Average def."});
    EXPECT_FALSE(form.popupAttached());
    EXPECT_EQ(dialogs.asked().size(), 0u);

    // Numbers in the user's format.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    form.FormActivate();
    QLocale::setDefault(saved);
    EXPECT_EQ(edit("EditLeftMin")->text(), "-0,5");
}

TEST_F(ChartPropTest, WithoutAChartTheDialogWarnsAndCloses)
{
    TFormChartProp lost(dialogs);
    lost.show();
    dialogs.expectMessage(MessageKind::Warning, "No initialization of the form", app::Button::Ok);
    lost.FormActivate();
    EXPECT_FALSE(lost.isVisible());
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ChartPropTest, EditsApplyWhenLeftAndRefusedValuesAreToldAndNotTaken)
{
    box("CB_LeftAutomatic")->click();
    EXPECT_FALSE(chart.leftAxis().automatic());
    EXPECT_TRUE(edit("EditLeftMin")->isEnabled());
    type(edit("EditLeftMax"), "50");
    type(edit("EditLeftMin"), "-10");
    EXPECT_EQ(chart.leftAxis().minimum(), -10);
    EXPECT_EQ(chart.leftAxis().maximum(), 50);

    // Refused, the field shows the value in force again.
    struct Refusal
    {
        QLineEdit *edit;
        const char *text;
        const char *message;
        const char *shown;
    };
    const Refusal refusals[] = {
        {edit("EditLeftMin"), "60", "Axis Minimum Value must be <= Maximum", "-10"},
        {edit("EditLeftMax"), "-20", "Axis Maximum Value must be >= Minimum", "50"},
        {edit("EditLeftIncrement"), "-1", "Axis increment must be >= 0", "0"},
        {edit("EditLeftMin"), "1e", "'1e' is not a valid floating point value", "-10"},
    };
    for (const Refusal &r : refusals) {
        dialogs.expectMessage(MessageKind::Error, r.message, app::Button::Ok);
        type(r.edit, r.text);
        EXPECT_EQ(r.edit->text(), r.shown) << r.text;
    }
    EXPECT_EQ(chart.leftAxis().minimum(), -10);
    EXPECT_EQ(chart.leftAxis().maximum(), 50);
    EXPECT_EQ(chart.leftAxis().increment(), 0);
    EXPECT_EQ(dialogs.pending(), 0u);

    // Return applies too; the memo, format and titles are taken whole.
    edit("EditLeftIncrement")->setText("5");
    QTest::keyClick(edit("EditLeftIncrement"), Qt::Key_Return);
    EXPECT_EQ(chart.leftAxis().increment(), 5);
    find<QPlainTextEdit>("MemoTitle")->setPlainText("A\nB\n");
    leave(find<QPlainTextEdit>("MemoTitle"));
    EXPECT_EQ(chart.titleLines(), QStringList({"A", "B"}));
    // Tab leaves the title for the next control rather than typing into it.
    QTest::keyClick(find<QPlainTextEdit>("MemoTitle"), Qt::Key_Tab);
    EXPECT_EQ(find<QPlainTextEdit>("MemoTitle")->toPlainText(), "A\nB\n");
    // The fields are as wide as what they usually hold.
    form.adjustSize();
    EXPECT_GT(edit("EditLeftTitle")->width(),
              edit("EditLeftTitle")->fontMetrics().horizontalAdvance("Defoliation / Deads share [%]"));
    type(edit("EditBottomFormat"), "0.00");
    type(edit("EditBottomTitle"), QString(300, QLatin1Char('t')));
    EXPECT_EQ(chart.bottomAxis().format(), "0.00");
    EXPECT_EQ(chart.bottomAxis().title().size(), 300);
    find<QComboBox>("CB_TitleAlignment")->setCurrentText("left");
    EXPECT_EQ(chart.titleAlignment(), charts::TitleAlignment::Left);
}

TEST_F(ChartPropTest, ChecksFontsAndColourGoToTheChart)
{
    box("CB_TitleVisible")->click();
    box("CB_LeftGrid")->click();
    box("CB_Border")->click();
    box("CB_Legend")->click();
    EXPECT_FALSE(chart.titleVisible());
    EXPECT_FALSE(chart.leftAxis().gridVisible());
    EXPECT_TRUE(chart.borderVisible());
    EXPECT_TRUE(chart.legendVisible());

    chart.setTitleFont({QFont("Arial", 12), Qt::blue});
    QFont chosen("Courier", 20);
    chosen.setItalic(true);
    dialogs.expectFont(QFont("Arial", 12), chosen);
    button("BtnTitleFont")->click();
    EXPECT_EQ(chart.titleFont().font, chosen);
    EXPECT_EQ(chart.titleFont().color, QColor(Qt::blue)); // the font dialog has no colour
    dialogs.expectFont(chart.bottomAxis().titleFont().font, std::nullopt);
    button("BtnBottomTFont")->click();
    dialogs.expectFont(chart.leftAxis().labelsFont().font, chosen);
    button("BtnLeftLFont")->click();
    EXPECT_EQ(chart.leftAxis().labelsFont().font, chosen);
    EXPECT_NE(chart.bottomAxis().titleFont().font, chosen);

    dialogs.expectColour(Qt::white, QColor(255, 255, 192));
    button("BtnColor")->click();
    EXPECT_EQ(chart.chartColor(), QColor(255, 255, 192));
    EXPECT_EQ(chart.chartSystemColor(), -1);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ChartPropTest, BevelCyclesItsWidthAndTheColourWidthFollowsTyping)
{
    chart.setBevelWidth(4);
    form.FormActivate();
    ASSERT_TRUE(box("CB_bevel")->isChecked());
    box("CB_bevel")->click(); // off
    EXPECT_EQ(chart.bevelOuter(), charts::BevelKind::None);
    EXPECT_EQ(chart.bevelInner(), charts::BevelKind::None);
    box("CB_bevel")->click(); // on: 4 becomes 5
    EXPECT_EQ(chart.bevelWidth(), 5);
    EXPECT_EQ(chart.bevelOuter(), charts::BevelKind::Raised);
    box("CB_bevel")->click();
    box("CB_bevel")->click(); // 5 starts again at 1
    EXPECT_EQ(chart.bevelWidth(), 1);

    edit("EditColorWidth")->selectAll();
    QTest::keyClick(edit("EditColorWidth"), Qt::Key_Delete);
    EXPECT_EQ(chart.legendColorWidth(), 25);
    QTest::keyClick(edit("EditColorWidth"), Qt::Key_1);
    EXPECT_EQ(chart.legendColorWidth(), 1);
    QTest::keyClick(edit("EditColorWidth"), Qt::Key_2);
    EXPECT_EQ(chart.legendColorWidth(), 12);
}

TEST_F(ChartPropTest, TheListNamesTheKindOfEverySeriesTheProgramDraws)
{
    common::RecordingSink sink;
    stats::TStatistics regression{sink};
    for (const auto &[x, y] : std::vector<std::pair<int, int>>{{1, 2}, {2, 4}, {3, 5}, {4, 4}, {5, 6}})
        regression.AddPoint(x, y);
    regression.Calculate(1);
    charts::DrawRegression(chart, regression, true);
    charts::AddModelLine(chart, "Average def.", {common::LineColor::fromRgb(0, 128, 0), 0, 2});
    chart.addFastLineSeries("Fast");
    chart.addShapeSeries("Box");
    chart.addPointSeries("Data");
    form.FormActivate();
    EXPECT_EQ(entries(), QStringList({"0 Point: Data", "1 Line: Regression (1)", "2 Line: Average def.",
                                      "3 FLine: Fast", "4 Shape: Box", "5 Point: Data"}));

    // Points become arrows, listed as such.
    dialogs.expectInputBox("Arrow common parameters", "Origin - X", "0", "0");
    dialogs.expectInputBox("Arrow common parameters", "Origin - Y", "0", "0");
    dialogs.expectInputBox("Arrow common parameters", "Multiplier", "1.0", "1");
    dialogs.expectInputBox("Arrow common parameters", "Line width", "1", "1");
    selectEntry(5);
    command("Pointtoarrow1")->trigger();
    EXPECT_EQ(entries().last(), "5 Arrow: Data");

    // The menu shows the submenu of the selected series' kind only.
    struct Shown
    {
        int row;
        bool point, line, arrow, shape;
    };
    const Shown shown[] = {{0, true, false, false, false},
                           {1, false, true, false, false},
                           {3, false, true, false, false},
                           {4, false, false, false, true},
                           {5, false, false, true, false}};
    for (const Shown &s : shown) {
        selectEntry(s.row);
        popup();
        EXPECT_EQ(menu("PointSeries1")->menuAction()->isVisible(), s.point) << s.row;
        EXPECT_EQ(menu("LineSeries1")->menuAction()->isVisible(), s.line) << s.row;
        EXPECT_EQ(menu("ArrowSeries1")->menuAction()->isVisible(), s.arrow) << s.row;
        EXPECT_EQ(menu("ChartShape1")->menuAction()->isVisible(), s.shape) << s.row;
        EXPECT_TRUE(command("Rename1")->isVisible());
    }
}

TEST_F(ChartPropTest, RenameWithCancelKeepsTheTitleAndDeleteLeavesTheMenuInert)
{
    chart.addLineSeries("Data");
    chart.addArrowSeries("Data");
    form.FormActivate();
    EXPECT_EQ(entries(), QStringList({"0 Line: Data", "1 Arrow: Data"}));
    command("Rename1")->trigger(); // nothing selected: nothing asked
    EXPECT_FALSE(form.popupAttached());
    selectEntry(1);
    EXPECT_TRUE(form.popupAttached());

    // Cancel gives back the proposed text.
    dialogs.expectInputBox("Rename", "Series title [1]", "Data", "Data");
    command("Rename1")->trigger();
    EXPECT_EQ(chart.series(1).title(), "Data");
    dialogs.expectInputBox("Rename", "Series title [1]", "Data", "Wind");
    command("Rename1")->trigger();
    EXPECT_EQ(chart.series(1).title(), "Wind");
    EXPECT_EQ(entries(), QStringList({"0 Line: Data", "1 Arrow: Wind"}));

    selectEntry(0);
    command("Delete1")->trigger();
    ASSERT_EQ(chart.seriesCount(), 1);
    EXPECT_EQ(chart.series(0).title(), "Wind");
    EXPECT_EQ(entries(), QStringList{"1 Arrow: Wind"}); // kept until the next refresh
    for (QAction *action : {command("Rename1"), command("Delete1"), command("ActiveNo"), command("Color1"),
                            command("ArrowWidth1")})
        action->trigger();
    EXPECT_EQ(chart.seriesCount(), 1);
    EXPECT_TRUE(chart.series(0).active());
    EXPECT_EQ(dialogs.pending(), 0u);

    form.FormActivate();
    EXPECT_FALSE(form.popupAttached());
    EXPECT_EQ(entries(), QStringList{"0 Arrow: Wind"});
}

TEST_F(ChartPropTest, SeriesCommandsSetTheirProperty)
{
    charts::LineSeries &line = chart.addLine("Deads", Qt::red, 2, 4);
    charts::PointSeries &points = threePoints("Data");
    form.FormActivate();

    selectEntry(0);
    popup();
    EXPECT_TRUE(choice("LineStyle1", 2)->isChecked());
    choice("LineStyle1", 4)->trigger();
    EXPECT_EQ(line.penStyle(), 4);
    dialogs.expectInputBox("Line series [0] Deads", "Pen width", "4", "6");
    command("LineWidth1")->trigger();
    EXPECT_EQ(line.penWidth(), 6);
    command("ActiveNo")->trigger();
    command("LegendNo")->trigger();
    EXPECT_FALSE(line.active());
    EXPECT_FALSE(line.showInLegend());
    dialogs.expectColour(Qt::red, QColor(0, 0, 128));
    command("Color1")->trigger();
    EXPECT_EQ(line.color(), QColor(0, 0, 128));

    selectEntry(1);
    choice("PointStyle1", 7)->trigger();
    EXPECT_EQ(points.pointerStyle(), charts::PointerStyle::Diamond);
    dialogs.expectInputBox("Point series [1] Data", "Horizontal size of marks", "4", "7");
    command("HorizontalSize1")->trigger();
    dialogs.expectInputBox("Point series [1] Data", "Vertical size of marks", "4", "x");
    dialogs.expectMessage(MessageKind::Error, "'x' is not a valid integer value", app::Button::Ok);
    command("VerticalSize1")->trigger();
    EXPECT_EQ(points.horizontalSize(), 7);
    EXPECT_EQ(points.verticalSize(), 4);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ChartPropTest, PointsBecomeArrowsAndArrowLengthsMultiply)
{
    chart.addLineSeries("Average def.");
    threePoints("Data");
    chart.addLineSeries("Deads");
    form.FormActivate();
    selectEntry(1);

    // An answer that is not a number ends the command before anything changed.
    dialogs.expectInputBox("Arrow common parameters", "Origin - X", "0", "1");
    dialogs.expectInputBox("Arrow common parameters", "Origin - Y", "0", "one");
    dialogs.expectMessage(MessageKind::Error, "'one' is not a valid floating point value", app::Button::Ok);
    command("Pointtoarrow1")->trigger();
    EXPECT_EQ(chart.seriesCount(), 3);
    EXPECT_EQ(chart.series(1).kind(), charts::SeriesKind::Point);

    dialogs.expectInputBox("Arrow common parameters", "Origin - X", "0", "1");
    dialogs.expectInputBox("Arrow common parameters", "Origin - Y", "0", "1");
    dialogs.expectInputBox("Arrow common parameters", "Multiplier", "1.0", "2");
    dialogs.expectInputBox("Arrow common parameters", "Line width", "1", "2");
    command("Pointtoarrow1")->trigger();
    ASSERT_EQ(chart.seriesCount(), 3);
    EXPECT_EQ(entries(), QStringList({"0 Line: Average def.", "1 Line: Deads", "2 Arrow: Data"}));
    auto &arrows = static_cast<charts::ArrowSeries &>(chart.series(2));
    // From (1, 1) to 1 + (point - 1) * 2.
    EXPECT_EQ(arrows.arrows(), (std::vector<charts::Arrow>{{1, 1, 1, 3}, {1, 1, 5, -3}, {1, 1, 7, 7}}));
    EXPECT_EQ(arrows.penWidth(), 2);
    EXPECT_EQ(arrows.headWidth(), 8);
    EXPECT_FALSE(arrows.showInLegend());

    selectEntry(2);
    for (const char *m : {"2", "2", "1"}) {
        dialogs.expectInputBox("Arrow common parameters", "Multiplier", "1.0", m);
        command("LengthMultiplier1")->trigger();
    }
    EXPECT_EQ(arrows.arrows()[0], (charts::Arrow{1, 1, 1, 9})); // 2 and 2 again: four times
    EXPECT_EQ(arrows.arrows()[2], (charts::Arrow{1, 1, 25, 25}));
    dialogs.expectInputBox("Arrow common parameters", "Line width", "2", "3");
    command("ArrowWidth1")->trigger();
    EXPECT_EQ(arrows.penWidth(), 3);
    EXPECT_EQ(arrows.headHeight(), 12);
    dialogs.expectInputBox("Arrow common parameters", "Arrow size", "12", "5");
    command("ArrowSize1")->trigger();
    EXPECT_EQ(arrows.headWidth(), 5);
    EXPECT_EQ(arrows.headHeight(), 5);

    // With a comma as the decimal separator the proposed multiplier reads 1,0.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    dialogs.expectInputBox("Arrow common parameters", "Multiplier", "1,0", "0,5");
    command("LengthMultiplier1")->trigger();
    QLocale::setDefault(saved);
    EXPECT_EQ(arrows.arrows()[2], (charts::Arrow{1, 1, 13, 13}));
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ChartPropTest, ShapesTakeBrushTextAndBitmaps)
{
    charts::ShapeSeries &shape = chart.addShapeSeries("Box");
    shape.setTextLines({"old"});
    form.FormActivate();
    selectEntry(0);
    command("TransparentYes")->trigger();
    EXPECT_TRUE(shape.transparent());
    choice("Brush1", 6)->trigger();
    EXPECT_EQ(shape.brushStyle(), 6);
    popup();
    EXPECT_TRUE(choice("Brush1", 6)->isChecked());
    EXPECT_FALSE(command("ClearBitmap1")->isVisible());

    dialogs.expectModal("FormMemoDialog", [](QDialog &d) {
        auto &memo = static_cast<app::TFormMemoDialog &>(d);
        EXPECT_EQ(d.windowTitle(), "Edit chart shape text");
        EXPECT_EQ(apptest::control<QPlainTextEdit>(&memo, "Memo")->toPlainText(), "old");
        apptest::control<QPlainTextEdit>(&memo, "Memo")->setPlainText("first\nsecond");
        apptest::control<QPushButton>(&memo, "BtnOK")->click();
        return d.result();
    });
    command("ShapeText1")->trigger();
    EXPECT_EQ(shape.textLines(), QStringList({"first", "second"}));
    dialogs.expectModal("FormMemoDialog", [](QDialog &d) {
        apptest::control<QPlainTextEdit>(&d, "Memo")->setPlainText("dropped");
        apptest::control<QPushButton>(&d, "BtnCancel")->click();
        return d.result();
    });
    command("ShapeText1")->trigger();
    EXPECT_EQ(shape.textLines(), QStringList({"first", "second"}));

    const QString bitmap = apptest::q(temp / "tile.bmp");
    QImage tile(4, 4, QImage::Format_RGB32);
    tile.fill(Qt::green);
    ASSERT_TRUE(tile.save(bitmap, "BMP"));
    dialogs.expectOpenFile("Open", "Bitmaps (*.bmp)", "", bitmap);
    command("ShapeBitmap1")->trigger();
    ASSERT_TRUE(shape.hasBrushBitmap());
    EXPECT_EQ(shape.brushBitmap().pixelColor(1, 1), QColor(Qt::green));
    popup();
    EXPECT_TRUE(command("ClearBitmap1")->isVisible());
    command("ClearBitmap1")->trigger();
    EXPECT_FALSE(shape.hasBrushBitmap());

    // A file that is no bitmap: told, and the brush is left without one.
    shape.setBrushBitmap(tile);
    testsupport::writeBytes(temp / "text.bmp", "not a bitmap");
    dialogs.expectOpenFile("Open", "Bitmaps (*.bmp)", apptest::q(temp.path()), apptest::q(temp / "text.bmp"));
    dialogs.expectMessageStartingWith(
        MessageKind::Error, "Cannot load bitmap \"" + apptest::q(temp / "text.bmp"), app::Button::Ok);
    command("ShapeBitmap1")->trigger();
    EXPECT_FALSE(shape.hasBrushBitmap());
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ChartPropTest, SaveAndLoadCarryTheLookToAnotherChartAndRefresh)
{
    const QString filter = "Setting file (*.gsf);;Any file (*)";
    chart.setTitleLines({"Plot 7"});
    chart.leftAxis().setAutomatic(false);
    chart.leftAxis().setRange(0, 60);
    chart.setChartColor(QColor(200, 220, 255));
    const QString file = apptest::q(temp / "look.gsf");
    dialogs.expectSaveFile("Save setting to file", filter, 0, "", "gsf", app::SaveChoice{file, 0});
    button("BtnSave")->click();
    EXPECT_EQ(std::filesystem::file_size(temp / "look.gsf"), 2992u);

    charts::Chart other;
    other.addLineSeries("kept");
    form.setTarget(&other);
    form.FormActivate();
    dialogs.expectOpenFile("Load setting from file", filter, apptest::q(temp.path()), file);
    button("BtnLoad")->click();
    EXPECT_EQ(other.titleLines(), QStringList{"Plot 7"});
    EXPECT_EQ(other.leftAxis().maximum(), 60);
    EXPECT_EQ(other.chartColor(), QColor(200, 220, 255));
    EXPECT_EQ(other.seriesCount(), 1);
    EXPECT_EQ(find<QPlainTextEdit>("MemoTitle")->toPlainText(), "Plot 7");
    EXPECT_EQ(edit("EditLeftMax")->text(), "60");

    // A short file is refused with its size, and nothing changes.
    testsupport::writeBytes(temp / "short.gsf", std::string(100, '\0'));
    const QString shortFile = apptest::q(temp / "short.gsf");
    dialogs.expectOpenFile("Load setting from file", filter, apptest::q(temp.path()), shortFile);
    dialogs.expectMessage(MessageKind::Error,
                          "Not a chart settings file: " + shortFile + " (100 bytes, expected 2992)",
                          app::Button::Ok);
    button("BtnLoad")->click();
    EXPECT_EQ(other.titleLines(), QStringList{"Plot 7"});
    EXPECT_EQ(dialogs.pending(), 0u);
}

class PropertiesButtonsTest : public apptest::MainWindowTest
{
};

TEST_F(PropertiesButtonsTest, BothPagesShowTheOneDialogOnTheirChart)
{
    startTrees();
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnProperties")->isEnabled());
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnPropertiesRegr")->isEnabled());
    control<charts::Chart>(form.get(), "ChartTModel")->setTitleLines({"Plot A"});
    control<QPushButton>(form.get(), "BtnProperties")->click();
    TFormChartProp *dialog = control<TFormChartProp>(form.get(), "FormChartProp");
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->target(), control<charts::Chart>(form.get(), "ChartTModel"));
    EXPECT_EQ(apptest::control<QPlainTextEdit>(dialog, "MemoTitle")->toPlainText(), "Plot A");

    control<charts::Chart>(form.get(), "ChartRegr")->bottomAxis().setTitle("DBH");
    control<QPushButton>(form.get(), "BtnPropertiesRegr")->click();
    EXPECT_EQ(control<TFormChartProp>(form.get(), "FormChartProp"), dialog);
    EXPECT_EQ(dialog->target(), control<charts::Chart>(form.get(), "ChartRegr"));
    EXPECT_EQ(apptest::control<QLineEdit>(dialog, "EditBottomTitle")->text(), "DBH");

    apptest::control<QPushButton>(dialog, "BtnClose")->click();
    EXPECT_FALSE(dialog->isVisible());
    control<QPushButton>(form.get(), "BtnProperties")->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->target(), control<charts::Chart>(form.get(), "ChartTModel"));

    // Opened where it covers least of the chart the screen allows, not at its top-left corner.
    const QRect chartArea(control<charts::Chart>(form.get(), "ChartTModel")->mapToGlobal(QPoint(0, 0)),
                          control<charts::Chart>(form.get(), "ChartTModel")->size());
    const QRect screen = form->screen()->availableGeometry();
    const QRect corner(screen.topLeft(), dialog->frameGeometry().size());
    EXPECT_EQ(dialog->pos(),
              app::placeBeside(form->frameGeometry(), chartArea, dialog->frameGeometry().size(), screen));
    EXPECT_LE((dialog->frameGeometry() & chartArea).width() * (dialog->frameGeometry() & chartArea).height(),
              (corner & chartArea).width() * (corner & chartArea).height());
}

// Beside the main window where the screen has room, else where it covers least of the chart.
TEST(PlaceBeside, BesideTheWindowElseOverTheLeastOfTheChart)
{
    const QRect screen(0, 0, 1920, 1080);
    const QRect chart(20, 100, 660, 380); // of a window at the screen's top-left corner
    struct Case
    {
        QRect window;
        QSize dialog;
        QPoint expected;
    };
    const Case cases[] = {
        {QRect(0, 0, 700, 500), QSize(600, 500), QPoint(700, 0)},      // room on the right
        {QRect(1300, 0, 620, 500), QSize(600, 500), QPoint(700, 0)},   // only on the left
        {QRect(0, 0, 1900, 500), QSize(600, 500), QPoint(0, 500)},     // only below
        {QRect(0, 580, 1900, 500), QSize(600, 500), QPoint(0, 80)},    // only above
        {QRect(0, 0, 1920, 1080), QSize(600, 500), QPoint(1320, 0)},   // no room: a corner off the chart
        {QRect(0, 0, 1920, 1080), QSize(1500, 700), QPoint(420, 380)}, // larger: the least covered
    };
    for (const auto &c : cases)
        EXPECT_EQ(app::placeBeside(c.window, chart, c.dialog, screen), c.expected)
            << c.window.x() << "," << c.window.y() << " " << c.dialog.width();
}

} // namespace
