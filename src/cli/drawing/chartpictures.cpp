// Drawing the commands' charts with Qt, also without a display.
#include "cli/drawing/chartpictures.h"

#include "charts/chart.h"
#include "charts/modelchart.h"
#include "charts/picturewriter.h"

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

// Qt and one model chart kept from one picture to the next: every picture clears the chart's series
// and draws its own, so that it comes out as a fresh chart's would.
struct ModelSession
{
    QtSession qt;
    std::unique_ptr<charts::Chart> chart;

    void write(const ModelPicture &picture, const std::string &file, PictureSize size)
    {
        if (!chart) {
            chart = std::make_unique<charts::Chart>();
            charts::setupModelChart(*chart);
            // TODO: a chart settings file (--settings FILE.gsf) is applied here, once per session,
            // when the commands take one: the window's settings also stay on its chart from one
            // picture to the next.
        }
        chart->clearSeries();
        chart->setTitleLines({QString::fromStdString(picture.title)});
        std::vector<std::string> settings = picture.graphSettings;
        charts::drawModelLines(*chart, picture.lines, settings);
        if (chart->size() != QSize(size.width, size.height)) chart->resize(size.width, size.height);
        charts::writeChartPicture(*chart, QFile::decodeName(file.c_str()), QSize(size.width, size.height));
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
    openModelSession()(picture, file, size);
}

} // namespace

PictureWriters chartPictureWriters()
{
    PictureWriters writers;
    writers.model = writeModelPicture;
    writers.modelSession = openModelSession;
    return writers;
}

} // namespace cli::drawing
