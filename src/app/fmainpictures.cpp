// Pictures of the window's charts: the save dialog kept by the window and the picture writer with its
// overwrite question.
#include "app/fmain.h"

#include "charts/chart.h"
#include "charts/picturewriter.h"
#include "common/error.h"
#include "common/picturetype.h"
#include "common/replacingfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace app {

namespace {

// The save dialog's file types and the default extension of each, in the order of its filters.
const common::PictureSaveFilters kSaveFilters = common::pictureSaveFilters();

} // namespace

TFormMain::SaveDialog TFormMain::pictureSaveDialog()
{
    SaveDialog dialog;
    dialog.title = "Save as";
    dialog.filter = QString::fromStdString(kSaveFilters.filter);
    dialog.filterIndex = 0;
    dialog.defaultExt = QString::fromStdString(kSaveFilters.extensions[0]);
    return dialog;
}

void TFormMain::SaveChartAs(charts::Chart &chart)
{
    SaveOptions options;
    options.typeChange = [this](int typeIndex) {
        SaveDlgTypeChange(typeIndex);
        return SaveDlg.defaultExt;
    };
    // SaveChartPicture asks before replacing a file.
    options.confirmOverwrite = false;
    const QString startDir = SaveDlg.dir.isEmpty()
                                 ? QDir(QFile::decodeName(m_state.dataDir().c_str())).absolutePath()
                                 : SaveDlg.dir;
    const auto choice = m_dialogs.saveFile(SaveDlg.title, SaveDlg.filter, SaveDlg.filterIndex, startDir,
                                           SaveDlg.defaultExt, options);
    if (!choice) return;
    SaveDlgTypeChange(choice->filterIndex);
    SaveDlg.dir = QFileInfo(choice->path).absolutePath();
    SaveChartPicture(chart, choice->path);
}

void TFormMain::SaveDlgTypeChange(int typeIndex)
{
    if (typeIndex < 0 || typeIndex >= static_cast<int>(kSaveFilters.extensions.size())) return;
    SaveDlg.filterIndex = typeIndex;
    SaveDlg.defaultExt = QString::fromStdString(kSaveFilters.extensions[static_cast<std::size_t>(typeIndex)]);
}

void TFormMain::SaveChartPicture(charts::Chart &chart, const QString &fileName)
{
    // The type first: a name that cannot be written is not worth an overwrite question.
    if (!common::pictureTypeOf(QFile::encodeName(fileName).toStdString())) {
        m_dialogs.error(QString::fromStdString(common::unknownPictureTypeMessage(fileName.toStdString())));
        return;
    }
    if (QFileInfo::exists(fileName) &&
        m_dialogs.message(MessageKind::Confirmation, "Overwrite file " + fileName + "?",
                          Button::Yes | Button::No) != Button::Yes)
        return;
    // Temporary files of this picture that a killed save left behind.
    common::removeLeftoverTemporaries(QFile::encodeName(fileName).toStdString());
    charts::writeChartPicture(chart, fileName, chart.size());
}

} // namespace app
