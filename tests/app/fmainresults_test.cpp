// The statistics button, the pages "Plot statistics" and "Transit matrix" and the clipboard export of
// a matrix.
#include "app/fmain.h"
#include "app/listbox.h"
#include "app/resultpages.h"
#include "common/messagesink.h"
#include "data/database.h"
#include "data/generator.h"
#include "mainwindowtest.h"
#include "model/dbfdump.h"
#include "model/resulttables.h"
#include "model/statisticsrun.h"
#include "support/testsupport.h"
#include "treetable.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <array>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <unistd.h>

namespace {

using namespace apptest;
using Lines = std::vector<std::string>;
using Matrix = std::array<std::array<double, 6>, 6>;
using Rows = std::vector<std::vector<std::string>>;

// The field of the transit matrix in row i, column j, and the tree count beside row i.
QLabel *transitField(const TFormMain &form, int i, int j)
{
    return control<QLabel>(&form, QString("DBT%1%2").arg(i).arg(j));
}

QLabel *transitRowCount(const TFormMain &form, int i)
{
    return control<QLabel>(&form, QString("LbTMCount%1").arg(i));
}

const Matrix kExample = {{{0.8, 0.2, 0, 0, 0, 0},
                          {0.1, 0.7, 0.2, 0, 0, 0},
                          {0, 0.1, 0.8, 0.1, 0, 0},
                          {0, 0, 0.2, 0.6, 0.2, 0},
                          {0, 0, 0, 0.25, 0.5, 0.25},
                          {0, 0, 0, 0, 0, 1}}};
const Matrix kIdentity = {{{1, 0, 0, 0, 0, 0},
                           {0, 1, 0, 0, 0, 0},
                           {0, 0, 1, 0, 0, 0},
                           {0, 0, 0, 1, 0, 0},
                           {0, 0, 0, 0, 1, 0},
                           {0, 0, 0, 0, 0, 1}}};
const Matrix kHalf = {{{0.5, 0.5, 0, 0, 0, 0},
                       {0, 1, 0, 0, 0, 0},
                       {0, 0, 1, 0, 0, 0},
                       {0, 0, 0, 1, 0, 0},
                       {0, 0, 0, 0, 1, 0},
                       {0, 0, 0, 0, 0, 1}}};

const char *const kExampleLine = "A11995SM={{0.8;0.2;0;0;0;0};{0.1;0.7;0.2;0;0;0};{0;0.1;0.8;0.1;0;0};"
                                 "{0;0;0.2;0.6;0.2;0};{0;0;0;0.25;0.5;0.25};{0;0;0;0;0;1}}";

struct TransitRow
{
    const char *plot;
    const char *species;
    int year;
    int interval;
    const Matrix &matrix;
    int trees;
};

// Nullopt is a blank value.
struct AverageRow
{
    const char *plot;
    const char *species;
    int year;
    std::vector<std::optional<double>> values; // N_tree, Dead, Def_avg, Def_std, Def_min, C0 ... C5
};

const char *const kAverageValueColumns[] = {"N_TREE", "DEAD", "DEF_AVG", "DEF_STD", "DEF_MIN", "C0",
                                            "C1",     "C2",   "C3",      "C4",      "C5"};

class ResultsTest : public MainWindowTest
{
protected:
    void showPage(QWidget *page) { control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(page); }

    // The tables as the statistics run creates them, filled with the given rows.
    void writeTransit(const std::vector<TransitRow> &rows)
    {
        writeTable(model::kTransitTable, model::TransitTableSql(), [&](data::Table &table) {
            for (const auto &row : rows) {
                table.append();
                table.setString("ID_PLOT", row.plot);
                table.setString("ID_SPECIES", row.species);
                table.setInteger("ID_Year", row.year);
                table.setInteger("INTERVAL", row.interval);
                for (int i = 0; i < 6; ++i)
                    for (int j = 0; j < 6; ++j)
                        table.setFloat("T" + std::to_string(i) + std::to_string(j), row.matrix[i][j]);
                table.setInteger("N_tree", row.trees);
                table.post();
            }
        });
    }

    void writeAverage(const std::vector<AverageRow> &rows)
    {
        writeTable(model::kAverageTable, model::AverageTableSql(), [&](data::Table &table) {
            for (const auto &row : rows) {
                table.append();
                table.setString("ID_PLOT", row.plot);
                table.setString("ID_SPECIES", row.species);
                table.setInteger("ID_Year", row.year);
                for (std::size_t c = 0; c < row.values.size(); ++c)
                    if (row.values[c]) table.setFloat(kAverageValueColumns[c], *row.values[c]);
                table.post();
            }
        });
    }

    QString field(int i, int j) const { return transitField(*form, i, j)->text(); }

    // The page's fields of the matrix, row by row.
    std::vector<QStringList> matrixShown() const
    {
        std::vector<QStringList> rows(6);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j)
                rows[i] << field(i, j);
        return rows;
    }

    static std::vector<QStringList> asShown(const Matrix &matrix)
    {
        std::vector<QStringList> rows(6);
        for (int i = 0; i < 6; ++i)
            for (double value : matrix[i])
                rows[i] << QString::number(value);
        return rows;
    }

private:
    void writeTable(const char *name, const Lines &sql, const std::function<void(data::Table &)> &fill)
    {
        data::Connection connection;
        connection.setParam("PATH", dataDir.string() + "/");
        connection.open();
        data::Query create(connection);
        create.setSql(sql);
        create.execSql();
        data::Table table(connection, name);
        table.open();
        fill(table);
        table.close();
    }
};

