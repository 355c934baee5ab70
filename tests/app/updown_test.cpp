// The up-down arrows: lying ones step up to the right, every click is reported with its direction
// also when the range holds the position, and the range never stands upside down.
#include "app/updown.h"

#include <gtest/gtest.h>

#include <QToolButton>

#include <vector>

TEST(UpDown, LyingArrowsStepUpToTheRightAndReportEveryClick)
{
    app::UpDown upDown(nullptr, Qt::Horizontal);
    upDown.setHint("Left");
    upDown.setRange(0, 3);
    upDown.setIncrement(2);
    std::vector<int> clicks;
    QObject::connect(&upDown, &app::UpDown::clicked,
                     [&clicks](int direction) { clicks.push_back(direction); });

    EXPECT_EQ(upDown.upButton()->arrowType(), Qt::RightArrow);
    EXPECT_EQ(upDown.upButton()->accessibleName(), "Left right arrow");
    EXPECT_EQ(upDown.downButton()->accessibleName(), "Left left arrow");
    EXPECT_EQ(upDown.downButton()->toolTip(), "Left");
    upDown.upButton()->click();
    upDown.upButton()->click(); // held at the maximum, still reported
    EXPECT_EQ(upDown.position(), 3);
    upDown.downButton()->click();
    EXPECT_EQ(upDown.position(), 1);
    EXPECT_EQ(clicks, (std::vector<int>{+1, +1, -1}));

    // A range given upside down is one position, not an undefined clamp.
    upDown.setRange(5, 2);
    EXPECT_EQ(upDown.minimum(), 5);
    EXPECT_EQ(upDown.maximum(), 5);
    EXPECT_EQ(upDown.position(), 5);
}
