// "Survey report": the report folder of `fenoris-cli report` made from the window, with the
// progress window's Cancel, and the browser offered at the end.
#include "app/batchruns.h"

#include "app/modelpage.h"

#include "charts/chart.h"
#include "charts/modelchart.h"
#include "charts/picturewriter.h"
#include "common/error.h"
#include "common/replacingfolder.h"
#include "data/treeselection.h"
#include "model/modelpictures.h"
#include "model/report.h"
#include "model/reportfolder.h"
#include "model/runinputs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <filesystem>

namespace app {

namespace {

// The model pictures drawn on a chart of their own, as `report` draws them: the model page keeps
// what the user has on it.
class ReportPictures final : public model::ReportPictureMaker
{
public:
    explicit ReportPictures(const std::vector<std::string> &graphSettings) : m_graphSettings(graphSettings)
    {
        charts::setupModelChart(m_chart);
        m_chart.resize(680, 392);
    }

    void savePicture(const std::string &title, const std::vector<model::ChartLine> &lines,
                     const std::string &file) override
    {
        m_chart.clearSeries();
        m_chart.setTitleLines({QString::fromStdString(title)});
        std::vector<std::string> settings = m_graphSettings;
        charts::drawModelLines(m_chart, lines, settings);
        charts::writeChartPicture(m_chart, QFile::decodeName(file.c_str()), m_chart.size());
    }

private:
    std::vector<std::string> m_graphSettings;
    charts::Chart m_chart;
};

// The warnings of the run listed in the progress window while it runs and kept for the end; the
// other messages are told as ever.
class ReportMessages final : public common::MessageSink
{
public:
    ReportMessages(common::MessageSink &others, common::Progress *progress)
        : m_others(others), m_progress(progress)
    {
    }

    void message(common::MessageKind kind, const std::string &text) override
    {
        if (kind != common::MessageKind::Warning) {
            m_others.message(kind, text);
            return;
        }
        if (m_progress) m_progress->note(text);
        m_warnings << QString::fromStdString(text);
    }

    const QStringList &warnings() const { return m_warnings; }

private:
    common::MessageSink &m_others;
    common::Progress *m_progress;
    QStringList m_warnings;
};

constexpr const char *kReportFolderCaption = "Folder for the survey report";

} // namespace

void BatchRuns::BtnReportClick()
{
    const auto chosen = m_dialogs.folder(
        kReportFolderCaption, QFile::decodeName(model::WithTrailingSeparator(m_state.dataDir()).c_str()));
    if (!chosen) return;
    // The report gets a folder of its own in the one chosen, so that no folder the user picked is
    // ever replaced by it.
    const QString target = QDir(*chosen).filePath(
        QFileInfo(QString::fromStdString(m_state.tableFile())).completeBaseName() + "_report");
    const std::string targetPath = QFile::encodeName(target).toStdString();
    const std::string table = m_state.dataDir() + m_state.tableFile();
    const bool exists = QFileInfo::exists(target);
    // A folder that is no report of this program is refused before the question: nobody could agree
    // to lose what it holds by answering Yes.
    if (exists) model::CheckReplaceableReport(targetPath, table);
    if (exists && m_dialogs.message(MessageKind::Confirmation,
                                    QString("The folder %1 exists. Replace it with the new report?")
                                        .arg(QDir::toNativeSeparators(target)),
                                    Button::Yes | Button::No) != Button::Yes)
        return;

    const model::TableSetup setup{m_state.tableFile(), m_state.fieldRoles(), m_state.conditions(),
                                  m_state.yearList()};
    model::ReportSettings settings;
    settings.model = m_modelPage.modelChartSettings();
    settings.titlePlot = m_state.TitlePlot;
    settings.titleSpecies = m_state.TitleSpecies;
    // Noted before anything of the table is read; checked again before the report is put in place.
    const model::ReportTableCheck tableCheck(table);
    model::RequireRole(m_state.fieldRoles().species, "Species");
    // The names the batch run's settings dialog keeps beside the table, when it has kept any.
    const std::string namesFile = m_state.dataDir() + model::kSpeciesNamesFile;
    auto names =
        model::TableSpeciesNames(m_state.Survey.connection(), setup,
                                 std::filesystem::is_regular_file(namesFile) ? namesFile : "", m_sink);

    common::ReplacingFolder folder(targetPath, exists, [&table](const std::string &folderPath) {
        model::CheckReplaceableReport(folderPath, table);
    });
    settings.folder = folder.path();
    data::Query trees(m_state.Survey.connection());
    data::prepareTreeQuery(trees, setup.tableFile, setup.roles, setup.conditions);
    data::Query plots(m_state.Survey.connection());
    model::QuerySelection selection(plots, setup);
    model::ReportRun run(setup, settings, std::move(names));
    ReportPictures pictures(m_state.GraphSettings);
    model::ReportSummary summary;
    QStringList warnings;
    {
        const auto progress = m_dialogs.progress("Survey report");
        ReportMessages messages(m_sink, progress.get());
        summary = run.execute(trees, selection, pictures, messages, progress.get());
        warnings = messages.warnings();
    }
    if (summary.plotsDone < summary.plotCount) {
        // The folder made so far goes with `folder`; what was there before stays.
        m_dialogs.information(QString("The report was cancelled at plot %1 of %2; nothing was written.")
                                  .arg(summary.plotsDone + 1)
                                  .arg(summary.plotCount));
        return;
    }
    tableCheck.check();
    folder.commit();

    QString text = QString("The report is in %1: %2 plots and species of %3 plots.")
                       .arg(QDir::toNativeSeparators(target))
                       .arg(summary.rows)
                       .arg(summary.plotCount);
    if (!warnings.isEmpty()) text += QString("\n%1 warnings, listed under the details.").arg(warnings.size());
    text += "\nOpen it in your browser?";
    if (m_dialogs
            .message(MessageKind::Confirmation, text, Button::Yes | Button::No, {{}, warnings.join('\n')})
            .button == Button::Yes) {
        const QString index = QDir(target).filePath("index.html");
        if (!m_dialogs.openAddress(QUrl::fromLocalFile(index).toString()))
            m_dialogs.warning("No browser could be started for " + QDir::toNativeSeparators(index));
    }
}

} // namespace app