// The page tests' stored results: A1/SM has three years, B2/sm one, C3/BK one that no test selects.
const std::vector<TransitRow> kTransitRows = {
    {"C3", "BK", 1995, 1, kIdentity, 9},  {"A1", "SM", 1995, 1, kExample, 12},
    {"A1", "SM", 1996, 1, kIdentity, 11}, {"B2", "sm", 1996, 1, kIdentity, 7},
    {"A1", "SM", 1997, 1, kHalf, 10},
};

TEST_F(ResultsTest, WithoutStoredResultsThePagesWarnFirstAndCopyFails)
{
    startTrees();
    select("A1", "SM");
    for (QWidget *page :
         {control<QWidget>(form.get(), "TabSheetStat"), control<QWidget>(form.get(), "TabSheetTransit")}) {
        // The file test comes before the selection check: a selection does not help.
        dialogs.expectMessage(MessageKind::Warning, "Prepare average statistics firstly", Button::Ok);
        showPage(page);
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_EQ(control<QTabWidget>(form.get(), "PageControl1")->currentWidget(), page);
    }
    EXPECT_EQ(control<QTableWidget>(form.get(), "DBGrid1")->rowCount(), 0);
    EXPECT_EQ(control<app::ListBox>(form.get(), "LB_TransitMatrix")->count(), 0);

    QGuiApplication::clipboard()->setText("kept");
    dialogs.expectMessage(MessageKind::Error, "Field 'ID_SPECIES' not found", Button::Ok);
    control<QPushButton>(form.get(), "BtnCopyClp")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

TEST_F(ResultsTest, PlotStatisticsShowTheStoredYearsOfTheSelection)
{
    writeAverage({
        {"A1", "SM", 1995, {3, 0, 12.5, 4.25, -3.484, 0.3333, 0.6667, 0, 0, 0, 0}},
        {"A1", "BK", 1995, {1, 0, 10, 0, 10, 1, 0, 0, 0, 0, 0}},
        // No living tree: the class shares stay blank.
        {"A1", "SM", 1996, {0, 100, 0, 0, 0}},
        {"O'Hara", "SM", 1995, {1, 0, 5, 0, 5, 1, 0, 0, 0, 0, 0}},
    });
    startTrees();
    select("A1", "SM");
    showPage(control<QWidget>(form.get(), "TabSheetStat"));
    EXPECT_EQ(form->state().QueryAverage.sqlLines(),
              (Lines{"SELECT * FROM 'AVERAGE.DBF'", "WHERE ((ID_PLOT='A1') and (ID_SPECIES='SM'))"}));

    QStringList headings;
    for (int c = 0; c < control<QTableWidget>(form.get(), "DBGrid1")->columnCount(); ++c)
        headings << control<QTableWidget>(form.get(), "DBGrid1")->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headings, (QStringList{"Id_plot", "Id_species", "Id_year", "N_tree", "Dead", "Def_avg",
                                     "Def_std", "Def_min", "C0", "C1", "C2", "C3", "C4", "C5"}));
    auto row = [this](int r) {
        QStringList cells;
        for (int c = 0; c < control<QTableWidget>(form.get(), "DBGrid1")->columnCount(); ++c)
            cells << control<QTableWidget>(form.get(), "DBGrid1")->item(r, c)->text();
        return cells;
    };
    ASSERT_EQ(control<QTableWidget>(form.get(), "DBGrid1")->rowCount(), 2);
    EXPECT_EQ(row(0), (QStringList{"A1", "SM", "1995", "3", "0", "12.5", "4.25", "-3.484", "0.3333", "0.6667",
                                   "0", "0", "0", "0"}));
    EXPECT_EQ(row(1), (QStringList{"A1", "SM", "1996", "0", "100", "0", "0", "0", "", "", "", "", "", ""}));
    EXPECT_EQ(control<QTableWidget>(form.get(), "DBGrid1")->editTriggers(),
              QAbstractItemView::NoEditTriggers);

    // A quote in the plot name stays inside its literal.
    showPage(control<QWidget>(form.get(), "TabSheetMain"));
    select("O'Hara", "SM");
    showPage(control<QWidget>(form.get(), "TabSheetStat"));
    ASSERT_EQ(control<QTableWidget>(form.get(), "DBGrid1")->rowCount(), 1);
    EXPECT_EQ(control<QTableWidget>(form.get(), "DBGrid1")->item(0, 0)->text(), "O'Hara");
}

