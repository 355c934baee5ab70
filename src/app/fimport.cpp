// The "Import table" dialog.
#include "app/fimport.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "app/named.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "data/codepage.h"
#include "data/csvreader.h"
#include "data/suggest.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace app {

namespace {

const char *const kCsvFilter = "CSV file (*.csv);;all files (*)";
const char *const kTableFilter = "DBF table (*.dbf);;all files (*)";
// The modes of data::Duplicates in its order, as "fenoris-cli import --duplicates" names them.
const char *const kDuplicates[] = {"refuse", "agree", "first", "last"};

std::filesystem::path pathOf(const QString &file)
{
    return QFile::encodeName(file).toStdString();
}

std::string textOf(const QLineEdit *edit)
{
    return edit->text().trimmed().toStdString();
}

// The warnings the run told, then its own lines.
QString lines(const std::vector<std::string> &warnings, const std::vector<std::string> &summary)
{
    QStringList text;
    for (const std::string &line : warnings)
        text << QString::fromStdString(line);
    if (!warnings.empty()) text << QString();
    for (const std::string &line : summary)
        text << QString::fromStdString(line);
    return text.join('\n');
}

// "Species: CACA, CAGL, CATO": the codes the table will hold, as the statistics will store them.
std::string speciesLine(const std::vector<std::string> &species)
{
    constexpr std::size_t kShown = 12;
    std::string line = "Species: ";
    for (std::size_t i = 0; i < species.size() && i < kShown; ++i)
        line += (i == 0 ? "" : ", ") + species[i];
    if (species.empty()) line += "none";
    if (species.size() > kShown) line += ", \u2026 (" + std::to_string(species.size()) + " codes)";
    return line;
}

std::vector<std::string> texts(const common::RecordingSink &sink)
{
    std::vector<std::string> out;
    for (const auto &entry : sink.entries())
        out.push_back(entry.text);
    return out;
}

} // namespace

