// The page "Regression model": its entry, the grid of the three fixed series per survey year, the
// year buttons, the series drawn with their polynomials, the freely chosen pair of TFormVars, the
// equation on the clipboard, the refused degrees, and the real SCBI table checked against figures
// computed independently (scripts/independent-regression.py), with a point and a comma.
#include "app/fmain.h"
#include "app/fvars.h"
#include "app/listbox.h"
#include "app/regressionpage.h"
#include "app/updown.h"
#include "charts/chart.h"
#include "charts/chartsettings.h"
#include "controls.h"
#include "mainwindowtest.h"
#include "support/picturereaders.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <optional>

namespace {

using namespace apptest;

struct HeightTree
{
    const char *plot;
    std::optional<double> dbh;
    std::optional<double> height;
    std::optional<double> d1995;
    std::optional<double> d1996;
};

// Plot A1, species SM: DBH 1 to 5 against the 1995 defoliations 2, 4, 5, 4, 6 (the engine's worked
// example), a DBH of 0, a height of 0 with a defoliation of -1, and blanks; in 1996 only three trees
// have both DBH and defoliation. Plot L1 has DBH 1, 10, 100, 1000 for logarithms, and 0 and -5.
const HeightTree kHeightTrees[] = {
    {"A1", 1, 10, 2, 10},   {"A1", 2, 12, 4, -1},  {"A1", 3, 15, 5, {}}, {"A1", 4, 14, 4, 20},
    {"A1", 5, 18, 6, 30},   {"A1", 0, 16, 30, {}}, {"A1", 6, 0, -1, -1}, {"A1", {}, 20, {}, {}},
    {"B2", 50, 30, 90, 90}, {"L1", 1, 10, 2, 2},   {"L1", 10, 10, 4, 4}, {"L1", 100, 10, 7, 7},
    {"L1", 1000, 10, 8, 8}, {"L1", 0, 10, 5, 5},   {"L1", -5, 10, 5, 5},
};

// Independent figures of plot B0206, species LT, DBH against D2021 of the SCBI crown table, with the
// DBH of 0 and the defoliation of -1 left out: scripts/independent-regression.py (its own dBASE
// reader, exact rational sums and least squares, the closed-form Student distribution).
struct B0206
{
    static constexpr int n = 178;
    static constexpr double dbh[] = {39.9106741573034, 21.8598690487023, 10.7, 143.6};
    static constexpr double defoliation[] = {9.4438202247191, 20.9750973538, 0, 100};
    static constexpr double r = -0.107795278877997;
    // The exact Student probability. The program inverts a Cornish-Fisher quantile built on a normal
    // quantile approximation good to 4.5e-4, so its P may differ by up to about 2e-4; it prints
    // 0.0760794971201324, as fenoris-cli does.
    static constexpr double p = 0.0760414689986181;
    static constexpr const char *programP = "7.6079";
    static constexpr double r2Degree2 = 0.0264361284932847;
};

class RegressionPageTest : public MainWindowTest
{
protected:
    app::RegressionPage &page() { return *control<app::RegressionPage>(form.get(), "TabSheetRegression"); }

    // The table with a Height role, after Set OK, with plot A1 and species SM selected.
    void startHeights(const char *plot = "A1")
    {
        makeHeightTable();
        writeBytes(dataDir / "H.var",
                   "Specials\r\nPlotNames\r\nTreeID\r\nSpecies\r\nDBH\r\nHeight\r\n-\r\n-\r\n");
        writeBytes(dataDir / "H.yrs", "Defoliations\r\n-\r\n-\r\n-\r\n-\r\n-\r\n1995\r\n1996\r\n");
        startOn(dataDir / "H.dbf");
        mainPage()->BtnSetOKClick();
        select(plot, "SM");
    }

