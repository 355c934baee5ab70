// The statistics and "Create all models": the statistics run over the lists, and the settings
// dialog, then the model chart of every plot and species with enough trees drawn on the model page and
// saved, as the user would do it by hand.
#include "app/batchruns.h"

#include "app/fcreatemodelssetting.h"
#include "app/modelpage.h"
#include "app/plotselection.h"
#include "app/windowselection.h"
#include "charts/chart.h"
#include "charts/picturewriter.h"
#include "common/error.h"
#include "common/scopeexit.h"
#include "data/tableinfo.h"
#include "model/modelchart.h"
#include "model/modelpictures.h"
#include "model/resulttables.h"
#include "model/runinputs.h"
#include "model/statisticsrun.h"

#include <QFile>
#include <QWidget>

namespace app {

namespace {

// Every plot is taken up from the "Main Page", as the user would.
class BatchSelection final : public model::PlotSpeciesSelection
{
public:
    BatchSelection(PageHost &host, QWidget &mainPage, PlotSelection &lists)
        : m_host(host), m_mainPage(mainPage), m_lists(lists)
    {
    }

    std::vector<std::string> plots() override { return m_lists.plots(); }

    std::vector<std::string> selectPlot(std::size_t index) override
    {
        m_host.enterPage(m_mainPage);
        return m_lists.selectPlot(index);
    }

    long long selectSpecies(std::size_t index) override { return m_lists.selectSpecies(index); }

private:
    PageHost &m_host;
    QWidget &m_mainPage;
    WindowSelection m_lists;
};

// The warnings of the run, each in a box of its own until the user asks not to be stopped by them
// again; every warning is also listed in the progress window. The other messages are told as ever.
class BatchMessages final : public common::MessageSink
{
public:
    static constexpr const char *kDoNotStop = "Do not stop for further warnings in this run";

    BatchMessages(Dialogs &dialogs, common::MessageSink &others, common::Progress *progress)
        : m_dialogs(dialogs), m_others(others), m_progress(progress)
    {
    }

    void message(common::MessageKind kind, const std::string &text) override
    {
        if (kind != common::MessageKind::Warning) {
            m_others.message(kind, text);
            return;
        }
        if (m_progress) m_progress->note(text);
        if (m_quiet) return;
        m_quiet =
            m_dialogs
                .message(MessageKind::Warning, QString::fromStdString(text), Button::Ok, {kDoNotStop, {}})
                .checked;
    }

private:
    Dialogs &m_dialogs;
    common::MessageSink &m_others;
    common::Progress *m_progress;
    bool m_quiet = false;
};

// How the run ended: the pictures, why there were none, and the warnings, listed under the text.
void tellCompletion(Dialogs &dialogs, const model::ModelPicturesSummary &summary,
                    const std::string &directory)
{
    QString text = QString::fromStdString(model::PicturesCompletionText(summary));
    const std::string reason = model::NoPicturesReason(summary);
    if (!reason.empty()) text += "\n" + QString::fromStdString(reason);
    if (summary.warnings.empty()) {
        dialogs.information(text);
        return;
    }
    text += QString("\n%1 warnings, listed in %2")
                .arg(summary.warnings.size())
                .arg(QFile::decodeName((directory + model::kWarningsFile).c_str()));
    QStringList lines;
    for (const auto &warning : summary.warnings)
        lines << QString::fromStdString(warning);
    dialogs.message(MessageKind::Information, text, Button::Ok, {{}, lines.join('\n')});
}

} // namespace

// The model of each plot and species drawn on the model page, whose entry titles it, and saved from
// its chart at the chart's size.
class BatchRuns::Pictures final : public model::ModelPictureMaker
{
public:
    Pictures(PageHost &host, Dialogs &dialogs, ModelPage &page)
        : m_host(host), m_dialogs(dialogs), m_page(page)
    {
    }

    void drawModel(const std::string &, const std::string &, common::MessageSink &sink) override
    {
        m_page.setMessageSink(&sink);
        const common::ScopeExit restore([this] { m_page.setMessageSink(nullptr); });
        m_host.enterPage(m_page);
        m_page.drawModel();
    }

