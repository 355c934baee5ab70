// The settings of "Create all models": the texts of the chart titles, the minimal number of trees,
// the output directory, the picture type and the display names of the species, which can be written
// to and read from "SpeciesNames.txt". The dialog lives for one run only, so that nothing but the two
// title texts is kept from one run to the next.
#pragma once

#include "model/speciesnames.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QToolButton;

namespace app {

class Dialogs;

class TFormCreateModelsSetting : public QDialog
{
    Q_OBJECT
public:
    // titlePlot and titleSpecies are the program's two title texts: shown on activation and set by
    // OK. codePage (an iconv name, the data table's) is that of "SpeciesNames.txt".
    TFormCreateModelsSetting(Dialogs &dialogs, std::string &titlePlot, std::string &titleSpecies,
                             std::string codePage, QWidget *parent = nullptr);

    // The title edits take the program's title texts.
    void FormActivate();
    // One row per species, both columns the code; every row that was there before goes.
    void FillSpeciesGrid(const std::vector<std::string> &species);
    // The grid's name of the species (codes compared without regard to case), "<" code ">" when the
    // grid has no row for it.
    std::string SpeciesName(const std::string &code) const;

    // The grid's rows in order.
    std::vector<model::SpeciesNameRow> speciesRows() const;
    // The text of EditDirectory as a path, with its trailing separator added when missing.
    std::string directory() const;
    // EditDirectory takes the directory, with its trailing separator added when missing.
    void setDirectory(const std::string &directory);
    // The picture type chosen (".bmp", ".png", ...) and the minimal number of trees.
    std::string fileType() const;
    int minTrees() const;

private:
    // The title texts take the edits' and the dialog closes with OK, once the output directory is
    // there: a directory that does not exist is created when the user agrees; otherwise, or when it
    // cannot be, the dialog stays open with everything typed in it.
    void BtnOKClick();
    // The folder chooser "Output directory", starting at the folder in EditDirectory.
    void BtnDirClick();
    // Writes "SpeciesNames.txt" into the directory of EditDirectory; an old file is replaced whole.
    void BtnSpWriteClick();
    // Names the grid's species from a file the user picks.
    void BtnSpReadClick();

    QLabel *Label1;
    QLineEdit *EditTitlePlot;
    QLabel *Label2;
    QLineEdit *EditTitleSpecies;
    QLabel *Label3;
    QLabel *Label4;
    QSpinBox *EditTreeNumber;
    QLabel *Label5;
    QLineEdit *EditDirectory;
    QToolButton *BtnDir;
    QLabel *Label6;
    QComboBox *CBfiletype;
    QTableWidget *SpNameGrid;
    QToolButton *BtnSpWrite;
    QToolButton *BtnSpRead;
    QPushButton *BtnOK;
    QPushButton *BtnCancel;

    bool OutputDirectoryReady();
    // Both columns as wide as their longest text, and the names at least as wide as a typical Latin
    // name, so that no name is cut; the grid as wide as its columns.
    void FitSpeciesColumns();

    Dialogs &m_dialogs;
    std::string &m_titlePlot;
    std::string &m_titleSpecies;
    std::string m_codePage;
};

} // namespace app