    void makeHeightTable()
    {
        data::Connection connection;
        connection.setParam("PATH", dataDir.string() + "/");
        connection.open();
        data::Query create(connection);
        create.setSql(
            {"CREATE TABLE 'H.dbf' (PLOT CHAR(10), TREE DECIMAL(5,0), SP CHAR(2), DBH DECIMAL(6,1),",
             " HEIGHT DECIMAL(5,1), D1995 DECIMAL(3,0), D1996 DECIMAL(3,0))"});
        create.execSql();
        data::Table table(connection, "H.dbf");
        table.open();
        int tree = 0;
        for (const auto &t : kHeightTrees) {
            table.append();
            table.setString("PLOT", t.plot);
            table.setInteger("TREE", ++tree);
            table.setString("SP", "SM");
            const std::pair<const char *, std::optional<double>> values[] = {
                {"DBH", t.dbh}, {"HEIGHT", t.height}, {"D1995", t.d1995}, {"D1996", t.d1996}};
            for (const auto &[column, value] : values)
                if (value) table.setFloat(column, *value);
            table.post();
        }
    }

    void showRegression()
    {
        control<QTabWidget>(form.get(), "PageControl1")
            ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetRegression"));
    }

    QStringList gridRow(int row) const
    {
        QStringList cells;
        for (int col = 0; col < control<QTableWidget>(form.get(), "SG_StatRes")->columnCount(); ++col) {
            const QTableWidgetItem *item = control<QTableWidget>(form.get(), "SG_StatRes")->item(row, col);
            cells << (item ? item->text() : QString());
        }
        return cells;
    }

    // The user's click on an item of "Show"; the item chosen already is left first, as choosing it
    // again changes nothing.
    void choose(int item)
    {
        const auto radios = control<QGroupBox>(form.get(), "RG_series")->findChildren<QRadioButton *>();
        if (radios.at(item)->isChecked()) {
            const QSignalBlocker blocker(radios.at(item)->group());
            radios.at(item == 0 ? 1 : 0)->setChecked(true);
        }
        radios.at(item)->click();
    }
    int chosen() const
    {
        const auto radios = control<QGroupBox>(form.get(), "RG_series")->findChildren<QRadioButton *>();
        for (int i = 0; i < radios.size(); ++i)
            if (radios[i]->isChecked()) return i;
        return -1;
    }

    QStringList seriesTitles() const
    {
        QStringList titles;
        for (int i = 0; i < control<charts::Chart>(form.get(), "ChartRegr")->seriesCount(); ++i)
            titles << control<charts::Chart>(form.get(), "ChartRegr")->series(i).title();
        return titles;
    }

    int pointCount(int series) const
    {
        return static_cast<const charts::XYSeries &>(
                   control<charts::Chart>(form.get(), "ChartRegr")->series(series))
            .pointCount();
    }

    // The variables dialog answered with the two columns, LOG boxes and missing values.
    void expectVars(const QString &x, const QString &y, bool logX = false, bool logY = false,
                    const QString &missingX = {}, const QString &missingY = {})
    {
        dialogs.expectModal("FormVars", [=](QDialog &d) {
            auto &vars = static_cast<app::TFormVars &>(d);
            EXPECT_EQ(vars.windowTitle(), "Variables");
            EXPECT_TRUE(apptest::control<QListWidget>(&vars, "ListBoxX")->selectedItems().isEmpty());
            EXPECT_TRUE(apptest::control<QLineEdit>(&vars, "EditMisX")->text().isEmpty());
            if (!x.isEmpty())
                apptest::control<QListWidget>(&vars, "ListBoxX")
                    ->findItems(x, Qt::MatchExactly)
                    .first()
                    ->setSelected(true);
            if (!y.isEmpty())
                apptest::control<QListWidget>(&vars, "ListBoxY")
                    ->findItems(y, Qt::MatchExactly)
                    .first()
                    ->setSelected(true);
            apptest::control<QCheckBox>(&vars, "CBlogX")->setChecked(logX);
            apptest::control<QCheckBox>(&vars, "CBlogY")->setChecked(logY);
            apptest::control<QLineEdit>(&vars, "EditMisX")->setText(missingX);
            apptest::control<QLineEdit>(&vars, "EditMisY")->setText(missingY);
            return int(QDialog::Accepted);
        });
    }

