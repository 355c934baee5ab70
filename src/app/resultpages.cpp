// The result pages "Plot statistics" and "Transit matrix", and the clipboard export of a matrix.
#include "app/resultpages.h"

#include "app/guardedslot.h"

#include "app/listbox.h"
#include "app/localenumbers.h"
#include "app/named.h"
#include "common/error.h"
#include "data/selection.h"
#include "model/matrixtext.h"
#include "model/resulttables.h"
#include "model/uncertaintytext.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace app {

namespace {

constexpr int kMatrixSize = 6;
const char *const kNoStatistics = "Prepare average statistics firstly";
const char *const kCountsNotAtHand = "No tree counts: TRANSIT.DBF does not hold the matrices of the trees "
                                     "now selected (run Statistics again)";

// The matrix display: the column of cell j from the left, and the cells' width, narrow for the stored
// shares and wide for the shares with their intervals.
int cellLeft(int j, bool wide)
{
    return 200 + (wide ? 135 : 60) * j;
}
int cellWidth(bool wide)
{
    return wide ? 130 : 55;
}

QString transitColumn(int i, int j)
{
    return QString("T%1%2").arg(i).arg(j);
}

} // namespace

StatPage::StatPage(PageHost &host, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_host(host), m_state(host.state()), m_dialogs(dialogs)
{
    setObjectName("TabSheetStat");
    QWidget *page = this;
    DBGrid1 = named<QTableWidget>("DBGrid1", page);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->verticalHeader()->setDefaultSectionSize(20);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBGrid1);
    DBGrid1->setAccessibleName("Plot statistics");
}

TransitPage::TransitPage(PageHost &host, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_host(host), m_state(host.state()), m_dialogs(dialogs)
{
    setObjectName("TabSheetTransit");
    QWidget *page = this;

    // The left panel; the matrix display and the clipboard group are placed by pixels to its right.
    PanelTransit = named<QWidget>("PanelTransit", page);
    PanelTransit->setFixedWidth(129);
    Lb_TMplot = named<QLabel>("Lb_TMplot", "-");
    Lb_TMspecies = named<QLabel>("Lb_TMspecies", "-");
    LB_TransitMatrix = named<ListBox>("LB_TransitMatrix");
    DBText1 = named<QLabel>("DBText1");
    DBTreeNumber = named<QLabel>("DBTreeNumber");
    auto *panel = new QVBoxLayout(PanelTransit);
    panel->addWidget(Lb_TMplot);
    panel->addWidget(Lb_TMspecies);
    panel->addWidget(LB_TransitMatrix, 1);
    panel->addWidget(named<QLabel>("LbInterval", "Interval"));
    panel->addWidget(DBText1);
    panel->addWidget(named<QLabel>("LbTreeNumber", "Number of trees"));
    panel->addWidget(DBTreeNumber);
    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PanelTransit);
    layout->addStretch(1);

    // Below the matrix display, which takes left 160 to 555 and top 30 to about 235.
    GroupClipboard = named<QGroupBox>("GroupClipboard", "Copy into clipboard", page);
    EdCpTitle = named<QLineEdit>("EdCpTitle", "@p@y@s=");
    EdCpBr1 = named<QLineEdit>("EdCpBr1", "{");
    EdCpBr2 = named<QLineEdit>("EdCpBr2", "}");
    EdCpSpr = named<QLineEdit>("EdCpSpr", ";");
    EdCpDec = named<QLineEdit>("EdCpDec", ".");
    BtnCopyClp = named<QPushButton>("BtnCopyClp", "Copy");
    for (QLineEdit *edit : {EdCpBr1, EdCpBr2, EdCpSpr, EdCpDec}) {
        edit->setMaxLength(1);
        edit->setFixedWidth(24);
    }
    auto *group = new QGridLayout(GroupClipboard);
    group->addWidget(named<QLabel>("LbCpTitle", "title"), 0, 0);
    group->addWidget(EdCpTitle, 0, 1, 1, 6);
    group->addWidget(BtnCopyClp, 0, 7);
    group->addWidget(named<QLabel>("LbCpBrackets", "brackets"), 1, 0);
    group->addWidget(EdCpBr1, 1, 1);
    group->addWidget(EdCpBr2, 1, 2);
    group->addWidget(named<QLabel>("LbCpSeparator", "separator"), 1, 3);
    group->addWidget(EdCpSpr, 1, 4);
    group->addWidget(named<QLabel>("LbCpDecimal", "decimal"), 1, 5);
    group->addWidget(EdCpDec, 1, 6);
    GroupClipboard->setGeometry(160, 250, 395, GroupClipboard->sizeHint().height());

    // Above the matrix display and right under it.
    CheckShowIntervals = named<QCheckBox>("CheckShowIntervals", "Show intervals", page);
    CheckShowIntervals->setAccessibleName(CheckShowIntervals->text());
    CheckShowIntervals->setGeometry(200, 4, 200, 22);
    LbHomogeneity = named<QLabel>("LbHomogeneity", page);
    LbHomogeneity->setGeometry(160, 230, 700, 18);

    LB_TransitMatrix->setAccessibleName("Transit matrix years");
    nameAfter(EdCpTitle, findChild<QLabel *>("LbCpTitle"));
    nameAfter(EdCpSpr, findChild<QLabel *>("LbCpSeparator"));
    nameAfter(EdCpDec, findChild<QLabel *>("LbCpDecimal"));
    EdCpBr1->setAccessibleName("brackets (opening)");
    EdCpBr2->setAccessibleName("brackets (closing)");

    connectGuarded(this, m_dialogs, LB_TransitMatrix, &ListBox::userClicked,
                   &TransitPage::LB_TransitMatrixClick);
    connectGuarded(this, m_dialogs, CheckShowIntervals, &QCheckBox::toggled,
                   &TransitPage::CheckShowIntervalsClick);
    connectGuarded(this, m_dialogs, EdCpBr1, &QLineEdit::textChanged, &TransitPage::EdCpBr1Change);
    connectGuarded(this, m_dialogs, BtnCopyClp, &QPushButton::clicked, &TransitPage::BtnCopyClpClick);
}