TEST_F(ResultsTest, TransitPageIsBuiltOnceAndFollowsTheSelectionAndTheYearList)
{
    writeTransit(kTransitRows);
    startTrees();
    select("A1", "SM");
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    EXPECT_EQ(
        form->state().QueryTransition.sqlLines(),
        (Lines{"SELECT * FROM 'TRANSIT.DBF'", "WHERE ((ID_PLOT = :Plot) and (ID_SPECIES = :Species))"}));
    EXPECT_EQ(control<QLabel>(form.get(), "Lb_TMplot")->text(), "Plot A1");
    EXPECT_EQ(control<QLabel>(form.get(), "Lb_TMspecies")->text(), "Species SM");
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "LB_TransitMatrix")),
              (QStringList{"1995", "1996", "1997"}));
    EXPECT_EQ(control<app::ListBox>(form.get(), "LB_TransitMatrix")->selectedRow(), 0);
    EXPECT_EQ(matrixShown(), asShown(kExample));
    EXPECT_EQ(control<QLabel>(form.get(), "DBText1")->text(), "1");
    EXPECT_EQ(control<QLabel>(form.get(), "DBTreeNumber")->text(), "12");

    // The display by pixels within the page: headings at 160 and at top 30, fields 55 wide.
    QLabel *const t00 = transitField(*form, 0, 0);
    EXPECT_EQ(t00->objectName(), "DBT00");
    EXPECT_EQ(t00->parentWidget(), control<QWidget>(form.get(), "TabSheetTransit"));
    const QRect t23 = transitField(*form, 2, 3)->geometry();
    EXPECT_EQ(QRect(t23.left(), t23.top(), t23.width(), 1), QRect(380, 120, 55, 1));
    int headings = 0;
    for (QLabel *label : control<QWidget>(form.get(), "TabSheetTransit")->findChildren<QLabel *>()) {
        if (!QRegularExpression("^[0-5]:$").match(label->text()).hasMatch()) continue;
        ++headings;
        EXPECT_TRUE(label->font().bold());
        const int i = label->text().left(1).toInt();
        EXPECT_TRUE(label->pos() == QPoint(160, 60 + 30 * i) || label->pos() == QPoint(200 + 60 * i, 30))
            << label->text().toStdString();
    }
    EXPECT_EQ(headings, 12);
    EXPECT_FALSE(
        control<QGroupBox>(form.get(), "GroupClipboard")->geometry().intersects(QRect(160, 30, 395, 210)));

    // A click on the third year shows the third row.
    control<app::ListBox>(form.get(), "LB_TransitMatrix")->selectRow(2);
    control<app::TransitPage>(form.get(), "TabSheetTransit")->LB_TransitMatrixClick();
    EXPECT_EQ(matrixShown(), asShown(kHalf));
    EXPECT_EQ(control<QLabel>(form.get(), "DBTreeNumber")->text(), "10");
    // A year the query does not hold leaves the display where it was.
    control<app::ListBox>(form.get(), "LB_TransitMatrix")->addItem("2001");
    control<app::ListBox>(form.get(), "LB_TransitMatrix")->selectRow(3);
    dialogs.expectMessage(MessageKind::Warning, "System error: cannot find existing data", Button::Ok);
    control<app::TransitPage>(form.get(), "TabSheetTransit")->LB_TransitMatrixClick();
    EXPECT_EQ(field(0, 0), "0.5");

    // The second entry, for another selection, reuses the display and lists its own years only.
    showPage(control<QWidget>(form.get(), "TabSheetMain"));
    select("B2", "sm");
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    EXPECT_EQ(transitField(*form, 0, 0), t00);
    EXPECT_EQ(control<QWidget>(form.get(), "TabSheetTransit")
                  ->findChildren<QLabel *>(QRegularExpression("^DBT\\d\\d$"))
                  .size(),
              36);
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "LB_TransitMatrix")), QStringList{"1996"});
    EXPECT_EQ(matrixShown(), asShown(kIdentity));
    EXPECT_EQ(control<QLabel>(form.get(), "DBTreeNumber")->text(), "7");
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ResultsTest, SelectionWithoutMatrixReturnsToTheMainPageAndShowsNothing)
{
    writeTransit(kTransitRows);
    startTrees();
    select("A1", "SM");
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    ASSERT_EQ(field(0, 0), "0.8");

    showPage(control<QWidget>(form.get(), "TabSheetMain"));
    select("A1", "BK");
    dialogs.expectMessage(MessageKind::Information, "There is no transition matrix in this case", Button::Ok);
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              control<QWidget>(form.get(), "TabSheetMain"));
    EXPECT_FALSE(form->state().QueryTransition.isActive());
    EXPECT_EQ(control<app::ListBox>(form.get(), "LB_TransitMatrix")->count(), 0);
    EXPECT_EQ(matrixShown(), std::vector<QStringList>(6, QStringList(6, "")));
    EXPECT_EQ(control<QLabel>(form.get(), "DBText1")->text(), "");
    EXPECT_EQ(control<QLabel>(form.get(), "DBTreeNumber")->text(), "");
}

// Restores the default locale, which gives the program's decimal separator.
class LocaleScope
{
public:
    explicit LocaleScope(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

QString replaced(QString text, const QString &from, const QString &to)
{
    return text.replace(from, to);
}

TEST_F(ResultsTest, CopyWritesTheMatrixOnDisplayInTheChosenNotation)
{
    writeTransit(kTransitRows);
    startTrees();
    select("A1", "SM");
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));