    void expectDegree(const QString &proposal, const QString &answer)
    {
        dialogs.expectInputBox("Polynomial regression", "Degree of the polynom", proposal, answer);
    }

    void expectDetermination(const QString &r2)
    {
        dialogs.expectMessage(MessageKind::Information, "Coefficient of determination Sqr(r)=" + r2,
                              Button::Ok);
    }

    void expectEquation(const QString &equation, Button answer = Button::Yes)
    {
        dialogs.expectMessage(MessageKind::Information, "Copy equation\r\n" + equation,
                              Button::Yes | Button::No, answer);
    }

    // The number at the end of the last question asked, read with the given decimal separator.
    double lastNumber(QChar separator = '.') const
    {
        QString text = QString::fromStdString(dialogs.asked().back());
        text = text.mid(text.indexOf('=') + 1);
        text = text.left(text.indexOf('"')).replace(separator, '.');
        return text.toDouble();
    }
};

const QStringList kEmptyRow(7, "");

TEST_F(RegressionPageTest, EntryWritesTheHeadingsAndShowsTheFirstYear)
{
    startHeights();
    showRegression();

    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(form->state().Query1.isActive());
    EXPECT_EQ(gridRow(0), (QStringList{"", "Average", "St.dev.", "Min", "Max", "r", "P[%]"}));
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1995");
    EXPECT_EQ(page().year(), 1);
    EXPECT_EQ(control<app::UpDown>(form.get(), "UpDownYear")->minimum(), 1);
    EXPECT_EQ(control<app::UpDown>(form.get(), "UpDownYear")->maximum(), 2);
    ASSERT_TRUE(page().series());
    ASSERT_EQ(page().series()->size(), 3u);

    // Row 1: the defoliation of the DBH series, without a label. The DBH of 0, the height of 0, the
    // defoliation of -1 and the blanks are left out: five trees for DBH (P 0.966894 is 96.6894),
    // six for height (the DBH of 0 has a height), five for DBH-Height.
    EXPECT_EQ(gridRow(1), (QStringList{"", "4.2000", "1.3266", "2.0000", "6.0000", "", ""}));
    EXPECT_EQ(gridRow(2),
              (QStringList{"DBH[5]", "3.0000", "1.4142", "1.0000", "5.0000", "0.8528", "96.6894"}));
    EXPECT_EQ(gridRow(3).mid(0, 5), (QStringList{"Height[6]", "14.1667", "2.6087", "10.0000", "18.0000"}));
    EXPECT_EQ(gridRow(4).mid(0, 5), (QStringList{"DBH-Height[5]", "3.0000", "1.4142", "1.0000", "5.0000"}));
    // The names are shown whole, also with the counts of a large table; the grid shows every column.
    const int nameWidth =
        control<QTableWidget>(form.get(), "SG_StatRes")->fontMetrics().horizontalAdvance("DBH-Height[12848]");
    EXPECT_GT(control<QTableWidget>(form.get(), "SG_StatRes")->columnWidth(0), nameWidth);
    EXPECT_GE(control<QTableWidget>(form.get(), "SG_StatRes")->viewport()->width(),
              control<QTableWidget>(form.get(), "SG_StatRes")->horizontalHeader()->length());

    EXPECT_EQ(chosen(), 0);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->seriesCount(), 0);
    EXPECT_TRUE(control<charts::Chart>(form.get(), "ChartRegr")->titleLines().isEmpty());
    for (QPushButton *b : {control<QPushButton>(form.get(), "BtnPropertiesRegr"),
                           control<QPushButton>(form.get(), "BtnSave2")})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    for (QPushButton *b :
         {control<QPushButton>(form.get(), "BtnNewPolynom"), control<QPushButton>(form.get(), "BtnEquation")})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();

