// The main window: creation, the start sequence, resizing, closing, help and about.
#include "app/fmain.h"

#include "app/batchruns.h"
#include "app/datapage.h"
#include "app/errorhandler.h"
#include "app/fchartprop.h"
#include "app/fgraphparams.h"
#include "app/finfo.h"
#include "app/fplotcontainer.h"
#include "app/graphini.h"
#include "app/guardedslot.h"
#include "app/mainpage.h"
#include "app/manual.h"
#include "app/modelpage.h"
#include "app/plotselection.h"
#include "app/resources.h"
#include "charts/chart.h"
#include "common/error.h"
#include "common/replacingfile.h"
#include "common/scopeexit.h"
#include "model/modelpictures.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <utility>

namespace app {

namespace {

const char *const kTableFilter = "DBF table (*.dbf);;all files (*)";

// File names as the file system spells them; the core library takes them as bytes.
std::string fileBytes(const QString &name)
{
    return QFile::encodeName(name).toStdString();
}

// The warnings about journals set aside when a folder is opened, as message boxes of the window; one
// that comes from another thread (a batch run's) waits for the window's own thread.
class CommitWarnings final : public common::MessageSink
{
public:
    CommitWarnings(QWidget &window, DialogsSink &sink) : m_window(window), m_sink(sink) {}
    void message(common::MessageKind kind, const std::string &text) override
    {
        if (QThread::currentThread() == m_window.thread()) return m_sink.message(kind, text);
        QMetaObject::invokeMethod(
            &m_window, [sink = &m_sink, kind, text] { sink->message(kind, text); }, Qt::QueuedConnection);
    }

private:
    QWidget &m_window;
    DialogsSink &m_sink;
};

} // namespace

TFormMain::TFormMain(Dialogs &dialogs, Environment environment, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_env(std::move(environment)), m_sink(dialogs)
{
    initResources();
    setObjectName("FormMain");
    setWindowTitle("Fenoris");
    setWindowIcon(QIcon(":/fenoris/fenoris-64.png"));
    createPages();
    setTableOpen(false);
    resize(kDesignWidth, kDesignHeight);

    connectMainPage();
    for (int i = 0; i < PageControl1->count(); ++i)
        PageControl1->widget(i)->installEventFilter(this);
    connectGuarded(this, m_dialogs, PageControl1, &QTabWidget::currentChanged,
                   &TFormMain::PageControl1Change);

    m_commitWarnings = std::make_unique<CommitWarnings>(*this, m_sink);
    common::setCommitWarnings(m_commitWarnings.get());
    guard([this] { FormCreate(); });
}

TFormMain::~TFormMain()
{
    common::setCommitWarnings(nullptr);
    m_state.Query1.setJournal(nullptr);
}

void TFormMain::guard(const std::function<void()> &handler)
{
    runGuarded(m_dialogs, handler);
}

void TFormMain::FormCreate()
{
    Activated = false;
    m_state.TitlePlot = model::kDefaultTitlePlot;
    m_state.TitleSpecies = model::kDefaultTitleSpecies;
    m_state.GraphSettings = loadGraphIni(graphIniReadPath(m_env.programDir, m_env.configDir));
}

void TFormMain::FormActivate()
{
    if (Activated || m_starting || m_terminated) return;
    m_starting = true;
    const common::ScopeExit done([this] { m_starting = false; });

    if (!FormInfo) FormInfo = std::make_unique<TFormInfo>(m_dialogs, m_env.pixelsPerInch);
    m_dialogs.runModal(*FormInfo);

    if (!openStartTable() && !openDataTable()) {
        m_terminated = true;
        if (m_env.terminate) m_env.terminate();
        return;
    }
    m_state.FixedSpecies.clear();
    {
        // Pages the program selects do not run the page entry.
        const QSignalBlocker blocker(PageControl1);
        PageControl1->setCurrentWidget(TabSheetMain);
    }
    TabSheetMain->EditPrcTreeChange();
    FormResize();
    Activated = true;
}

bool TFormMain::openDataTable()
{
    const auto file = m_dialogs.openFile("Open", kTableFilter, m_env.openDir);
    if (!file) {
        setTableOpen(false);
        return false;
    }
    openTableFile(*file);
    return true;
}

bool TFormMain::openStartTable()
{
    if (m_env.startTable.isEmpty()) return false;
    const QFileInfo info(std::exchange(m_env.startTable, QString()));
    bool opened = false;
    runGuarded(m_dialogs, [&] {
        openTableFile(info.filePath());
        opened = true;
    });
    // The open dialog that follows starts where the user looked for the table.
    if (!opened && info.absoluteDir().exists()) m_env.openDir = info.absolutePath();
    return opened;
}

void TFormMain::openTableFile(const QString &file)
{
    m_state.Survey.close();
    // The undo history belongs to the table that was open.
    m_state.DataJournal.clear();
    setTableOpen(false);
    const QString path = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    // A file that is no table leaves no table open, not the folder of one (model::Survey::open).
    const std::vector<std::string> columns = connectDataTable(path);
    setWindowTitle("Fenoris [" + path + "]");
    TabSheetMain->showTable(columns);
    setTableOpen(true);
}

std::vector<std::string> TFormMain::connectDataTable(const QString &file)
{
    // Opened as every command opens a table, so that both refuse the same files with the same words.
    m_state.Survey.open(std::filesystem::path(fileBytes(file)));
    return m_state.Survey.columns();
}

void TFormMain::FormResize()
{
    // A hidden page is neither resized nor laid out until it is shown; give the model page the size
    // of the page shown and place its chart now, so that the size reported is the one it will have.
    if (!TabSheetModel->isVisible()) {
        if (const QWidget *shown = PageControl1->currentWidget()) TabSheetModel->resize(shown->size());
        TabSheetModel->layout()->setGeometry(TabSheetModel->rect());
    }
    TabSheetMain->showGraphSize(TabSheetModel->chart().width(), TabSheetModel->chart().height());
}

bool TFormMain::FormClose()
{
    // Years and roles not saved by Set OK would be lost with the window.
    if (TabSheetMain->setupUnsaved() &&
        m_dialogs.message(MessageKind::Confirmation,
                          "The survey years and roles in the field grid are not saved beside the table "
                          "(Set OK saves them). Close Fenoris anyway?",
                          Button::Yes | Button::No) != Button::Yes)
        return false;
    // An edited row of the data table is stored, or the user decides to lose it.
    if (!TabSheetData->storeEdits() &&
        m_dialogs.message(MessageKind::Confirmation,
                          "The changes of the edited row of the data table were not stored. Close Fenoris "
                          "anyway?",
                          Button::Yes | Button::No) != Button::Yes)
        return false;
    try {
        saveGraphIni(graphIniWritePath(m_env.configDir), m_state.GraphSettings);
    } catch (const common::Error &e) {
        // Without this question a settings file that cannot be written would keep the window open.
        m_dialogs.error(QString::fromStdString(e.what()));
        return m_dialogs.message(MessageKind::Confirmation,
                                 "The model line settings could not be saved. Close Fenoris anyway?",
                                 Button::Yes | Button::No) == Button::Yes;
    }
    return true;
}

void TFormMain::BtnHelpClick()
{
    const auto manual = findManual(m_env.programDir);
    if (!manual) {
        QStringList places;
        for (const auto &place : manualPlaces(m_env.programDir))
            places << QFile::decodeName(place.c_str());
        m_dialogs.warning("The manual of Fenoris is missing. It belongs in " + places.join(" or in ") + ".");
        return;
    }
    const QString path = QFile::decodeName(manual->c_str());
    if (!m_dialogs.openAddress(QUrl::fromLocalFile(path).toString()))
        m_dialogs.information(
            "No web browser could be started to show the manual. You can open it yourself: " + path);
}

void TFormMain::BtnInfoClick()
{
    if (!FormInfo) FormInfo = std::make_unique<TFormInfo>(m_dialogs, m_env.pixelsPerInch);
    m_dialogs.runModal(*FormInfo);
}

void TFormMain::BtnGraphLinesClick()
{
    if (!FormGraphParams)
        FormGraphParams = std::make_unique<TFormGraphParams>(m_state.GraphSettings, m_dialogs, this);
    m_dialogs.runModal(*FormGraphParams);
}

void TFormMain::scheduleStart()
{
    if (!m_env.startOnActivation || Activated || m_starting || m_startQueued || m_terminated) return;
    // Queued, so that the window is on the screen before the first dialog covers it.
    m_startQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_startQueued = false;
        guard([this] { FormActivate(); });
    });
}

bool TFormMain::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) scheduleStart();
    return QWidget::event(event);
}

void TFormMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Without a window manager the window may never be activated; showing it starts too.
    scheduleStart();
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    bool close = true;
    if (!m_terminated) guard([&] { close = FormClose(); });
    if (close) {
        // The plot container must not outlive the window that fills it.
        TabSheetMain->selection().plotContainer().hide();
        event->accept();
    } else {
        event->ignore();
    }
}

void TFormMain::keyPressEvent(QKeyEvent *event)
{
    // Enter that no control took presses the default button, Set OK.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && TabSheetMain->pressDefault())
        return;
    QWidget::keyPressEvent(event);
}

bool TFormMain::eventFilter(QObject *watched, QEvent *event)
{
    // The window's new size reaches the page shown after Qt's layouts have placed the tab bar; the
    // label is updated from there, when the page size is final.
    if (event->type() == QEvent::Resize && watched == PageControl1->currentWidget()) {
        guard([this] { FormResize(); });
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace app