    const QString example = kExampleLine;
    const QString matrix = example.mid(example.indexOf('='));
    struct CopyCase
    {
        const char *title;
        const char *opening;
        const char *decimal;
        QLocale::Language system;
        QString expected;
    };
    const CopyCase cases[] = {
        {"@p@y@s=", "{", ".", QLocale::C, example},
        {"M_@s_@p_@y ", "{", ".", QLocale::C, "M_SM_A1_1995 " + matrix.mid(1)},
        {"@p@p", "{", ".", QLocale::C, "A1@p" + matrix.mid(1)},
        {"", "{", ".", QLocale::C, matrix.mid(1)},
        {"@p@y@s=", "[", ".", QLocale::C,
         "A11995SM=[[0.8;0.2;0;0;0;0];[0.1;0.7;0.2;0;0;0];[0;0.1;0.8;0.1;0;0];"
         "[0;0;0.2;0.6;0.2;0];[0;0;0;0.25;0.5;0.25];[0;0;0;0;0;1]]"},
        {"@p@y@s=", "{", ",", QLocale::C, replaced(example, ".", ",")},
        // The system's comma is replaced by the chosen point, and kept when it is the one chosen.
        {"@p@y@s=", "{", ".", QLocale::Czech, example},
        {"@p@y@s=", "{", ",", QLocale::Czech, replaced(example, ".", ",")},
    };
    for (const auto &c : cases) {
        const LocaleScope locale{QLocale(c.system)};
        control<QLineEdit>(form.get(), "EdCpTitle")->setText(c.title);
        control<QLineEdit>(form.get(), "EdCpBr1")->setText(c.opening);
        control<QLineEdit>(form.get(), "EdCpDec")->setText(c.decimal);
        control<QPushButton>(form.get(), "BtnCopyClp")->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.expected)
            << c.title << " " << c.opening << c.decimal;
    }
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(ResultsTest, OpeningBracketSetsItsPartnerTwoCodesHigher)
{
    startTrees();
    const std::pair<QString, QString> cases[] = {
        {"{", "}"}, {"[", "]"}, {"<", ">"}, {"(", "*"}, {QString(QChar(0xFF)), QString(QChar(0x01))}};
    for (const auto &[opening, closing] : cases) {
        control<QLineEdit>(form.get(), "EdCpBr1")->setText(opening);
        EXPECT_EQ(control<QLineEdit>(form.get(), "EdCpBr2")->text(), closing) << opening.toStdString();
    }
    // Nothing to pair: the closing bracket stays.
    for (const QString &opening : {QString(), QString::fromUtf8("€")}) {
        control<QLineEdit>(form.get(), "EdCpBr2")->setText(")");
        control<QLineEdit>(form.get(), "EdCpBr1")->setText(opening);
        EXPECT_EQ(control<QLineEdit>(form.get(), "EdCpBr2")->text(), ")");
    }
}

TEST_F(ResultsTest, CopyRefusesAnEmptyFieldAndOneMarkForTwoUses)
{
    writeTransit(kTransitRows);
    startTrees();
    select("A1", "SM");
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    QGuiApplication::clipboard()->setText("kept");
    const std::pair<QLineEdit *, QString> fields[] = {
        {control<QLineEdit>(form.get(), "EdCpBr1"), "opening bracket"},
        {control<QLineEdit>(form.get(), "EdCpBr2"), "closing bracket"},
        {control<QLineEdit>(form.get(), "EdCpSpr"), "separator"},
        {control<QLineEdit>(form.get(), "EdCpDec"), "decimal"}};
    for (const auto &[edit, name] : fields) {
        const QString text = edit->text();
        edit->clear();
        dialogs.expectMessage(
            MessageKind::Warning,
            "The " + name + " field is empty: enter one character in it to copy the matrix.", Button::Ok);
        control<QPushButton>(form.get(), "BtnCopyClp")->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
        edit->setText(text);
    }
    // A comma as both the separator and the decimal mark would give text no reader can split.
    auto *separator = control<QLineEdit>(form.get(), "EdCpSpr");
    const QString separatorText = separator->text();
    separator->setText(control<QLineEdit>(form.get(), "EdCpDec")->text());
    dialogs.expectMessage(MessageKind::Warning,
                          "The separator and the decimal mark are both \"" + separator->text() +
                              "\": choose two different characters to copy the matrix.",
                          Button::Ok);
    control<QPushButton>(form.get(), "BtnCopyClp")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    separator->setText(separatorText);
    EXPECT_EQ(dialogs.pending(), 0u);
}

