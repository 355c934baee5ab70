// The accessible names of the main window's controls that show no text of their own, so that a
// screen reader and a test tool find every control as a user does: an edit, list or grid is known by
// the label beside it, a control without a label by what it holds, the arrows of an edit by what they
// step. Icon buttons get their hints where they are made (smallButton), and the regression and
// result pages name their own controls.
#include "app/fmain.h"

#include "app/listbox.h"
#include "app/named.h"
#include "app/updown.h"
#include "charts/chart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

namespace app {

void TFormMain::nameControls()
{
    // Main page.
    nameAfter(GridFields, Label1);
    nameAfter(ListPlots, Label2);
    nameAfter(ListSpecies, Label3);
    nameAfter(EditPrcTree, Label10);
    CB_SpecFields->setAccessibleName("Specials");
    CB_Fix->setToolTip("Fix species");
    CB_Fix->setAccessibleName("Fix species");
    UpDownPrcTree->setHints("Minimal defoliation up", "Minimal defoliation down");
}

} // namespace app
