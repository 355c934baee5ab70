// The main page's line on the data table's code page: which one its text is read in, and, in its
// tooltip, how that was decided, so that a user can tell why names look as they do.
#include "app/fmain.h"

#include "data/tableinfo.h"

#include <QFile>
#include <QLabel>

namespace app {

void TFormMain::showTableCodePage()
{
    const data::TableInfo info = data::describeTable(m_state.PrimaryData, m_state.TableFile);
    LabelCodePage->setText("Code page: " +
                           QString::fromStdString(data::codePageDisplayName(info.codePage.name)));
    LabelCodePage->setToolTip(QFile::decodeName(info.fileName.c_str()) + ": text read as " +
                              QString::fromStdString(data::describeCodePage(info.codePage)));
}

} // namespace app