// The FIA table's C007P113/QR: 7 trees, all in class 1 in 2004 and in 2009 (counted in its README).
// TRANSIT.DBF comes from fenoris-cli statistics at an interval of 5 years. The intervals are the
// Wilson intervals of 7 of 7 and 0 of 7 at 0.95 (R: prop.test(x, 7, correct = FALSE)$conf.int).
TEST_F(ResultsTest, TransitPageShowsTheTreesOfEachRowTheIntervalsAndTheHomogeneityLine)
{
    for (const char *name : {"FIA_RI.DBF", "FIA_RI.yrs", "FIA_RI.var"})
        testsupport::copyInto(testsupport::realData() / "fia_ri" / name, dataDir);
    std::string out;
    ASSERT_EQ(testsupport::runCommand(std::string(FENORIS_CLI_PATH) + " statistics '" +
                                          (dataDir / "FIA_RI.DBF").string() + "' --interval 5 2>&1",
                                      &out),
              0)
        << out;
    startOn(dataDir / "FIA_RI.DBF");
    mainPage()->BtnSetOKClick();
    select("C007P113", "QR");
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    ASSERT_EQ(itemsOf(control<app::ListBox>(form.get(), "LB_TransitMatrix")), QStringList{"2004"});
    EXPECT_EQ(control<QCheckBox>(form.get(), "CheckShowIntervals")->accessibleName(), "Show intervals");
    EXPECT_FALSE(control<QCheckBox>(form.get(), "CheckShowIntervals")->isChecked());

    QStringList counts;
    for (int i = 0; i < 6; ++i)
        counts << transitRowCount(*form, i)->text();
    EXPECT_EQ(counts, (QStringList{"n = 0 (assumed)", "n = 7", "n = 0 (assumed)", "n = 0 (assumed)",
                                   "n = 0 (assumed)", "n = 0 (assumed)"}));
    EXPECT_EQ(control<QLabel>(form.get(), "LbHomogeneity")->text(), "One period only: nothing to compare");
    EXPECT_EQ(matrixShown(), asShown(kIdentity));

    control<QCheckBox>(form.get(), "CheckShowIntervals")->setChecked(true);
    const QString none = QString::fromUtf8("0.000 (0.000\u20130.354)");
    const QString all = QString::fromUtf8("1.000 (0.646\u20131.000)");
    const QString assumedOne = QString::fromUtf8("1.000 (0.000\u20131.000)");
    const QString assumedZero = QString::fromUtf8("0.000 (0.000\u20131.000)");
    EXPECT_EQ(matrixShown()[1], (QStringList{none, all, none, none, none, none}));
    EXPECT_EQ(matrixShown()[0],
              (QStringList{assumedOne, assumedZero, assumedZero, assumedZero, assumedZero, assumedZero}));
    EXPECT_EQ(field(4, 4), assumedOne);
    // The wider cells push the counts to the right of the last column, clear of every cell.
    const QRect last = transitField(*form, 1, 5)->geometry();
    EXPECT_GE(transitRowCount(*form, 1)->x(), last.right());
    EXPECT_FALSE(control<QGroupBox>(form.get(), "GroupClipboard")->geometry().intersects(last));

    control<QCheckBox>(form.get(), "CheckShowIntervals")->setChecked(false);
    EXPECT_EQ(matrixShown(), asShown(kIdentity));
    EXPECT_EQ(transitField(*form, 2, 3)->geometry().topLeft(), QPoint(380, 120));

    // With a condition that leaves 5 of the 7 trees, the stored matrix is no longer the trees': no
    // counts, and the line says why.
    showPage(control<QWidget>(form.get(), "TabSheetMain"));
    form->state().Survey.setConditions("DBH > 25");
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    EXPECT_EQ(matrixShown(), asShown(kIdentity));
    EXPECT_EQ(transitRowCount(*form, 1)->text(), "");
    EXPECT_EQ(control<QLabel>(form.get(), "LbHomogeneity")->text(),
              "No tree counts: TRANSIT.DBF does not hold the matrices of the trees "
              "now selected (run Statistics again)");
    control<QCheckBox>(form.get(), "CheckShowIntervals")->setChecked(true);
    EXPECT_EQ(matrixShown(), asShown(kIdentity));
    EXPECT_EQ(dialogs.pending(), 0u);
}

// Three periods of a generated table: the window's row counts and homogeneity line against
// fenoris-cli transitions on the same table, so that the page and the command cannot disagree.
TEST_F(ResultsTest, TransitPageAgreesWithTheCommandOnThreePeriods)
{
    data::GeneratorSettings settings;
    settings.trees = 200;
    settings.plots = 2;
    settings.years = 4;
    const fs::path table = dataDir / "FOREST.DBF";
    data::generateTable(table, settings);
    const std::string cli = std::string(FENORIS_CLI_PATH);
    std::string out;
    ASSERT_EQ(testsupport::runCommand(cli + " statistics '" + table.string() + "' 2>&1", &out), 0) << out;
    startOn(table);
    mainPage()->BtnSetOKClick();
    ASSERT_GT(control<app::ListBox>(form.get(), "ListPlots")->count(), 0);
    clickPlot(control<app::ListBox>(form.get(), "ListPlots")->item(0)->text());
    ASSERT_GT(control<app::ListBox>(form.get(), "ListSpecies")->count(), 0);
    clickSpecies(control<app::ListBox>(form.get(), "ListSpecies")->item(0)->text());
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    ASSERT_EQ(control<app::ListBox>(form.get(), "LB_TransitMatrix")->count(), 3);

    const std::string selection =
        " --plot '" + form->selectedPlot() + "' --species '" + form->selectedSpecies() + "'";
    ASSERT_EQ(testsupport::runCommand(cli + " transitions '" + table.string() + "'" + selection, &out), 0);
    // n_from of the first record's rows: lines 1, 7, 13, ... of the cells.
    QStringList lines = QString::fromStdString(out).split('\n');
    ASSERT_GE(lines.size(), 3 * 36 + 1);
    for (int i = 0; i < 6; ++i) {
        const QStringList cells = lines[1 + 6 * i].split(',');
        const QString n = "n = " + cells[6] + (cells[12] == "0" ? " (assumed)" : "");
        EXPECT_EQ(transitRowCount(*form, i)->text(), n) << i;
    }

    ASSERT_EQ(testsupport::runCommand(cli + " transitions '" + table.string() + "'" + selection +
                                          " --homogeneity 2>/dev/null",
                                      &out),
              0);
    lines = QString::fromStdString(out).split('\n');
    ASSERT_GE(lines.size(), 2);
    ASSERT_EQ(lines[0], "chi2,df,p,small_counts,exact_p");
    const QStringList test = lines[1].split(',');
    ASSERT_EQ(test.size(), 5);
    const QRegularExpression shown(
        QString::fromUtf8("^Periods (agree|differ): \u03c7\u00b2 = ([0-9.]+), df = ([0-9]+), p = "
                          "([0-9.E-]+)(; small counts, p is rough; exact p = ([0-9.E-]+))?$"));
    const auto match = shown.match(control<QLabel>(form.get(), "LbHomogeneity")->text());
    ASSERT_TRUE(match.hasMatch()) << control<QLabel>(form.get(), "LbHomogeneity")->text().toStdString();
    EXPECT_NEAR(match.captured(2).toDouble(), test[0].toDouble(), 0.05);
    EXPECT_EQ(match.captured(3), test[1]);
    EXPECT_NEAR(match.captured(4).toDouble(), test[2].toDouble(), 0.005 * test[2].toDouble() + 1e-300);
    // The page shows the exact p (the same seeded draws) where the chi-square p is rough, and its
    // verdict follows it.
    const double decisive = test[3] == "1" ? test[4].toDouble() : test[2].toDouble();
    EXPECT_EQ(match.captured(1), decisive < 0.05 ? "differ" : "agree");
    EXPECT_EQ(match.captured(5).isEmpty(), test[3] == "0");
    if (test[3] == "1") {
        EXPECT_NEAR(match.captured(6).toDouble(), test[4].toDouble(), 0.005 * test[4].toDouble());
    }
    EXPECT_EQ(dialogs.pending(), 0u);
}

