// The main window without a table: the controls that need one are disabled, so that nothing can
// query or write beside a file that failed to open.
#include "app/fmain.h"

#include "app/listbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

namespace app {

void TFormMain::setTableOpen(bool open)
{
    if (!open) {
        setWindowTitle("Fenoris");
        GridFields->setRowCount(0);
        ListPlots->clear();
        ListSpecies->clear();
    }
    for (QWidget *control : std::initializer_list<QWidget *>{
             GridFields, CB_SpecFields, BtnSuggest, BtnSetOK, ListPlots, SpeedButton1, CB_Fix, ListSpecies,
             BtnConditions, BtnStat, BtnReport, BtnCreateModelsAll})
        control->setEnabled(open);
    // The other pages all show the table or results beside it.
    for (int page = 0; page < PageControl1->count(); ++page)
        if (PageControl1->widget(page) != TabSheetMain) PageControl1->setTabEnabled(page, open);
}

} // namespace app
