// "Import table": long CSV files of tree observations made into a data table (data::importCsv) from
// the window, with the settings of "fenoris-cli import" as fields: the roles the column names suggest
// filled in, a preview of the first rows, the table name asked for, the summary shown. The dialog
// lives for one import; a fault keeps it open with everything typed in it.
#pragma once

#include "data/csvimport.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstddef>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace app {

class Dialogs;

class TFormImport : public QDialog
{
    Q_OBJECT
public:
    // startDir: where the CSV open dialog starts.
    TFormImport(Dialogs &dialogs, QString startDir, QWidget *parent = nullptr);

    // The settings as the fields give them; files and table as chosen.
    data::ImportSettings settings() const;
    // The table written, once the dialog closed with OK.
    QString table() const { return m_table; }

    static constexpr std::size_t kPreviewRows = 20;

private:
    // Asks for the CSV files, lists them and the first one's columns, and fills the role fields that
    // are still empty with the expressions the column names suggest (data::suggestImportExpressions).
    // Nothing changes when the user cancels. Throws common::Error when the first file's header cannot
    // be read.
    void BtnFilesClick();
    // Fills GridPreview with the first kPreviewRows rows of the table (data::previewCsv) and
    // LabelPreview with what the import would say of it, under a progress window. Throws what the
    // import throws (a bad expression, headers that differ), the grid emptied.
    void BtnPreviewClick();
    // Asks for the table's name (the save dialog asks before a table is replaced), imports under a
    // progress window, shows the summary and closes with OK. A cancel of the save dialog or of the
    // run keeps the dialog open; so does a fault, which is thrown.
    void BtnImportClick();

    QPushButton *BtnFiles;
    QListWidget *ListFiles;
    QLabel *LabelColumns;
    QListWidget *ListColumns;
    QLabel *LabelPlot;
    QLineEdit *EditPlot;
    QLabel *LabelTree;
    QLineEdit *EditTree;
    QLabel *LabelSpecies;
    QLineEdit *EditSpecies;
    QLabel *LabelYear;
    QLineEdit *EditYear;
    QLabel *LabelValue;
    QLineEdit *EditValue;
    QLabel *LabelDbh;
    QLineEdit *EditDbh;
    QLabel *LabelHeight;
    QLineEdit *EditHeight;
    QLabel *LabelWhere;
    QLineEdit *EditWhere;
    QLabel *LabelDuplicates;
    QComboBox *CBDuplicates;
    QLabel *LabelEncoding;
    QLineEdit *EditEncoding;
    QLabel *LabelMissing;
    QLineEdit *EditMissing;
    QPushButton *BtnPreview;
    QTableWidget *GridPreview;
    QLabel *LabelPreview;
    QPushButton *BtnImport;
    QPushButton *BtnCancel;

    QLayout *createFilesRow();
    QLayout *createSettingsGrid();
    void showPreview(const data::ImportPreview &preview, const std::vector<std::string> &warnings);

    Dialogs &m_dialogs;
    QString m_startDir;
    QStringList m_files;
    QString m_table;
};

} // namespace app
