// The result pages "Plot statistics" and "Transit matrix": the stored yearly statistics of the
// selection, and its transition matrices with their tree counts, intervals and the clipboard export.
#pragma once

#include "app/dialogs.h"
#include "app/pagehost.h"
#include "model/transituncertainty.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace app {

class ListBox;

// "Plot statistics": the stored yearly statistics of the selection, read-only.
class StatPage : public QWidget
{
    Q_OBJECT
public:
    StatPage(PageHost &host, Dialogs &dialogs, QWidget *parent = nullptr);
    // Page entry: fills the grid from AVERAGE.DBF for the selected plot and species.
    void enter();

private:
    PageHost &m_host;
    WindowState &m_state;
    Dialogs &m_dialogs;
    QTableWidget *DBGrid1;
};

// "Transit matrix". The fields show columns of QueryTransition's current row; the fields of the
// matrix (row i, column j shows column "T" i j) exist once BuildTransitPage has run.
class TransitPage : public QWidget
{
    Q_OBJECT
public:
    TransitPage(PageHost &host, Dialogs &dialogs, QWidget *parent = nullptr);
    // Page entry: the matrices of the selected plot and species, the first one shown.
    void enter();

    void BuildTransitPage();
    void LB_TransitMatrixClick();
    void CheckShowIntervalsClick();
    void EdCpBr1Change();
    void BtnCopyClpClick();

private:
    // Shows QueryTransition's current row in every field bound to it; blank when it has no row. Qt
    // has no data-bound labels, so every change of the row calls it.
    void showTransitRow();
    // Counts the matrices of the selection again from its trees at the interval of the stored ones
    // and compares them with every stored row (QueryTransition is left on its first row).
    void countTransitRecords();
    // The row counts, the cells with intervals (when asked for) and the homogeneity line.
    void showTransitUncertainty();
    // The matrix on display in the notation set in the group "Copy into clipboard".
    QString transitMatrixText() const;

    PageHost &m_host;
    WindowState &m_state;
    Dialogs &m_dialogs;

    QWidget *PanelTransit;
    QLabel *Lb_TMplot;
    QLabel *Lb_TMspecies;
    ListBox *LB_TransitMatrix;
    QLabel *DBText1;
    QLabel *DBTreeNumber;
    std::array<std::array<QLabel *, 6>, 6> TransitFields{};
    // Beside the matrix: the trees of each row ("LbTMCount" i), the switch between the stored shares
    // and the shares with their intervals, and under it the homogeneity line. They show the matrices
    // counted again from the selected trees (TransitRecords), and only while TRANSIT.DBF holds those
    // very matrices (TransitCountsAtHand); otherwise LbHomogeneity says why nothing is shown.
    std::array<QLabel *, 6> TransitRowCounts{};
    QCheckBox *CheckShowIntervals;
    QLabel *LbHomogeneity;
    QGroupBox *GroupClipboard;
    QLineEdit *EdCpTitle;
    QLineEdit *EdCpBr1;
    QLineEdit *EdCpBr2;
    QLineEdit *EdCpSpr;
    QLineEdit *EdCpDec;
    QPushButton *BtnCopyClp;

    bool TransitPageBuilt = false;
    std::vector<model::TTransit> TransitRecords;
    std::vector<model::TransitEstimate> TransitEstimates; // of TransitRecords, in their order
    bool TransitCountsAtHand = false;
};

} // namespace app