// The statistics run on a generated table, against the same run of the core library on a copy.
class StatisticsButtonTest : public ResultsTest
{
protected:
    static constexpr int kPlots = 6;
    static constexpr int kYears = 4;

    void startForest()
    {
        data::GeneratorSettings settings;
        settings.trees = 360;
        settings.plots = kPlots;
        settings.years = kYears;
        data::generateTable(dataDir / "FOREST.DBF", settings);
        fs::create_directories(coreDir);
        for (const char *file : {"FOREST.DBF", "FOREST.yrs", "FOREST.var"})
            fs::copy_file(dataDir / file, coreDir / file);
        startOn(dataDir / "FOREST.DBF");
        mainPage()->BtnSetOKClick();
        control<QLineEdit>(form.get(), "EditInterval")->setText("2");
        control<QLineEdit>(form.get(), "EditPrcTree")->setText("10");
    }

    // TRANSIT.DBF and AVERAGE.DBF as the core library writes them for the table, interval 2, share 10.
    std::pair<dbfdump::Table, dbfdump::Table> coreTables(int interval = 2)
    {
        data::Connection connection;
        connection.setParam("PATH", coreDir.string() + "/");
        connection.open();
        data::Query query(connection);
        model::TableSetup setup{"FOREST.DBF", {"PLOT", "TREE", "SP", "DBH", "HEIGHT"}, "", {}};
        for (int y = 0; y < kYears; ++y)
            setup.years.push_back({1995 + y, "D" + std::to_string(1995 + y)});
        model::ModelSettings settings;
        settings.interval = interval;
        common::RecordingSink sink;
        settings.prcTreeFactor = model::ComputePrcTreeFactor(10, sink);
        model::QuerySelection selection(query, setup);
        model::StatisticsRun(connection, query, setup, settings).execute(selection, sink);
        EXPECT_TRUE(sink.entries().empty());
        return {dbfdump::read(coreDir / "TRANSIT.DBF"), dbfdump::read(coreDir / "AVERAGE.DBF")};
    }

    // The message that ends a run which wrote these tables: every plot and species of AVERAGE.DBF was
    // processed.
    static QString completion(const dbfdump::Table &transit, const dbfdump::Table &average)
    {
        std::set<std::pair<std::string, std::string>> pairs;
        for (const auto &row : average.rows)
            pairs.insert({row[0], row[1]});
        return QString("Statistics written: %1 plots, %2 pairs of plot and species; TRANSIT.DBF %3 rows, "
                       "AVERAGE.DBF %4 rows")
            .arg(kPlots)
            .arg(pairs.size())
            .arg(transit.rows.size())
            .arg(average.rows.size());
    }

    fs::path coreDir = temp / "core";
};