    bool replaceExisting(const std::string &file) override
    {
        return m_dialogs.message(MessageKind::Confirmation,
                                 "Overwrite file " + QFile::decodeName(file.c_str()) + "?",
                                 Button::Yes | Button::No) == Button::Yes;
    }

    void savePicture(const std::string &file) override
    {
        charts::Chart &chart = m_page.chart();
        charts::writeChartPicture(chart, QFile::decodeName(file.c_str()), chart.size());
    }

private:
    PageHost &m_host;
    Dialogs &m_dialogs;
    ModelPage &m_page;
};

BatchRuns::BatchRuns(PageHost &host, Dialogs &dialogs, QWidget &mainPage, PlotSelection &lists,
                     ModelPage &modelPage, QWidget &window)
    : m_host(host), m_state(host.state()), m_dialogs(dialogs), m_sink(dialogs), m_mainPage(mainPage),
      m_lists(lists), m_modelPage(modelPage), m_window(window)
{
}

BatchRuns::~BatchRuns() = default;

std::string BatchRuns::SpeciesName(const std::string &species) const
{
    return FormCreateModelsSetting ? FormCreateModelsSetting->SpeciesName(species) : species;
}

void BatchRuns::BtnStatClick()
{
    const model::TableSetup setup{m_state.tableFile(), m_state.fieldRoles(), m_state.conditions(),
                                  m_state.yearList()};
    model::StatisticsRun run(m_state.Survey.connection(), m_state.Query1, setup, m_modelPage.modelSettings());
    WindowSelection selection(m_lists);
    // The run's closing messages are shown once its progress window has gone.
    common::RecordingSink messages;
    model::StatisticsSummary summary;
    {
        const auto progress = m_dialogs.progress("Statistics");
        summary = run.execute(selection, messages, progress.get());
    }
    for (const auto &entry : messages.entries())
        m_sink.message(entry.kind, entry.text);
    // A cancelled run has said what it kept.
    if (!summary.cancelled) m_dialogs.information(QString::fromStdString(model::CompletionText(summary)));
}

bool BatchRuns::ShowCreateModelsSetting(const std::string &directory, const std::vector<std::string> &species)
{
    const std::string codePage =
        data::describeTable(m_state.Survey.connection(), m_state.tableFile()).codePage.name;
    FormCreateModelsSetting = std::make_unique<TFormCreateModelsSetting>(
        m_dialogs, m_state.TitlePlot, m_state.TitleSpecies, codePage, &m_window);
    FormCreateModelsSetting->setDirectory(directory);
    FormCreateModelsSetting->FillSpeciesGrid(species);
    FormCreateModelsSetting->FormActivate();
    return m_dialogs.runModal(*FormCreateModelsSetting) == QDialog::Accepted;
}

void BatchRuns::BtnCreateModelsAllClick()
{
    // The dialog goes when the run ends, however it ends, and the species go by their codes again.
    const common::ScopeExit end([this] { FormCreateModelsSetting.reset(); });

    if (!ShowCreateModelsSetting(m_state.dataDir(), m_lists.allSpecies())) return;

    model::ModelPicturesSettings settings;
    settings.directory = FormCreateModelsSetting->directory();
    settings.fileType = FormCreateModelsSetting->fileType();
    settings.minTrees = FormCreateModelsSetting->minTrees();
    model::ModelPicturesRun run(settings);
    BatchSelection selection(m_host, m_mainPage, m_lists);
    Pictures pictures(m_host, m_dialogs, m_modelPage);
    model::ModelPicturesSummary summary;
    {
        const auto progress = m_dialogs.progress("Create all models");
        BatchMessages messages(m_dialogs, m_sink, progress.get());
        summary = run.execute(selection, pictures, messages, progress.get());
    }
    // A cancelled run has said what it wrote.
    if (!summary.cancelled) tellCompletion(m_dialogs, summary, run.settings().directory);
}

} // namespace app
