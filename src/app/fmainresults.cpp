// The statistics run behind the "Statistics" button, over every plot and species of the lists.
#include "app/fmain.h"

#include "app/modelpage.h"
#include "app/windowselection.h"
#include "common/error.h"
#include "model/resulttables.h"
#include "model/statisticsrun.h"

#include <QPushButton>

namespace app {

void TFormMain::connectResultPages()
{
    connectGuarded(BtnStat, &QPushButton::clicked, &TFormMain::BtnStatClick);
}

void TFormMain::BtnStatClick()
{
    // The run processes events to keep its progress window alive; no second run may start from them.
    BtnStat->setEnabled(false);
    struct Enable
    {
        QPushButton *button;
        ~Enable() { button->setEnabled(true); }
    } enable{BtnStat};

    const model::TableSetup setup{m_state.TableFile, fieldRoles(), m_state.Conditions, yearList()};
    model::StatisticsRun run(m_state.PrimaryData, m_state.Query1, setup, TabSheetModel->modelSettings());
    WindowSelection selection(*this);
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

} // namespace app
