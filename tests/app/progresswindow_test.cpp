// The progress window of long runs: what it shows, and its Cancel button stopping the run.
#include "app/progresswindow.h"

#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

TEST(ProgressWindow, ShowsThePlotsDoneAndStopsOnceCancelIsPressed)
{
    QPointer<QProgressDialog> dialog;
    {
        app::ProgressWindow window("Statistics", nullptr);
        dialog = window.dialog();
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), "Statistics");

        // The bar moves, and events are handled, once per interval; the label follows every step.
        auto waitInterval = [] { QThread::msleep(app::ProgressWindow::kEventInterval + 5); };
        waitInterval();
        EXPECT_TRUE(window.step(0, 3, "A1"));
        EXPECT_EQ(dialog->labelText(), "Plot 1 of 3: A1");
        EXPECT_EQ(dialog->value(), 0);
        EXPECT_EQ(dialog->maximum(), 3);
        EXPECT_TRUE(window.step(1, 3, "B2"));
        EXPECT_EQ(dialog->labelText(), "Plot 2 of 3: B2");
        EXPECT_EQ(dialog->value(), 0);
        waitInterval();
        EXPECT_TRUE(window.step(2, 3, "C3"));
        EXPECT_EQ(dialog->value(), 2);

        auto *cancel = dialog->findChild<QPushButton *>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), "Cancel");
        cancel->click();
        EXPECT_FALSE(window.step(3, 3, ""));
    }
    // The window goes with the run.
    EXPECT_TRUE(dialog.isNull());
}