    // Any change of page releases the series, also to the page itself, which builds them again.
    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetMain"));
    EXPECT_FALSE(page().series());
    EXPECT_FALSE(form->state().Query1.isActive());
    showRegression();
    ASSERT_TRUE(page().series());
    EXPECT_EQ(page().series()->size(), 3u);
}

TEST_F(RegressionPageTest, YearButtonsStayWithinTheYearsAndResetTheChoice)
{
    startHeights();
    showRegression();

    // 1996: three trees with DBH and defoliation, three with height: rows 1 to 3 stay empty.
    control<app::UpDown>(form.get(), "UpDownYear")->upButton()->click();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1996");
    EXPECT_EQ(gridRow(1), kEmptyRow);
    EXPECT_EQ(gridRow(2), kEmptyRow);
    EXPECT_EQ(gridRow(3), kEmptyRow);
    EXPECT_EQ(gridRow(4)[0], "DBH-Height[5]");
    ASSERT_EQ(page().series()->size(), 3u);
    EXPECT_FALSE((*page().series())[0]);

    dialogs.expectMessage(MessageKind::Information, "Statistics of the series was not calculate", Button::Ok);
    choose(1);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->seriesCount(), 0);
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnNewPolynom")->isEnabled());

    choose(3);
    EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)"}));
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->bottomAxis().title(), "DBH");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->leftAxis().title(), "Height");
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnNewPolynom")->isEnabled());

    // "Up" at the last year shows it again and resets the choice to "none".
    control<app::UpDown>(form.get(), "UpDownYear")->upButton()->click();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1996");
    EXPECT_EQ(chosen(), 0);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->seriesCount(), 0);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->bottomAxis().title(), "");
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnNewPolynom")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(form.get(), "BtnEquation")->isEnabled());

    control<app::UpDown>(form.get(), "UpDownYear")->downButton()->click();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1995");
    control<app::UpDown>(form.get(), "UpDownYear")->downButton()->click();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1995");
    EXPECT_EQ(gridRow(2)[0], "DBH[5]");
    control<QToolButton>(form.get(), "BtnLastYear")->click();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1996");
    EXPECT_EQ(control<app::UpDown>(form.get(), "UpDownYear")->position(), 2);
    control<QToolButton>(form.get(), "BtnFirstYear")->click();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1995");
    EXPECT_EQ(page().year(), 1);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(RegressionPageTest, SeriesDrawnWithItsPolynomialsAndItsEquationCopied)
{
    startHeights();
    showRegression();
    choose(1);
    EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)"}));
    EXPECT_EQ(pointCount(0), 5);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->bottomAxis().title(), "DBH");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->leftAxis().title(), "Defoliation");

    QGuiApplication::clipboard()->setText("before");
    expectEquation("y = 1.8 + 0.8x", Button::No);
    control<QPushButton>(form.get(), "BtnEquation")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

    // Degrees 2 and 3 proposed one above the last: three lines, the grid row untouched.
    const QStringList row2 = gridRow(2);
    expectDegree("2", "2");
    expectDetermination("0.75974025974026");
    control<QPushButton>(form.get(), "BtnNewPolynom")->click();
    expectEquation("y = 0.8 + 1.657x -0.1429x^2");
    control<QPushButton>(form.get(), "BtnEquation")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "y = 0.8 + 1.657x -0.1429x^2");
    expectDegree("3", "3");
    expectDetermination("0.941558441558442");
    control<QPushButton>(form.get(), "BtnNewPolynom")->click();
    EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)", "Regression (2)", "Regression (3)"}));
    EXPECT_EQ(gridRow(2), row2);

    // Chosen again, the series draws its last fit.
    choose(0);
    choose(1);
    EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (3)"}));
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(RegressionPageTest, DegreesOutsideZeroToTwentyAreRefusedAndChangeNothing)
{
    startHeights();
    showRegression();
    choose(1);
    // The low 8 bits used to make 257 a line and -1 a degree of 255.
    for (const char *answer : {"21", "257", "-1", "two", ""}) {
        expectDegree("2", answer);
        dialogs.expectMessage(MessageKind::Error, "Degree must be a whole number from 0 to 20", Button::Ok);
        control<QPushButton>(form.get(), "BtnNewPolynom")->click();
        EXPECT_EQ((*page().series())[0]->Res.Degree, 1) << answer;
        EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)"})) << answer;
    }
    // The largest degree is taken, and refused as one that five points cannot determine: no line.
    expectDegree("2", "20");
    dialogs.expectMessage(
        MessageKind::Error,
        "A polynomial of degree 20 cannot be fitted reliably to these 5 points; try a lower degree",
        Button::Ok);
    control<QPushButton>(form.get(), "BtnNewPolynom")->click();
    EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)"}));
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(RegressionPageTest, AnotherPairWithLogarithmsAndMissingValues)
{
    startHeights("L1");
    showRegression();
    // log10 of DBH 1, 10, 100, 1000 is 0 to 3; the DBH of 0 and -5 are left out. Against 2, 4, 7, 8
    // r^2 is 441/455.
    expectVars("DBH", "D1995", true);
    expectDegree("1", "1");
    expectDetermination("0.969230769230769");
    choose(4);
    EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)"}));
    EXPECT_EQ(pointCount(0), 4);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->bottomAxis().title(), "log(DBH)");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->leftAxis().title(), "D1995");
    ASSERT_EQ(page().series()->size(), 4u);
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnEquation")->isEnabled());

    // A missing X of 0 meets the logarithm of DBH 1: three points left, r^2 = 12/13.
    expectVars("DBH", "D1995", true, false, "0", "");
    expectDegree("1", "1");
    expectDetermination("0.923076923076923");
    choose(4);
    EXPECT_EQ(pointCount(0), 3);
    EXPECT_EQ(page().series()->size(), 4u);

    // Both logarithms.
    expectVars("DBH", "D1996", true, true);
    expectDegree("1", "1");
    dialogs.expectMessageStartingWith(MessageKind::Information,
                                      "Coefficient of determination Sqr(r)=", Button::Ok);
    choose(4);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->leftAxis().title(), "log(D1996)");
    EXPECT_EQ(pointCount(0), 4);

    // The missing values are typed, and R2 written, with the user's decimal separator.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    expectVars("DBH", "D1995", true, false, "0,0", "");
    expectDegree("1", "1");
    expectDetermination("0,923076923076923");
    choose(4);
    QLocale::setDefault(saved);
    EXPECT_EQ(pointCount(0), 3);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(RegressionPageTest, AnotherPairCancelledRefusedOrOfDegreeZero)
{
    startHeights();
    showRegression();

    // Cancelled: nothing asked further, nothing drawn.
    dialogs.expectModal("FormVars", [](QDialog &) { return int(QDialog::Rejected); });
    choose(4);
    EXPECT_EQ(page().series()->size(), 3u);

    // Confirmed without a column, or with a missing value that is not a number: an error, and the
    // dialog back with what the user chose, to correct it or cancel; the list stays as it was.
    auto expectKept = [&](const QString &x, const QString &missingX) {
        dialogs.expectModal("FormVars", [=](QDialog &d) {
            auto &vars = static_cast<app::TFormVars &>(d);
            const auto chosen = apptest::control<QListWidget>(&vars, "ListBoxX")->selectedItems();
            EXPECT_EQ(chosen.size() == 1 ? chosen.first()->text() : QString(), x);
            EXPECT_TRUE(apptest::control<QCheckBox>(&vars, "CBlogY")->isChecked());
            EXPECT_EQ(apptest::control<QLineEdit>(&vars, "EditMisX")->text(), missingX);
            return int(QDialog::Rejected);
        });
    };
    expectVars("DBH", "", false, true);
    dialogs.expectMessage(MessageKind::Error,
                          "Choose a column in both lists: Independent (X) and Dependent (Y)", Button::Ok);
    expectKept("DBH", "");
    choose(4);
    expectVars("DBH", "D1995", false, true, "x");
    dialogs.expectMessage(MessageKind::Error, "'x' is not a valid floating point value", Button::Ok);
    expectKept("DBH", "x");
    choose(4);
    EXPECT_EQ(page().series()->size(), 3u);
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->seriesCount(), 0);

    // A refused degree keeps the pair shown before.
    expectVars("DBH", "D1995");
    expectDegree("1", "1");
    expectDetermination("0.402641551493535");
    choose(4);
    ASSERT_EQ(page().series()->size(), 4u);
    const stats::TStatistics *shown = (*page().series())[3].get();
    EXPECT_EQ(shown->Res.X.N, 7);
    expectVars("DBH", "D1996");
    expectDegree("1", "21");
    dialogs.expectMessage(MessageKind::Error, "Degree must be a whole number from 0 to 20", Button::Ok);
    choose(4);
    ASSERT_EQ(page().series()->size(), 4u);
    EXPECT_EQ((*page().series())[3].get(), shown);

    // Degree 0 on a new series: statistics only, no coefficients, so no line and no equation.
    expectVars("DBH", "D1995");
    expectDegree("1", "0");
    expectDetermination("0");
    dialogs.expectMessage(MessageKind::Warning, "Regression was not calculated", Button::Ok);
    choose(4);
    EXPECT_EQ(seriesTitles(), (QStringList{"Data"}));
    ASSERT_EQ(page().series()->size(), 4u);
    EXPECT_EQ((*page().series())[3]->Res.Degree, 0);
    expectEquation("Regression was not calculated");
    control<QPushButton>(form.get(), "BtnEquation")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
}

