// The main window's "Import table": the import dialog, then the table it wrote opened.
#include "app/fmain.h"

#include "app/fimport.h"
#include "app/mainpage.h"

#include <QFile>
#include <QTabWidget>

namespace app {

void TFormMain::BtnImportClick()
{
    // The CSV files are looked for beside the open table, where the program was last pointed.
    const QString startDir =
        m_state.dataDir().empty() ? m_env.openDir : QFile::decodeName(m_state.dataDir().c_str());
    TFormImport dialog(m_dialogs, startDir, this);
    if (m_dialogs.runModal(dialog) != QDialog::Accepted) return;
    openTableFile(dialog.table());
    m_state.FixedSpecies.clear();
    {
        // Pages the program selects do not run the page entry.
        const QSignalBlocker blocker(PageControl1);
        PageControl1->setCurrentWidget(TabSheetMain);
    }
    // The importer wrote the years and roles side files that the table has just been opened with.
    TabSheetMain->BtnSetOKClick();
}

} // namespace app