void StatPage::enter()
{
    // The grid shows QueryAverage, which the page change has closed.
    DBGrid1->clear();
    DBGrid1->setRowCount(0);
    DBGrid1->setColumnCount(0);
    if (!m_state.Survey.connection().findFile(model::kAverageTable)) {
        m_dialogs.warning(kNoStatistics);
        return;
    }
    if (!m_host.CheckSelection()) return;
    // Quotes in a name are doubled, so that a plot such as O'Hara stays one literal.
    m_state.QueryAverage.setSql({"SELECT * FROM 'AVERAGE.DBF'",
                                 "WHERE ((ID_PLOT=" + data::quoteLiteral(m_host.selectedPlot()) +
                                     ") and (ID_SPECIES=" + data::quoteLiteral(m_host.selectedSpecies()) +
                                     "))"});
    m_state.QueryAverage.open();

    const auto columns = m_state.QueryAverage.fieldNames();
    DBGrid1->setColumnCount(static_cast<int>(columns.size()));
    for (int c = 0; c < DBGrid1->columnCount(); ++c)
        DBGrid1->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromStdString(columns[c])));
    for (int row = 0; !m_state.QueryAverage.eof(); m_state.QueryAverage.next(), ++row) {
        DBGrid1->insertRow(row);
        for (int c = 0; c < DBGrid1->columnCount(); ++c)
            DBGrid1->setItem(row, c,
                             new QTableWidgetItem(QString::fromStdString(m_state.QueryAverage.valueText(c))));
    }
}

void TransitPage::enter()
{
    // Nothing of an earlier entry stays on display: the page change has closed QueryTransition.
    LB_TransitMatrix->clear();
    showTransitRow();
    if (!m_state.Survey.connection().findFile(model::kTransitTable)) {
        m_dialogs.warning(kNoStatistics);
        return;
    }
    if (!m_host.CheckSelection()) return;
    if (!TransitPageBuilt) BuildTransitPage();

    const std::string plot = m_host.selectedPlot();
    const std::string species = m_host.selectedSpecies();
    m_state.QueryTransition.setParam("Plot", plot);
    Lb_TMplot->setText(QString::fromStdString("Plot " + plot));
    m_state.QueryTransition.setParam("Species", species);
    Lb_TMspecies->setText(QString::fromStdString("Species " + species));
    m_state.QueryTransition.open();
    if (m_state.QueryTransition.eof()) {
        m_dialogs.information("There is no transition matrix in this case");
        m_state.QueryTransition.close();
        showTransitRow();
        m_host.returnToMainPage();
        return;
    }
    QStringList years;
    for (; !m_state.QueryTransition.eof(); m_state.QueryTransition.next())
        years.append(QString::fromStdString(m_state.QueryTransition.asString("ID_Year")));
    LB_TransitMatrix->addItems(years);
    countTransitRecords();
    LB_TransitMatrix->selectRow(0);
    showTransitRow();
}