// The guards of a choice: no series list (the page not open), or fewer entries than the item needs
// (a year whose series stopped on an error).
TEST_F(RegressionPageTest, ChoicesWithoutTheirSeriesWarn)
{
    startHeights();
    showRegression();
    page().series()->resize(1);
    dialogs.expectMessage(MessageKind::Warning, "Series was not calculated", Button::Ok);
    choose(2);
    page().series().reset();
    dialogs.expectMessage(MessageKind::Warning, "There is no statistical series", Button::Ok);
    choose(1);
    // Nothing to act on: the buttons do nothing.
    page().BtnNewPolynomClick();
    page().BtnEquationClick();
    page().BtnLastYearClick();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "1995");
    EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->seriesCount(), 0);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(RegressionPageTest, WithoutAHeightRoleOnlyTheDbhSeries)
{
    startCrown();
    select("B0206", "LT");
    showRegression();
    EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "2014");
    control<QToolButton>(form.get(), "BtnLastYear")->click();
    EXPECT_EQ(gridRow(2)[0], "DBH[178]");
    EXPECT_EQ(gridRow(3), kEmptyRow);
    EXPECT_EQ(gridRow(4), kEmptyRow);
    for (int item : {2, 3}) {
        dialogs.expectMessage(
            MessageKind::Information,
            "No column of the table has the role Height, so there are no heights to show. On "
            "the main page, give the column of heights the role Height and press Set OK.",
            Button::Ok);
        choose(item);
        EXPECT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->seriesCount(), 0);
    }
    choose(1);
    EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)"}));
    EXPECT_EQ(dialogs.pending(), 0u);
}

