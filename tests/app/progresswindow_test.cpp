// The progress window of long runs: what it shows, and its Cancel button stopping the run.
#include "app/progresswindow.h"

#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>

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

        EXPECT_TRUE(window.step(0, 3, "A1"));
        EXPECT_EQ(dialog->labelText(), "Plot 1 of 3: A1");
        EXPECT_EQ(dialog->value(), 0);
        EXPECT_EQ(dialog->maximum(), 3);
        EXPECT_TRUE(window.step(1, 3, "B2"));
        EXPECT_EQ(dialog->labelText(), "Plot 2 of 3: B2");
        EXPECT_EQ(dialog->value(), 1);

        auto *cancel = dialog->findChild<QPushButton *>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), "Cancel");
        cancel->click();
        EXPECT_FALSE(window.step(2, 3, "C3"));
    }
    // The window goes with the run.
    EXPECT_TRUE(dialog.isNull());
}