void TransitPage::countTransitRecords()
{
    TransitRecords.clear();
    TransitEstimates.clear();
    TransitCountsAtHand = false;
    struct Stored
    {
        int year;
        model::TransitMatrix shares;
        double trees;
    };
    std::vector<Stored> stored;
    std::set<int> intervals;
    for (m_state.QueryTransition.first(); !m_state.QueryTransition.eof(); m_state.QueryTransition.next()) {
        Stored row{static_cast<int>(m_state.QueryTransition.asFloat("ID_Year")),
                   {},
                   m_state.QueryTransition.asFloat("N_tree")};
        for (int i = 0; i < kMatrixSize; ++i)
            for (int j = 0; j < kMatrixSize; ++j)
                row.shares[i][j] = m_state.QueryTransition.asFloat(transitColumn(i, j).toStdString());
        stored.push_back(row);
        intervals.insert(static_cast<int>(m_state.QueryTransition.asFloat("INTERVAL")));
    }
    m_state.QueryTransition.first();
    if (intervals.size() != 1 || *intervals.begin() < 1) return;

    m_host.PrepareTreeQuery();
    const auto list = model::BuildTransitList(m_state.Query1, m_host.selectedPlot(), m_host.selectedSpecies(),
                                              m_host.yearList(), *intervals.begin(),
                                              static_cast<model::ValueType>(m_host.valueType()));
    m_state.Query1.close();
    // Counts are shown only for the very matrices on display: the table may have changed, or the
    // condition or the value type, since the statistics run wrote them.
    if (!list || list->size() != stored.size()) return;
    for (const auto &row : stored) {
        const auto record =
            std::find_if(list->begin(), list->end(), [&](const auto &r) { return r.Year == row.year; });
        if (record == list->end() || !model::StoredMatrixMatches(*record, row.shares, row.trees)) return;
    }
    TransitRecords = *list;
    TransitEstimates = model::EstimateTransits(TransitRecords);
    TransitCountsAtHand = true;
}

void TransitPage::BuildTransitPage()
{
    // A build that failed at the query below has already placed the display; it is not placed twice.
    if (!TransitFields[0][0]) {
        QFont bold = this->font();
        bold.setBold(true);
        auto heading = [&](const QString &name, int i, int left, int top) {
            auto *label = new QLabel(QString("%1:").arg(i), this);
            label->setObjectName(name);
            label->setFont(bold);
            label->move(left, top);
            label->show();
        };
        for (int i = 0; i < kMatrixSize; ++i) {
            auto *count = new QLabel(this);
            count->setObjectName(QString("LbTMCount%1").arg(i));
            count->setGeometry(cellLeft(kMatrixSize, false), 60 + 30 * i, 110, 20);
            count->show();
            TransitRowCounts[i] = count;
            heading(QString("LbTMRow%1").arg(i), i, 160, 60 + 30 * i);
            heading(QString("LbTMColumn%1").arg(i), i, 200 + 60 * i, 30);
            for (int j = 0; j < kMatrixSize; ++j) {
                auto *field = new QLabel(this);
                field->setObjectName("DB" + transitColumn(i, j));
                field->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
                field->setGeometry(200 + 60 * j, 60 + 30 * i, 55, 20);
                field->show();
                TransitFields[i][j] = field;
            }
        }
    }
    m_state.QueryTransition.close();
    m_state.QueryTransition.setSql(
        {"SELECT * FROM 'TRANSIT.DBF'", "WHERE ((ID_PLOT = :Plot) and (ID_SPECIES = :Species))"});
    m_state.QueryTransition.prepare();
    TransitPageBuilt = true;
}

void TransitPage::showTransitRow()
{
    const bool hasRow = m_state.QueryTransition.isActive() && !m_state.QueryTransition.eof();
    auto show = [&](QLabel *field, const std::string &column) {
        if (field)
            field->setText(hasRow ? QString::fromStdString(m_state.QueryTransition.asString(column))
                                  : QString());
    };
    show(DBText1, "INTERVAL");
    show(DBTreeNumber, "N_tree");
    for (int i = 0; i < kMatrixSize; ++i)
        for (int j = 0; j < kMatrixSize; ++j)
            show(TransitFields[i][j], transitColumn(i, j).toStdString());
    showTransitUncertainty();
}