// The grid, the polynomial of degree 2 and the equation of B0206 / LT in 2021, against the
// independent figures, as the user reads them with a point and with a comma.
TEST_F(RegressionPageTest, RealPlotAgreesWithTheIndependentComputation)
{
    struct LocaleCase
    {
        QLocale locale;
        QChar separator;
        const char *equation;
    };
    const LocaleCase cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), '.', "y = 19.39 -0.4172x + 0.003238x^2"},
        {QLocale(QLocale::Czech, QLocale::CzechRepublic), ',', "y = 19,39 -0,4172x + 0,003238x^2"},
    };
    const QLocale saved;
    startCrown();
    select("B0206", "LT");
    for (const auto &c : cases) {
        QLocale::setDefault(c.locale);
        control<QTabWidget>(form.get(), "PageControl1")
            ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetMain"));
        showRegression();
        control<QToolButton>(form.get(), "BtnLastYear")->click();
        EXPECT_EQ(control<QLabel>(form.get(), "LabelYear")->text(), "2021");

        auto number = [&](double v) { return QString::number(v, 'f', 4).replace('.', c.separator); };
        QStringList dbh{QString("DBH[%1]").arg(B0206::n)}, defoliation{""};
        for (double v : B0206::dbh)
            dbh << number(v);
        for (double v : B0206::defoliation)
            defoliation << number(v);
        dbh << number(B0206::r);
        EXPECT_EQ(gridRow(1), (defoliation + QStringList{"", ""}));
        EXPECT_EQ(gridRow(2).mid(0, 6), dbh);
        EXPECT_EQ(gridRow(2)[6], QString(B0206::programP).replace('.', c.separator));
        EXPECT_NEAR(gridRow(2)[6].replace(c.separator, '.').toDouble(), 100 * B0206::p, 0.02);

        choose(1);
        EXPECT_EQ(pointCount(0), B0206::n);
        expectDegree("2", "2");
        dialogs.expectMessageStartingWith(MessageKind::Information,
                                          "Coefficient of determination Sqr(r)=", Button::Ok);
        control<QPushButton>(form.get(), "BtnNewPolynom")->click();
        EXPECT_NEAR(lastNumber(c.separator), B0206::r2Degree2, 1e-9);
        expectEquation(c.equation);
        control<QPushButton>(form.get(), "BtnEquation")->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.equation);
        EXPECT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)", "Regression (2)"}));
        EXPECT_EQ(dialogs.pending(), 0u);
    }
    // Degree 20: the curve and R2 of the command line, and instead of an equation whose coefficients
    // cancel one another, why there is none.
    QLocale::setDefault(cases[0].locale);
    expectDegree("3", "20");
    dialogs.expectMessageStartingWith(MessageKind::Information,
                                      "Coefficient of determination Sqr(r)=", Button::Ok);
    control<QPushButton>(form.get(), "BtnNewPolynom")->click();
    EXPECT_NEAR(lastNumber(), 0.133281838482141, 1e-12);
    dialogs.expectMessage(
        MessageKind::Information,
        "The coefficients of this polynomial of degree 20 cannot be given to the 4 digits the "
        "equation shows: they cancel one another over the points. The curve and Sqr(r) are "
        "right; a lower degree gives an equation that can be shown.",
        Button::Ok);
    control<QPushButton>(form.get(), "BtnEquation")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    QLocale::setDefault(saved);
}

