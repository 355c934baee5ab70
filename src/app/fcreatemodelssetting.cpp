// The settings dialog of "Create all models".
#include "app/fcreatemodelssetting.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "app/named.h"
#include "app/smallbutton.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "common/picturetype.h"
#include "common/replacingfile.h"
#include "common/textfile.h"
#include "model/modelpictures.h"

#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace app {

namespace {

// The names the columns are made wide enough for before any is typed: a long code and a typical
// Latin name.
constexpr const char *kTypicalCode = "WWWW";
constexpr const char *kTypicalName = "Liriodendron tulipifera";

QTableWidgetItem *codeItem(const QString &code)
{
    auto *item = new QTableWidgetItem(code);
    // The code is fixed: only its name can be edited.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

TFormCreateModelsSetting::TFormCreateModelsSetting(Dialogs &dialogs, std::string &titlePlot,
                                                   std::string &titleSpecies, std::string codePage,
                                                   QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_titlePlot(titlePlot), m_titleSpecies(titleSpecies),
      m_codePage(std::move(codePage))
{
    setObjectName("FormCreateModelsSetting");
    setWindowTitle("FormCreateModelsSetting");

    Label1 = named<QLabel>("Label1", "Graph title:");
    EditTitlePlot = named<QLineEdit>("EditTitlePlot");
    Label2 = named<QLabel>("Label2", "XXXXX");
    EditTitleSpecies = named<QLineEdit>("EditTitleSpecies");
    Label3 = named<QLabel>("Label3", "XXXXX");
    Label4 = named<QLabel>("Label4", "Minimal number of trees");
    EditTreeNumber = named<QSpinBox>("EditTreeNumber");
    EditTreeNumber->setRange(1, 9999);
    EditTreeNumber->setValue(10);
    Label5 = named<QLabel>("Label5", "Directory");
    EditDirectory = named<QLineEdit>("EditDirectory");
    BtnDir = smallButton("BtnDir", "Choose the output directory", QStyle::SP_DirOpenIcon, "...");
    Label6 = named<QLabel>("Label6", "File type");
    CBfiletype = named<QComboBox>("CBfiletype");
    for (const common::PictureTypeName &type : common::pictureTypes())
        CBfiletype->addItem(type.extension);
    CBfiletype->setCurrentIndex(0);
    SpNameGrid = named<QTableWidget>("SpNameGrid");
    SpNameGrid->setColumnCount(2);
    SpNameGrid->horizontalHeader()->hide();
    SpNameGrid->verticalHeader()->hide();
    SpNameGrid->verticalHeader()->setDefaultSectionSize(20);
    SpNameGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // A name is edited as soon as its cell is reached.
    SpNameGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    BtnSpWrite = smallButton("BtnSpWrite", "Write species names to file", QStyle::SP_DialogSaveButton, "W");
    BtnSpRead = smallButton("BtnSpRead", "Read species names from file", QStyle::SP_DialogOpenButton, "R");
    BtnOK = named<QPushButton>("BtnOK", "OK");
    BtnOK->setDefault(true);
    BtnCancel = named<QPushButton>("BtnCancel", "Cancel");

    // The plot name goes where Label2 stands and the species name where Label3 stands.
    nameAfter(EditTitlePlot, Label1);
    EditTitleSpecies->setAccessibleName("Graph title: text between plot and species");
    nameAfter(EditTreeNumber, Label4);
    nameAfter(EditDirectory, Label5);
    nameAfter(CBfiletype, Label6);
    SpNameGrid->setAccessibleName("Species names");

    auto *title = new QHBoxLayout;
    title->addWidget(EditTitlePlot);
    title->addWidget(Label2);
    title->addWidget(EditTitleSpecies);
    title->addWidget(Label3);
    auto *grid = new QGridLayout;
    grid->addWidget(Label4, 0, 0);
    grid->addWidget(EditTreeNumber, 0, 1);
    grid->addWidget(Label5, 1, 0, 1, 2);
    grid->addWidget(EditDirectory, 2, 0, 1, 2);
    grid->addWidget(BtnDir, 2, 2);
    grid->addWidget(Label6, 3, 0);
    grid->addWidget(CBfiletype, 3, 1);
    auto *names = new QHBoxLayout;
    names->addWidget(SpNameGrid, 1);
    auto *nameButtons = new QVBoxLayout;
    nameButtons->addWidget(BtnSpWrite);
    nameButtons->addWidget(BtnSpRead);
    nameButtons->addStretch(1);
    names->addLayout(nameButtons);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(title);
    layout->addLayout(grid);
    layout->addLayout(names, 1);
    layout->addLayout(buttons);
    FitSpeciesColumns();
    resize(256, 390);

    // The file operations keep the dialog open on an error, which the user is shown.
    auto guarded = [this](void (TFormCreateModelsSetting::*handler)()) {
        return [this, handler] { runGuarded(m_dialogs, [this, handler] { (this->*handler)(); }); };
    };
    connect(BtnOK, &QPushButton::clicked, this, guarded(&TFormCreateModelsSetting::BtnOKClick));
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpNameGrid, &QTableWidget::itemChanged, this, [this] { FitSpeciesColumns(); });
    connect(BtnDir, &QToolButton::clicked, this, guarded(&TFormCreateModelsSetting::BtnDirClick));
    connect(BtnSpWrite, &QToolButton::clicked, this, guarded(&TFormCreateModelsSetting::BtnSpWriteClick));
    connect(BtnSpRead, &QToolButton::clicked, this, guarded(&TFormCreateModelsSetting::BtnSpReadClick));
}

void TFormCreateModelsSetting::FormActivate()
{
    EditTitlePlot->setText(QString::fromStdString(m_titlePlot));
    EditTitleSpecies->setText(QString::fromStdString(m_titleSpecies));
}

void TFormCreateModelsSetting::BtnOKClick()
{
    if (!OutputDirectoryReady()) return;
    m_titlePlot = EditTitlePlot->text().toStdString();
    m_titleSpecies = EditTitleSpecies->text().toStdString();
    accept();
}

bool TFormCreateModelsSetting::OutputDirectoryReady()
{
    const std::string path = directory();
    if (path.empty()) throw common::FileError("No directory was given for the pictures.");
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return true;
    QString shown = EditDirectory->text();
    while (shown.size() > 1 && shown.endsWith('/'))
        shown.chop(1);
    if (std::filesystem::exists(QFile::encodeName(shown).toStdString(), ec))
        throw common::FileError("The folder " + shown.toStdString() + " is a file, not a folder.");
    if (m_dialogs.message(MessageKind::Confirmation, "The folder " + shown + " does not exist. Create it?",
                          Button::Yes | Button::No) != Button::Yes)
        return false;
    model::CreateDirectories(path);
    return true;
}

void TFormCreateModelsSetting::BtnDirClick()
{
    const auto chosen = m_dialogs.folder("Output directory", EditDirectory->text());
    if (chosen) setDirectory(QFile::encodeName(*chosen).toStdString());
}

void TFormCreateModelsSetting::BtnSpWriteClick()
{
    const std::string text = model::SpeciesNamesText(speciesRows(), m_codePage);
    common::writeFileWhole(directory() + model::kSpeciesNamesFile, text);
}

void TFormCreateModelsSetting::BtnSpReadClick()
{
    const auto file = m_dialogs.openFile("Open", "Text file (*.txt);;Any file (*.*)", EditDirectory->text());
    if (!file) return;
    auto rows = speciesRows();
    const std::string path = QFile::encodeName(*file).toStdString();
    common::RecordingSink notes;
    model::ReadSpeciesNames(rows, common::readTextFile(path), m_codePage, &notes, path);
    for (const auto &note : notes.entries())
        m_dialogs.warning(QString::fromStdString(note.text));
    for (int row = 0; row < SpNameGrid->rowCount(); ++row)
        SpNameGrid->item(row, 1)->setText(QString::fromStdString(rows[static_cast<std::size_t>(row)].name));
}

void TFormCreateModelsSetting::FillSpeciesGrid(const std::vector<std::string> &species)
{
    SpNameGrid->clearContents();
    SpNameGrid->setRowCount(static_cast<int>(species.size()));
    for (int row = 0; row < SpNameGrid->rowCount(); ++row) {
        const QString code = QString::fromStdString(species[static_cast<std::size_t>(row)]);
        SpNameGrid->setItem(row, 0, codeItem(code));
        SpNameGrid->setItem(row, 1, new QTableWidgetItem(code));
    }
    FitSpeciesColumns();
}

void TFormCreateModelsSetting::FitSpeciesColumns()
{
    // The text of a cell is drawn inside a margin on either side, and a grid line follows it.
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, SpNameGrid) + 1) + 1;
    const QFontMetrics metrics(SpNameGrid->font());
    const QSignalBlocker blocker(SpNameGrid);
    SpNameGrid->resizeColumnsToContents();
    const std::pair<int, const char *> typical[] = {{0, kTypicalCode}, {1, kTypicalName}};
    for (const auto &[column, text] : typical)
        SpNameGrid->setColumnWidth(
            column, std::max(SpNameGrid->columnWidth(column), metrics.horizontalAdvance(text) + margins));
    const int scrollBar = SpNameGrid->verticalScrollBar()->sizeHint().width();
    SpNameGrid->setMinimumWidth(2 * SpNameGrid->frameWidth() + SpNameGrid->columnWidth(0) +
                                SpNameGrid->columnWidth(1) + scrollBar);
}

std::string TFormCreateModelsSetting::SpeciesName(const std::string &code) const
{
    return model::SpeciesDisplayName(speciesRows(), code);
}

std::vector<model::SpeciesNameRow> TFormCreateModelsSetting::speciesRows() const
{
    std::vector<model::SpeciesNameRow> rows;
    for (int row = 0; row < SpNameGrid->rowCount(); ++row)
        rows.push_back(
            {SpNameGrid->item(row, 0)->text().toStdString(), SpNameGrid->item(row, 1)->text().toStdString()});
    return rows;
}

std::string TFormCreateModelsSetting::directory() const
{
    return model::WithTrailingSeparator(QFile::encodeName(EditDirectory->text()).toStdString());
}

void TFormCreateModelsSetting::setDirectory(const std::string &directory)
{
    EditDirectory->setText(QFile::decodeName(model::WithTrailingSeparator(directory).c_str()));
}

std::string TFormCreateModelsSetting::fileType() const
{
    return CBfiletype->currentText().toStdString();
}

int TFormCreateModelsSetting::minTrees() const
{
    return EditTreeNumber->value();
}

} // namespace app
