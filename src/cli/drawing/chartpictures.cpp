// Drawing the commands' charts with Qt, also without a display.
#include "cli/drawing/chartpictures.h"

#include "charts/chart.h"
#include "charts/chartsettings.h"
#include "charts/modelchart.h"
#include "charts/picturewriter.h"
#include "charts/regressionchart.h"
#include "common/replacingfile.h"

#include <QApplication>
#include <QFile>

#include <clocale>
#include <cstdio>
#include <memory>

namespace cli::drawing {

namespace {

QtMessageHandler g_qtMessages = nullptr;

// The offscreen platform's notes about the desktop session mean nothing on a command line.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")) ||
        message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (g_qtMessages)
        g_qtMessages(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// Qt for one picture. With neither an X nor a Wayland display Qt draws offscreen, so that pictures
// are made on a server or over ssh; a platform the user names in QT_QPA_PLATFORM is kept.
class QtSession
{
public:
    QtSession()
    {
        if (QCoreApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        g_qtMessages = qInstallMessageHandler(quietMessages);
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
        // QApplication takes the user's locale for everything; numbers keep the point.
        std::setlocale(LC_NUMERIC, "C");
    }

private:
    int m_argc = 1;
    char m_name[12] = "fenoris-cli";
    char *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

// The look of a settings file on the chart, the chart's own title text kept.
void applyLook(const ChartLook &look, charts::Chart &chart)
{
    if (!look) return;
    const QStringList title = chart.titleLines();
    look(chart);
    chart.setTitleLines(title);
}

void writePicture(charts::Chart &chart, const std::string &file, PictureSize size)
{
    if (chart.size() != QSize(size.width, size.height)) chart.resize(size.width, size.height);
    charts::writeChartPicture(chart, QFile::decodeName(file.c_str()), QSize(size.width, size.height));
}

// Qt and one model chart kept from one picture to the next: every picture clears the chart's series
// and draws its own, so that it comes out as a fresh chart's would. A settings file is applied to
// every picture before its lines, as a Load before each model would.
struct ModelSession
{
    QtSession qt;
    std::unique_ptr<charts::Chart> chart;

    void write(const ModelPicture &picture, const std::string &file, PictureSize size)
    {
        if (!chart) {
            chart = std::make_unique<charts::Chart>();
            charts::setupModelChart(*chart);
        }
        chart->clearSeries();
        chart->setTitleLines({QString::fromStdString(picture.title)});
        applyLook(picture.look, *chart);
        std::vector<std::string> settings = picture.graphSettings;
        charts::drawModelLines(*chart, picture.lines, settings);
        writePicture(*chart, file, size);
    }
};

ModelPictureWriter openModelSession()
{
    auto session = std::make_shared<ModelSession>();
    return [session](const ModelPicture &picture, const std::string &file, PictureSize size) {
        session->write(picture, file, size);
    };
}

void writeModelPicture(const ModelPicture &picture, const std::string &file, PictureSize size)
{
    // Temporary files of this picture that a killed run left behind.
    common::removeLeftoverTemporaries(file);
    openModelSession()(picture, file, size);
}

// As the regression page draws a pair chosen under "another": a chart without a title (the page
// clears it), the axes named by the choice, then the points and the polynomial. A settings file
// comes first, as a Load before the choice would.
void writeRegressionPicture(const RegressionPicture &picture, const std::string &file, PictureSize size)
{
    common::removeLeftoverTemporaries(file);
    QtSession qt;
    charts::Chart chart;
    charts::setupRegressionChart(chart);
    applyLook(picture.look, chart);
    chart.bottomAxis().setTitle(QString::fromStdString(picture.xTitle));
    chart.leftAxis().setTitle(QString::fromStdString(picture.yTitle));
    charts::DrawRegression(chart, *picture.series, true);
    writePicture(chart, file, size);
}

// Read without Qt running: the record and its check need no application, so a refused file ends the
// command before Qt starts.
ChartLook readLook(const std::string &file)
{
    return [settings = charts::ReadChartSettingsFile(file)](charts::Chart &chart) {
        charts::ApplyChartSettings(chart, settings);
    };
}

} // namespace

PictureWriters chartPictureWriters()
{
    PictureWriters writers;
    writers.model = writeModelPicture;
    writers.regression = writeRegressionPicture;
    writers.look = readLook;
    writers.modelSession = openModelSession;
    return writers;
}

} // namespace cli::drawing