// "Save picture" on this page, and fenoris-cli regression drawing the same chart. The regression
// chart of B0206 / LT at the size of the window's design.
class RegressionPictureTest : public RegressionPageTest
{
protected:
    void startExample()
    {
        startCrown();
        select("B0206", "LT");
        showRegression();
        const QSize chart = control<charts::Chart>(form.get(), "ChartRegr")->size();
        form->resize(form->size() + QSize(680, 392) - chart);
        QCoreApplication::processEvents();
        ASSERT_EQ(control<charts::Chart>(form.get(), "ChartRegr")->size(), QSize(680, 392));
    }

    void expectSave(int filterIndex, const QString &suffix, const QString &name, int typeIndex)
    {
        dialogs.expectSaveFileTyped("Save as", TFormMain::pictureSaveDialog().filter, filterIndex, q(dataDir),
                                    suffix, false,
                                    ScriptedDialogs::Typed{q(dataDir / name.toStdString()), typeIndex});
    }
};

TEST_F(RegressionPictureTest, SavePictureWritesTheChartShown)
{
    startExample();
    control<QToolButton>(form.get(), "BtnLastYear")->click();
    choose(1);
    ASSERT_EQ(seriesTitles(), (QStringList{"Data", "Regression (1)"}));

    // Names typed without an extension, the PNG type and then the EMF type picked.
    expectSave(0, "bmp", "regression", 4);
    control<QPushButton>(form.get(), "BtnSave2")->click();
    EXPECT_EQ(
        testsupport::readerOutput("identify -format '%m %w %h' " + (dataDir / "regression.png").string()),
        "PNG 680 392");
    expectSave(4, "png", "regression", 2);
    control<QPushButton>(form.get(), "BtnSave2")->click();
    const std::string svg = testsupport::readerOutput(
        "emf2svg-conv -i " + (dataDir / "regression.emf").string() + " -o /dev/stdout");
    EXPECT_NEAR(testsupport::svgNumber(svg, "width"), 680, 1);
    const std::string texts = testsupport::svgTexts(svg);
    for (const char *title : {"DBH", "Defoliation"})
        EXPECT_NE(texts.find(title), std::string::npos) << title;
    EXPECT_EQ(dialogs.pending(), 0u);
}