TEST_F(StatisticsButtonTest, WritesTheRowsOfTheCoreRunAndKeepsTheUsersSelection)
{
    startForest();
    const QStringList plots = itemsOf(control<app::ListBox>(form.get(), "ListPlots"));
    ASSERT_EQ(plots.size(), kPlots);
    const auto [transit, average] = coreTables();
    // Only the model chart reads "Max deads %"; the run does not stop on it.
    control<QLineEdit>(form.get(), "EditMaxDeads")->setText("half");
    std::vector<std::string> steps;
    dialogs.expectProgress("Statistics", [&](int done, int total, const std::string &current) {
        steps.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + current);
        // A second click cannot start a second run.
        EXPECT_FALSE(control<QPushButton>(form.get(), "BtnStat")->isEnabled());
        return true;
    });
    dialogs.expectMessage(MessageKind::Information, completion(transit, average), Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnStat")->isEnabled());
    std::vector<std::string> expectedSteps;
    for (int p = 0; p <= kPlots; ++p)
        expectedSteps.push_back(std::to_string(p) + "/" + std::to_string(kPlots) + " " +
                                (p < kPlots ? plots[p].toStdString() : ""));
    EXPECT_EQ(steps, expectedSteps);

    EXPECT_GT(transit.rows.size(), 10u);
    EXPECT_EQ(dbfdump::read(dataDir / "TRANSIT.DBF").rows, transit.rows);
    EXPECT_EQ(dbfdump::read(dataDir / "AVERAGE.DBF").rows, average.rows);

    EXPECT_EQ(control<app::ListBox>(form.get(), "ListPlots")->selectedRow(), kPlots - 1);
    EXPECT_EQ(control<app::ListBox>(form.get(), "ListSpecies")->selectedRow(),
              control<app::ListBox>(form.get(), "ListSpecies")->count() - 1);
    EXPECT_NE(control<QLabel>(form.get(), "LabelTreeCount")->text(), "-");
    EXPECT_FALSE(form->state().Query1.isActive());

    // The page shows the tables of the last run, also when a second run has replaced them under
    // its query.
    const std::string plot = form->selectedPlot();
    const std::string species = form->selectedSpecies();
    auto yearsOf = [&](const dbfdump::Table &table) {
        QStringList years;
        for (const auto &row : table.rows)
            if (row[0] == plot && row[1] == species) years << QString::fromStdString(row[2]);
        return years;
    };
    ASSERT_FALSE(yearsOf(transit).isEmpty()) << "the last plot and species have no transition rows";
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "LB_TransitMatrix")), yearsOf(transit));
    EXPECT_EQ(control<QLabel>(form.get(), "DBText1")->text(), "2");

    // A plot and species the user has selected are selected again after the run, with their count.
    showPage(control<QWidget>(form.get(), "TabSheetMain"));
    control<QLineEdit>(form.get(), "EditInterval")->setText("1");
    clickPlot(plots[0]);
    const QString userSpecies = control<app::ListBox>(form.get(), "ListSpecies")->item(0)->text();
    clickSpecies(userSpecies);
    const QString count = control<QLabel>(form.get(), "LabelTreeCount")->text();
    const auto [transit1, average1] = coreTables(1);
    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(MessageKind::Information, completion(transit1, average1), Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(form->selectedPlot(), plots[0].toStdString());
    EXPECT_EQ(form->selectedSpecies(), userSpecies.toStdString());
    EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), count);
    clickPlot(QString::fromStdString(plot));
    clickSpecies(QString::fromStdString(species));
    const auto second = dbfdump::read(dataDir / "TRANSIT.DBF");
    ASSERT_NE(yearsOf(second), yearsOf(transit));
    showPage(control<QWidget>(form.get(), "TabSheetTransit"));
    EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "LB_TransitMatrix")), yearsOf(second));
    EXPECT_EQ(control<QLabel>(form.get(), "DBText1")->text(), "1");
}

TEST_F(StatisticsButtonTest, CancelAfterTheFirstPlotKeepsItsRowsInValidTables)
{
    startForest();
    const std::string first = control<app::ListBox>(form.get(), "ListPlots")->item(0)->text().toStdString();
    dialogs.expectProgress("Statistics", [](int done, int, const std::string &) { return done < 1; });
    dialogs.expectMessage(
        MessageKind::Information,
        "Statistics cancelled after 1 of 6 plots; TRANSIT.DBF and AVERAGE.DBF keep the rows "
        "written so far.",
        Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(dialogs.pending(), 0u);

    const auto [transit, average] = coreTables();
    auto firstPlot = [&](const Rows &rows) {
        Rows kept;
        for (const auto &row : rows)
            if (row[0] == first) kept.push_back(row);
        return kept;
    };
    const Rows transitFirst = firstPlot(transit.rows);
    ASSERT_FALSE(transitFirst.empty());
    // dbfdump reads the files to their end: both are complete tables.
    EXPECT_EQ(dbfdump::read(dataDir / "TRANSIT.DBF").rows, transitFirst);
    EXPECT_EQ(dbfdump::read(dataDir / "AVERAGE.DBF").rows, firstPlot(average.rows));
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnStat")->isEnabled());
}

TEST_F(StatisticsButtonTest, ARunThatFailsKeepsTheLastTablesAndNamesThePlace)
{
    startForest();
    const auto [transit, average] = coreTables();
    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(MessageKind::Information, completion(transit, average), Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    const std::string lastTransit = readBytes(dataDir / "TRANSIT.DBF");
    const std::string lastAverage = readBytes(dataDir / "AVERAGE.DBF");

    // Letters typed into a defoliation value of the first tree, whose plot and species are processed.
    std::string bytes = readBytes(dataDir / "FOREST.DBF");
    const std::size_t header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9])
                                                                          << 8;
    // D1995 lies behind the fields before it in the header's list.
    std::size_t offset = 1, width = 0;
    for (std::size_t at = 32; bytes[at] != '\x0D'; at += 32) {
        width = static_cast<unsigned char>(bytes[at + 16]);
        if (std::string(bytes.c_str() + at) == "D1995") break;
        offset += width;
    }
    bytes.replace(header + offset, width, ("abc" + std::string(width, ' ')).substr(0, width));
    writeBytes(dataDir / "FOREST.DBF", bytes);

    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(
        MessageKind::Error,
        "Table " + q(dataDir / "FOREST.DBF") + ", column D1995, record 1: 'abc' is not a number", Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(readBytes(dataDir / "TRANSIT.DBF"), lastTransit);
    EXPECT_EQ(readBytes(dataDir / "AVERAGE.DBF"), lastAverage);
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnStat")->isEnabled());
}

TEST_F(StatisticsButtonTest, TableThatCannotBeDeletedStopsTheRunWithAnErrorBox)
{
    startForest();
    for (const char *name : {"TRANSIT.DBF", "AVERAGE.DBF"}) {
        // A directory that is not empty cannot be removed as a file.
        fs::create_directories(dataDir / name / "kept");
        dialogs.expectProgress("Statistics");
        dialogs.expectMessage(MessageKind::Error, "Unable delete file " + q(dataDir / name), Button::Ok);
        control<QPushButton>(form.get(), "BtnStat")->click();
        EXPECT_EQ(dialogs.pending(), 0u);
        EXPECT_TRUE(control<QPushButton>(form.get(), "BtnStat")->isEnabled());
        fs::remove_all(dataDir / name);
    }
}

} // namespace