TFormImport::TFormImport(Dialogs &dialogs, QString startDir, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_startDir(std::move(startDir))
{
    setObjectName("FormImport");
    setWindowTitle("Import table");

    BtnPreview = named<QPushButton>("BtnPreview", "Preview");
    GridPreview = named<QTableWidget>("GridPreview");
    GridPreview->setAccessibleName("Preview");
    GridPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridPreview->verticalHeader()->hide();
    GridPreview->verticalHeader()->setDefaultSectionSize(18);
    LabelPreview = named<QLabel>("LabelPreview");
    LabelPreview->setWordWrap(true);
    LabelPreview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BtnImport = named<QPushButton>("BtnImport", "Import...");
    BtnImport->setDefault(true);
    BtnCancel = named<QPushButton>("BtnCancel", "Cancel");

    auto *previewRow = new QHBoxLayout;
    previewRow->addWidget(BtnPreview);
    previewRow->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnImport);
    buttons->addWidget(BtnCancel);
    auto *layout = new QVBoxLayout(this);
    // The preview is what the user reads most: it takes twice the room of the lists.
    layout->addLayout(createFilesRow(), 1);
    layout->addLayout(createSettingsGrid());
    layout->addLayout(previewRow);
    layout->addWidget(GridPreview, 2);
    layout->addWidget(LabelPreview);
    layout->addLayout(buttons);
    resize(720, 640);

    // A fault is shown and the dialog stays open with what the user typed.
    auto guarded = [this](void (TFormImport::*handler)()) {
        return [this, handler] { runGuarded(m_dialogs, [this, handler] { (this->*handler)(); }); };
    };
    connect(BtnFiles, &QPushButton::clicked, this, guarded(&TFormImport::BtnFilesClick));
    connect(BtnPreview, &QPushButton::clicked, this, guarded(&TFormImport::BtnPreviewClick));
    connect(BtnImport, &QPushButton::clicked, this, guarded(&TFormImport::BtnImportClick));
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QLayout *TFormImport::createFilesRow()
{
    BtnFiles = named<QPushButton>("BtnFiles", "CSV files...");
    ListFiles = named<QListWidget>("ListFiles");
    ListFiles->setAccessibleName("CSV files");
    LabelColumns = named<QLabel>("LabelColumns", "Columns");
    ListColumns = named<QListWidget>("ListColumns");
    nameAfter(ListColumns, LabelColumns);
    auto *files = new QVBoxLayout;
    files->addWidget(BtnFiles, 0, Qt::AlignLeft);
    files->addWidget(ListFiles, 1);
    auto *columns = new QVBoxLayout;
    columns->addWidget(LabelColumns);
    columns->addWidget(ListColumns, 1);
    auto *row = new QHBoxLayout;
    row->addLayout(files, 2);
    row->addLayout(columns, 1);
    return row;
}

QLayout *TFormImport::createSettingsGrid()
{
    // Each role an SQL expression over the files' columns, as "fenoris-cli import" takes it.
    auto edit = [](const char *name, QLabel *&label, const char *labelName, const char *text) {
        label = named<QLabel>(labelName, text);
        auto *e = named<QLineEdit>(name);
        nameAfter(e, label);
        return e;
    };
    EditPlot = edit("EditPlot", LabelPlot, "LabelPlot", "Plot");
    EditTree = edit("EditTree", LabelTree, "LabelTree", "Tree");
    EditSpecies = edit("EditSpecies", LabelSpecies, "LabelSpecies", "Species");
    EditYear = edit("EditYear", LabelYear, "LabelYear", "Survey year");
    EditValue = edit("EditValue", LabelValue, "LabelValue", "Defoliation %");
    EditDbh = edit("EditDbh", LabelDbh, "LabelDbh", "DBH");
    EditHeight = edit("EditHeight", LabelHeight, "LabelHeight", "Height");
    EditWhere = edit("EditWhere", LabelWhere, "LabelWhere", "Rows where");
    EditEncoding = edit("EditEncoding", LabelEncoding, "LabelEncoding", "Code page of files not in UTF-8");
    EditEncoding->setText("Windows-1250");
    EditMissing = edit("EditMissing", LabelMissing, "LabelMissing", "Missing value text");
    EditMissing->setText(QString::fromStdString(data::ImportSettings{}.missing));
    LabelDuplicates = named<QLabel>("LabelDuplicates", "Repeats of a tree in a survey");
    CBDuplicates = named<QComboBox>("CBDuplicates");
    for (const char *mode : kDuplicates)
        CBDuplicates->addItem(mode);
    nameAfter(CBDuplicates, LabelDuplicates);

    // Plot, tree, species and year beside DBH, height and how the files are read; the value and the
    // condition, the long ones, across the whole width.
    auto *grid = new QGridLayout;
    const std::pair<QLabel *, QWidget *> left[] = {
        {LabelPlot, EditPlot}, {LabelTree, EditTree}, {LabelSpecies, EditSpecies}, {LabelYear, EditYear}};
    const std::pair<QLabel *, QWidget *> right[] = {{LabelDbh, EditDbh},
                                                    {LabelHeight, EditHeight},
                                                    {LabelEncoding, EditEncoding},
                                                    {LabelMissing, EditMissing}};
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(left[row].first, row, 0);
        grid->addWidget(left[row].second, row, 1);
        grid->addWidget(right[row].first, row, 2);
        grid->addWidget(right[row].second, row, 3);
    }
    grid->addWidget(LabelValue, 4, 0);
    grid->addWidget(EditValue, 4, 1, 1, 3);
    grid->addWidget(LabelWhere, 5, 0);
    grid->addWidget(EditWhere, 5, 1, 1, 3);
    grid->addWidget(LabelDuplicates, 6, 0);
    grid->addWidget(CBDuplicates, 6, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return grid;
}

void TFormImport::BtnFilesClick()
{
    const auto chosen = m_dialogs.openFiles("CSV files", kCsvFilter, m_startDir);
    if (!chosen) return;
    // The importer reads the files in this order; its header is the one the others must have.
    const QString first = chosen->first();
    std::string codePage = data::codePageOfCpgText(textOf(EditEncoding));
    if (codePage.empty()) codePage = data::kDefaultCodePage;
    const data::CsvText text = data::readCsvText(pathOf(first), codePage);
    const data::CsvReader reader(text.text, pathOf(first).string());

    m_files = *chosen;
    m_startDir = QFileInfo(first).absolutePath();
    ListFiles->clear();
    ListFiles->addItems(m_files);
    ListColumns->clear();
    for (const std::string &column : reader.header())
        ListColumns->addItem(QString::fromStdString(column));
    const data::ImportSuggestion suggestion = data::suggestImportExpressions(reader.header());
    const std::pair<QLineEdit *, const std::string *> roles[] = {
        {EditPlot, &suggestion.plot}, {EditTree, &suggestion.tree}, {EditSpecies, &suggestion.species},
        {EditYear, &suggestion.year}, {EditDbh, &suggestion.dbh},   {EditHeight, &suggestion.height}};
    for (const auto &[edit, expression] : roles)
        if (edit->text().trimmed().isEmpty()) edit->setText(QString::fromStdString(*expression));
}

data::ImportSettings TFormImport::settings() const
{
    data::ImportSettings s;
    for (const QString &file : m_files)
        s.files.push_back(pathOf(file));
    s.table = pathOf(m_table);
    s.plot = textOf(EditPlot);
    s.tree = textOf(EditTree);
    s.species = textOf(EditSpecies);
    s.year = textOf(EditYear);
    s.value = textOf(EditValue);
    s.dbh = textOf(EditDbh);
    s.height = textOf(EditHeight);
    s.condition = textOf(EditWhere);
    s.duplicates = static_cast<data::Duplicates>(CBDuplicates->currentIndex());
    s.encoding = textOf(EditEncoding);
    // The missing-value text is compared with the fields as they stand: spaces count.
    s.missing = EditMissing->text().toStdString();
    return s;
}

void TFormImport::BtnPreviewClick()
{
    GridPreview->clear();
    GridPreview->setRowCount(0);
    GridPreview->setColumnCount(0);
    LabelPreview->clear();
    common::RecordingSink warnings;
    data::ImportPreview preview;
    {
        const auto progress = m_dialogs.progress("Import preview", "File");
        preview = data::previewCsv(settings(), warnings, kPreviewRows, progress.get());
    }
    if (!preview.summary.cancelled) showPreview(preview, texts(warnings));
}

void TFormImport::showPreview(const data::ImportPreview &preview, const std::vector<std::string> &warnings)
{
    GridPreview->setColumnCount(static_cast<int>(preview.columns.size()));
    GridPreview->setRowCount(static_cast<int>(preview.rows.size()));
    for (int c = 0; c < GridPreview->columnCount(); ++c)
        GridPreview->setHorizontalHeaderItem(
            c, new QTableWidgetItem(QString::fromStdString(preview.columns[static_cast<std::size_t>(c)])));
    for (int r = 0; r < GridPreview->rowCount(); ++r) {
        const auto &row = preview.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < GridPreview->columnCount(); ++c) {
            auto *item = new QTableWidgetItem(QString::fromStdString(row[static_cast<std::size_t>(c)]));
            // Numbers stand right as the table's numeric fields hold them; PLOT, TREE and SP are text.
            if (c >= 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            GridPreview->setItem(r, c, item);
        }
    }
    GridPreview->resizeColumnsToContents();
    auto summary = data::describeImport(preview.summary);
    summary.push_back(speciesLine(preview.summary.species));
    LabelPreview->setText(lines(warnings, summary));
}

void TFormImport::BtnImportClick()
{
    if (m_files.isEmpty()) throw common::Error("Choose the CSV files to import first.");
    const auto chosen = m_dialogs.saveFile("Import table", kTableFilter, 0, m_startDir, "dbf");
    if (!chosen) return;
    data::ImportSettings s = settings();
    s.table = pathOf(chosen->path);
    // The save dialog has asked before an existing table is replaced.
    std::error_code ec;
    s.replace = std::filesystem::exists(s.table, ec);
    common::RecordingSink warnings;
    data::ImportSummary summary;
    {
        const auto progress = m_dialogs.progress("Import", "File");
        summary = data::importCsv(s, warnings, progress.get());
    }
    if (summary.cancelled) {
        m_dialogs.information("The import was cancelled: nothing was written.");
        return;
    }
    m_dialogs.information(lines(texts(warnings), data::describeImport(summary)));
    m_table = chosen->path;
    accept();
}

} // namespace app