// DBH against D2021 chosen under "another" with the page's missing values and a polynomial of degree
// 2, as the window draws it and as fenoris-cli regression draws it: the same bitmap, byte for byte;
// and again with a settings file loaded onto the chart before the choice, given to the command line
// with --settings.
TEST_F(RegressionPictureTest, TheCommandLineDrawsTheSameChartAsTheWindow)
{
    startExample();
    const fs::path look = dataDir / "look.gsf";
    for (const bool withLook : {false, true}) {
        SCOPED_TRACE(withLook ? "with the settings file" : "in the chart's own look");
        if (withLook) {
            // A look of the window's chart kept in a file, a chart colour and a fixed left axis, and
            // loaded as the properties dialog's Load does.
            control<charts::Chart>(form.get(), "ChartRegr")->setChartColor(QColor(255, 255, 160));
            control<charts::Chart>(form.get(), "ChartRegr")->leftAxis().setAutomatic(false);
            control<charts::Chart>(form.get(), "ChartRegr")->leftAxis().setRange(-20, 120);
            control<charts::Chart>(form.get(), "ChartRegr")->leftAxis().setIncrement(20);
            charts::SaveChartSettings(*control<charts::Chart>(form.get(), "ChartRegr"), look.string());
            charts::ApplyChartSettingsFile(*control<charts::Chart>(form.get(), "ChartRegr"), look.string());
        }
        expectVars("DBH", "D2021", false, false, "0", "-1");
        expectDegree("1", "2");
        dialogs.expectMessageStartingWith(MessageKind::Information,
                                          "Coefficient of determination Sqr(r)=", Button::Ok);
        choose(4);
        ASSERT_EQ(dialogs.pending(), 0u);
        form->SaveChartPicture(*control<charts::Chart>(form.get(), "ChartRegr"), q(dataDir / "window.bmp"));

        const std::string command =
            "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(FENORIS_CLI_PATH) +
            " regression '" + (dataDir / "SCBI_CROWN.DBF").string() +
            "' DBH D2021 --plot B0206 --species LT --missing-x 0 --missing-y -1 --degree 2 --picture '" +
            (dataDir / "cli.bmp").string() + "' --size 680x392" +
            (withLook ? " --settings '" + look.string() + "'" : std::string()) + " >/dev/null 2>&1";
        ASSERT_EQ(testsupport::runCommand(command), 0) << command;
        const std::string window = readBytes(dataDir / "window.bmp");
        EXPECT_EQ(window.size(), readBytes(dataDir / "cli.bmp").size());
        EXPECT_TRUE(window == readBytes(dataDir / "cli.bmp"));
        fs::remove(dataDir / "window.bmp");
    }
    // The look reached the pictures: the chart colour in a corner.
    EXPECT_EQ(QImage(q(dataDir / "cli.bmp")).pixelColor(2, 2), QColor(255, 255, 160));
}

} // namespace