namespace {

TEST_F(StatisticsButtonTest, ATableUnderAResultsNameOrAnotherRunIsRefusedWithAnErrorBox)
{
    data::GeneratorSettings settings;
    settings.trees = 60;
    settings.plots = 2;
    settings.years = 2;
    data::generateTable(dataDir / "transit.dbf", settings);
    const std::string trees = testsupport::readBytes(dataDir / "transit.dbf");
    startOn(dataDir / "transit.dbf");
    mainPage()->BtnSetOKClick();
    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(
        MessageKind::Error,
        "The table cannot be named TRANSIT.DBF or AVERAGE.DBF: the statistics are written under "
        "these names beside it",
        Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(testsupport::readBytes(dataDir / "transit.dbf"), trees);

    // Another process writing the results of the folder: this one holds the lock as a run does.
    fs::rename(dataDir / "transit.dbf", dataDir / "trees.dbf");
    for (const char *ext : {".yrs", ".var"})
        fs::rename(dataDir / (std::string("transit") + ext), dataDir / (std::string("trees") + ext));
    startOn(dataDir / "trees.dbf");
    mainPage()->BtnSetOKClick();
    const int lock = ::open((dataDir / ".~statistics.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    const std::string pid = std::to_string(::getpid());
    ASSERT_EQ(::write(lock, (pid + "\n").data(), pid.size() + 1), static_cast<ssize_t>(pid.size() + 1));
    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(MessageKind::Error,
                          QString::fromStdString("Another statistics run (process " + pid +
                                                 ") is writing TRANSIT.DBF and AVERAGE.DBF in this folder"),
                          Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    ::close(lock);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(fs::exists(dataDir / "TRANSIT.DBF"));
}

} // namespace

// Census codes of four letters that share their first two (FRAM, FRNI, FRPE) stay three species: the
// run widens Id_species and the pages find each species' own rows.
TEST_F(ResultsTest, FourLetterSpeciesCodesKeepTheirOwnRowsOnBothPages)
{
    {
        data::Connection connection;
        connection.setParam("PATH", dataDir.string() + "/");
        connection.open();
        data::Query create(connection);
        create.setSql({"CREATE TABLE 'CENSUS.dbf' (PLOT CHAR(10), TREE DECIMAL(5,0), SP CHAR(4),",
                       " D2019 DECIMAL(3,0), D2021 DECIMAL(3,0))"});
        create.execSql();
        data::Table table(connection, "CENSUS.dbf");
        table.open();
        int tree = 0;
        for (const char *species : {"FRAM", "FRNI", "FRPE"})
            for (int i = 0; i < 6; ++i) {
                table.append();
                table.setString("PLOT", "B0206");
                table.setInteger("TREE", ++tree);
                table.setString("SP", species);
                table.setInteger("D2019", 10 * (tree % 3));
                table.setInteger("D2021", 30);
                table.post();
            }
        table.close();
    }
    writeBytes(dataDir / "CENSUS.var", "Specials\r\nPlotNames\r\nTreeID\r\nSpecies\r\n-\r\n-\r\n");
    writeBytes(dataDir / "CENSUS.yrs", "Defoliations\r\n-\r\n-\r\n-\r\n2019\r\n2021\r\n");
    startOn(dataDir / "CENSUS.dbf");
    mainPage()->BtnSetOKClick();
    control<QLineEdit>(form.get(), "EditInterval")->setText("2");
    dialogs.expectProgress("Statistics");
    dialogs.expectMessage(
        MessageKind::Information,
        "Statistics written: 1 plot, 3 pairs of plot and species; TRANSIT.DBF 3 rows, AVERAGE.DBF 6 rows",
        Button::Ok);
    control<QPushButton>(form.get(), "BtnStat")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
    for (const char *name : {"TRANSIT.DBF", "AVERAGE.DBF"})
        EXPECT_EQ(dbfdump::read(dataDir / name).fields[1].width, 4) << name;

    for (const QString species : {"FRAM", "FRNI", "FRPE"}) {
        showPage(control<QWidget>(form.get(), "TabSheetMain"));
        select("B0206", species);
        showPage(control<QWidget>(form.get(), "TabSheetTransit"));
        EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "LB_TransitMatrix")), QStringList{"2019"});
        EXPECT_EQ(control<QLabel>(form.get(), "DBTreeNumber")->text(), "6");
        showPage(control<QWidget>(form.get(), "TabSheetStat"));
        ASSERT_EQ(control<QTableWidget>(form.get(), "DBGrid1")->rowCount(), 2);
        EXPECT_EQ(control<QTableWidget>(form.get(), "DBGrid1")->item(0, 1)->text(), species);
    }
    EXPECT_EQ(dialogs.pending(), 0u);
}
