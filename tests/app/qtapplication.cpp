// The QApplication that the window tests need, created once before the first test.
#include <QApplication>

#include <gtest/gtest.h>

#include <clocale>

namespace {

class QtApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (QApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "gui_tests";
        static char *argv[] = {name, nullptr};
        m_application = new QApplication(argc, argv);
        // As the program does: the dBASE files keep the point whatever the user's locale.
        std::setlocale(LC_NUMERIC, "C");
        QApplication::setApplicationName("Fenoris");
    }

    // The application must go before the process's static destructors run: Qt's own statics
    // (input devices) are gone by then.
    void TearDown() override
    {
        delete m_application;
        m_application = nullptr;
    }

private:
    QApplication *m_application = nullptr;
};

[[maybe_unused]] ::testing::Environment *const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