void TransitPage::showTransitUncertainty()
{
    if (!TransitRowCounts[0]) return;
    const bool hasRow = m_state.QueryTransition.isActive() && !m_state.QueryTransition.eof();
    const model::TransitEstimate *estimate = nullptr;
    if (hasRow && TransitCountsAtHand) {
        const int year = static_cast<int>(m_state.QueryTransition.asFloat("ID_Year"));
        for (std::size_t k = 0; k < TransitRecords.size(); ++k)
            if (TransitRecords[k].Year == year) estimate = &TransitEstimates[k];
    }
    const bool wide = estimate && CheckShowIntervals->isChecked();
    for (int i = 0; i < kMatrixSize; ++i) {
        const auto &row = estimate ? (*estimate)[static_cast<std::size_t>(i)] : model::RowEstimate{};
        TransitRowCounts[i]->setText(estimate ? QString::fromStdString(model::RowCountText(row)) : QString());
        TransitRowCounts[i]->move(cellLeft(kMatrixSize, wide), 60 + 30 * i);
        if (auto *heading = this->findChild<QLabel *>(QString("LbTMColumn%1").arg(i)))
            heading->move(cellLeft(i, wide), 30);
        for (int j = 0; j < kMatrixSize; ++j) {
            QLabel *field = TransitFields[i][j];
            field->setGeometry(cellLeft(j, wide), 60 + 30 * i, cellWidth(wide), 20);
            if (wide)
                field->setText(
                    QString::fromStdString(model::IntervalCellText(row.cells[static_cast<std::size_t>(j)])));
        }
    }
    QString line;
    if (hasRow)
        line = TransitCountsAtHand ? QString::fromStdString(model::HomogeneityText(
                                         model::TestHomogeneity(TransitRecords, model::ExactP::WhenRough)))
                                   : QString(kCountsNotAtHand);
    LbHomogeneity->setText(line);
}

void TransitPage::CheckShowIntervalsClick()
{
    showTransitRow();
}

void TransitPage::LB_TransitMatrixClick()
{
    const int row = LB_TransitMatrix->selectedRow();
    if (row < 0) return;
    if (!m_state.QueryTransition.locate("ID_Year", LB_TransitMatrix->item(row)->text().toStdString())) {
        m_dialogs.warning("System error: cannot find existing data");
        return;
    }
    showTransitRow();
}

void TransitPage::EdCpBr1Change()
{
    const QString text = EdCpBr1->text();
    if (text.isEmpty()) return;
    // In the 8-bit character set the closing bracket lies two codes above the opening one: {}, [], <>.
    // A character beyond Latin-1 has no such code; its partner is left to the user.
    const char16_t code = text.at(0).unicode();
    if (code > 0xFF) return;
    EdCpBr2->setText(QString(QChar(static_cast<char16_t>((code + 2) % 256))));
}

void TransitPage::BtnCopyClpClick()
{
    const std::pair<const QLineEdit *, const char *> oneCharacter[] = {{EdCpBr1, "opening bracket"},
                                                                       {EdCpBr2, "closing bracket"},
                                                                       {EdCpSpr, "separator"},
                                                                       {EdCpDec, "decimal"}};
    for (const auto &[edit, name] : oneCharacter) {
        if (edit->text().isEmpty()) {
            m_dialogs.warning(QString("The %1 field is empty: enter one character in it to copy the matrix.")
                                  .arg(QString::fromLatin1(name)));
            return;
        }
    }
    // One character as both would make "0,25,0,75" of two shares: no reader could split it again.
    if (EdCpSpr->text() == EdCpDec->text()) {
        m_dialogs.warning(QString("The separator and the decimal mark are both \"%1\": choose two different "
                                  "characters to copy the matrix.")
                              .arg(EdCpSpr->text()));
        return;
    }
    // Built in full before the clipboard is touched, so that a failure leaves it as it was.
    const QString text = transitMatrixText();
    QGuiApplication::clipboard()->setText(text);
}

QString TransitPage::transitMatrixText() const
{
    // A closed query still knows its columns and reads them as blanks; with no matrix on display the
    // copy fails as reading a column of a closed dataset does.
    if (!m_state.QueryTransition.isActive() || m_state.QueryTransition.eof())
        throw common::DataError("Field 'ID_SPECIES' not found");
    auto first = [](const QLineEdit *edit) { return QString(edit->text().at(0)).toStdString(); };
    model::MatrixNotation notation;
    notation.title = EdCpTitle->text().toStdString();
    notation.open = first(EdCpBr1);
    notation.close = first(EdCpBr2);
    notation.separator = first(EdCpSpr);
    notation.decimal = first(EdCpDec);
    model::TransitMatrix matrix;
    for (int i = 0; i < kMatrixSize; ++i)
        for (int j = 0; j < kMatrixSize; ++j)
            matrix[i][j] = m_state.QueryTransition.asFloat(transitColumn(i, j).toStdString());
    return QString::fromStdString(model::MatrixText(
        notation, m_state.QueryTransition.asString("ID_PLOT"), m_state.QueryTransition.asString("ID_Year"),
        m_state.QueryTransition.asString("ID_SPECIES"), matrix, decimalSeparator()));
}

} // namespace app
