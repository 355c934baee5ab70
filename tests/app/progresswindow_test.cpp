// The progress window of long runs: what it shows, and its Cancel button stopping the run.
#include "app/progresswindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
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

    // A run that counts something else names it.
    app::ProgressWindow files("Import", nullptr, "File");
    files.step(1, 4, "b.csv");
    EXPECT_EQ(files.dialog()->labelText(), "File 2 of 4: b.csv");
}

// Notes of the run (its warnings) are listed under the plot line, above the bar, from the first on.
TEST(ProgressWindow, ListsTheNotesBetweenThePlotLineAndTheBar)
{
    app::ProgressWindow window("Create all models", nullptr);
    QListWidget *notes = window.notes();
    ASSERT_NE(notes, nullptr);
    EXPECT_FALSE(notes->isVisible());
    EXPECT_EQ(notes->accessibleName(), "Warnings");
    EXPECT_TRUE(window.step(0, 2, "A1"));
    window.note("No transition matrix was calculated (plot A1, species SM)");
    window.note("No transition matrix was calculated (plot A1, species BK)");
    EXPECT_TRUE(window.step(1, 2, "B2"));
    ASSERT_TRUE(notes->isVisible());
    ASSERT_EQ(notes->count(), 2);
    EXPECT_EQ(notes->item(1)->text(), "No transition matrix was calculated (plot A1, species BK)");

    const auto *label = window.dialog()->findChild<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    const auto *bar = window.dialog()->findChild<QProgressBar *>();
    ASSERT_NE(label, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(label->text(), "Plot 2 of 2: B2");
    EXPECT_GE(label->height(), label->sizeHint().height());
    EXPECT_LE(label->geometry().bottom(), notes->geometry().top());
    EXPECT_LE(notes->geometry().bottom(), bar->geometry().top());
    EXPECT_GE(notes->height(), 3 * notes->fontMetrics().height());
}
