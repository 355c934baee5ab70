// The print layout dialog: the worked layouts to the pixel, the mouse, double-clicks, the steppers and
// the two buttons.
#include "app/printcanvas.h"
#include "app/updown.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

using namespace app;

namespace {

const QSize kScreen(1024, 768);
const double kChartAspect = 680.0 / 392.0;

struct LayoutCase
{
    int pageWidth, pageHeight;
    double aspect;
    double scale;
    QSize client;
    QRect image;
    PrintRectangle rect;
};

// Printable pages of 4800 x 6800 and 6800 x 4800 printer pixels on a 1024 x 768 screen: the preview
// fits half the screen, the image keeps the chart's proportions; halves round to even (146.5 gives
// 146, 268.5 gives 268), printer pixels are cut towards zero.
const LayoutCase kLayouts[] = {
    {4800, 6800, kChartAspect, 6800 / 384.0, {271, 384}, {34, 146, 203, 117}, {602, 2125, 4196, 4196}},
    {4800, 6800, 0.5, 6800 / 384.0, {271, 384}, {68, 71, 134, 268}, {1204, 796, 3577, 5542}},
    {6800, 4800, kChartAspect, 13.28125, {512, 361}, {64, 83, 384, 221}, {850, 757, 5950, 3692}},
};

class PrintCanvasTest : public ::testing::Test
{
protected:
    void init(int w = 4800, int h = 6800, double aspect = kChartAspect)
    {
        dialog.InitLayout(w, h, aspect, kScreen);
    }
    QRect image() const { return dialog.PanelImage->geometry(); }

    // A drag with the left button from `from` to `to`, both in the image's coordinates at the press.
    void drag(QPoint from, QPoint to)
    {
        dialog.PanelImageMouseDown(from);
        dialog.PanelImageMouseMove(Qt::LeftButton, Qt::NoModifier, to);
        dialog.PanelImageMouseUp();
    }

    TFormPrintCanvas dialog;
};

TEST_F(PrintCanvasTest, InitialLayoutsToThePixel)
{
    for (const LayoutCase &c : kLayouts) {
        TFormPrintCanvas d;
        d.InitLayout(c.pageWidth, c.pageHeight, c.aspect, kScreen);
        EXPECT_DOUBLE_EQ(d.scale(), c.scale);
        EXPECT_EQ(d.clientSize(), c.client);
        EXPECT_EQ(d.size(), c.client);
        EXPECT_EQ(d.PanelImage->geometry(), c.image)
            << c.pageWidth << " x " << c.pageHeight << ", " << c.aspect;
        EXPECT_EQ(d.PrintRect, c.rect) << c.rect.Left << " " << c.rect.Top;
        // The values on the image and the steppers show the rectangle.
        EXPECT_EQ(d.LabelLeft->text(), QString::number(c.rect.Left));
        EXPECT_EQ(d.LabelBottom->text(), QString::number(c.rect.Bottom));
        EXPECT_EQ(d.UpDownRight->position(), c.rect.Right);
        EXPECT_EQ(d.UpDownBottom->maximum(), c.pageHeight);
        // Right and Bottom 33 and 17 pixels above the image's lower edge.
        EXPECT_EQ(d.LabelR->y(), c.image.height() - 33);
        EXPECT_EQ(d.LabelBottom->y(), c.image.height() - 17);
    }
}

TEST_F(PrintCanvasTest, DoubleClicksAlternateBetweenTheWholePageAreaAndTheCentredFrame)
{
    init();
    dialog.PanelImageDblClick();
    EXPECT_EQ(image(), QRect(0, 26, 271, 358));
    // The bottom of the page area maps to row trunc(358 * scale), 26 * scale pixels above the page's end.
    EXPECT_EQ(dialog.PrintRect, (PrintRectangle{0, 0, 4798, 6339}));
    dialog.PanelImageDblClick();
    // Three quarters of the page area, in its proportions rather than the chart's.
    EXPECT_EQ(image(), QRect(34, 71, 203, 268));
    dialog.PanelImageDblClick();
    EXPECT_EQ(image(), QRect(0, 26, 271, 358));
}

TEST_F(PrintCanvasTest, TheMouseMovesAndSizesTheImage)
{
    init();
    // The right edge grabbed 2 pixels inside and let go 20 pixels further: the edge is where the mouse
    // is. Then the bottom edge the same way.
    drag({201, 50}, {221, 50});
    EXPECT_EQ(image(), QRect(34, 146, 221, 117));
    EXPECT_EQ(dialog.PrintRect.Right, static_cast<int>((34 + 221) * dialog.scale()));
    drag({100, 115}, {100, 135});
    EXPECT_EQ(image().height(), 135);
    // The left edge pulled inwards.
    drag({2, 50}, {12, 50});
    EXPECT_EQ(image(), QRect(46, 146, 209, 135));
    // The whole image moved 10 right and 20 up.
    drag({100, 60}, {110, 40});
    EXPECT_EQ(image(), QRect(56, 126, 209, 135));
    EXPECT_EQ(dialog.PrintRect, (PrintRectangle{991, 1770, 4692, 4161}));

    // Pushed over the right border, it is shortened on release rather than stopped.
    drag({100, 60}, {150, 60});
    EXPECT_EQ(image(), QRect(106, 126, 165, 135));
    EXPECT_EQ(dialog.PrintRect.Right, 4798);
    // Above the tool bar and off the left, it is put back.
    drag({100, 60}, {-100, -200});
    EXPECT_EQ(image().topLeft(), QPoint(0, 26));

    // Motion with another button or a key held moves nothing.
    const QRect before = image();
    dialog.PanelImageMouseDown({100, 60});
    dialog.PanelImageMouseMove(Qt::LeftButton, Qt::ShiftModifier, {150, 90});
    dialog.PanelImageMouseMove(Qt::LeftButton | Qt::RightButton, Qt::NoModifier, {150, 90});
    dialog.PanelImageMouseUp();
    EXPECT_EQ(image(), before);
}

TEST_F(PrintCanvasTest, PressAndCursorRulesDifferInTheTopRightCorner)
{
    init();
    const int w = image().width();
    dialog.PanelImageMouseMove(Qt::NoButton, Qt::NoModifier, {w - 2, 2});
    EXPECT_EQ(dialog.PanelImage->cursor().shape(), Qt::SizeVerCursor);
    dialog.PanelImageMouseDown({w - 2, 2});
    EXPECT_EQ(dialog.dragState(), TFormPrintCanvas::Drag::RightEdge);
    dialog.PanelImageMouseUp();
    EXPECT_EQ(dialog.dragState(), TFormPrintCanvas::Drag::None);

    struct CursorCase
    {
        QPoint at;
        Qt::CursorShape shape;
        TFormPrintCanvas::Drag press;
    };
    const CursorCase cases[] = {
        {{2, 50}, Qt::SizeHorCursor, TFormPrintCanvas::Drag::LeftEdge},
        {{100, 2}, Qt::SizeVerCursor, TFormPrintCanvas::Drag::TopEdge},
        {{100, image().height() - 2}, Qt::SizeVerCursor, TFormPrintCanvas::Drag::BottomEdge},
        {{100, 50}, Qt::ArrowCursor, TFormPrintCanvas::Drag::Move},
    };
    for (const auto &c : cases) {
        dialog.PanelImageMouseMove(Qt::NoButton, Qt::NoModifier, c.at);
        EXPECT_EQ(dialog.PanelImage->cursor().shape(), c.shape);
        dialog.PanelImageMouseDown(c.at);
        EXPECT_EQ(dialog.dragState(), c.press);
        dialog.FormActivate();
        EXPECT_EQ(dialog.dragState(), TFormPrintCanvas::Drag::None);
    }
}

TEST_F(PrintCanvasTest, RealMouseEventsReachTheHandlers)
{
    init();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(201, 50), QPointF(201, 50), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.PanelImage, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 50), QPointF(150, 50), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.PanelImage, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(150, 50), QPointF(150, 50), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.PanelImage, &release);
    EXPECT_EQ(image().width(), 150);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.PanelImage, &twice);
    EXPECT_EQ(image(), QRect(0, 26, 271, 358));
}

TEST_F(PrintCanvasTest, TheLeftAndTopSteppersMoveTheRectangleInPrinterPixels)
{
    init();
    // Left: one printer pixel to the right, width kept; the image follows to trunc(Left / scale).
    dialog.UpDownLeft->upButton()->click();
    EXPECT_EQ(dialog.PrintRect, (PrintRectangle{603, 2125, 4197, 4196}));
    EXPECT_EQ(dialog.LabelRight->text(), "4197");
    EXPECT_EQ(image().left(), 34);

    // Top: the up arrow lowers the position and moves the rectangle up the page.
    dialog.UpDownTop->upButton()->click();
    EXPECT_EQ(dialog.PrintRect, (PrintRectangle{603, 2124, 4197, 4195}));
    EXPECT_EQ(image().top(), static_cast<int>(2124 / dialog.scale()) + 26);
    dialog.UpDownTop->downButton()->click();
    EXPECT_EQ(dialog.PrintRect.Top, 2125);

    // At Left = 0 the down arrow does nothing; with the right edge on the page's edge the up arrow
    // does nothing.
    dialog.PanelImageDblClick();
    ASSERT_EQ(dialog.PrintRect.Left, 0);
    const PrintRectangle whole = dialog.PrintRect;
    dialog.UpDownLeft->downButton()->click();
    EXPECT_EQ(dialog.PrintRect, whole);
    dialog.UpDownRight->upButton()->click();
    dialog.UpDownRight->upButton()->click();
    ASSERT_EQ(dialog.PrintRect.Right, 4800);
    const PrintRectangle atEdge = dialog.PrintRect;
    dialog.UpDownLeft->upButton()->click();
    EXPECT_EQ(dialog.PrintRect, atEdge);
}

TEST_F(PrintCanvasTest, TheRightAndBottomSteppersSizeTheRectangle)
{
    init();
    // Up on Right: one printer pixel wider, which the preview's width does not show; the rectangle
    // keeps the exact value.
    dialog.UpDownRight->upButton()->click();
    EXPECT_EQ(dialog.PrintRect.Right, 4197);
    EXPECT_EQ(dialog.LabelRight->text(), "4197");
    EXPECT_EQ(image().width(), 203);
    // One pixel back from there makes the preview one pixel narrower (3594 / scale is 202.96), and the
    // rectangle is taken from the image again.
    dialog.UpDownRight->downButton()->click();
    EXPECT_EQ(image().width(), 202);
    EXPECT_EQ(dialog.PrintRect.Right, static_cast<int>((34 + 202) * dialog.scale()));
    EXPECT_EQ(dialog.UpDownRight->position(), dialog.PrintRect.Right);

    // The Bottom stepper reaches the page's height, below the preview's page area.
    dialog.PanelImageDblClick();
    for (int i = 0; i < 500; ++i)
        dialog.UpDownBottom->downButton()->click();
    EXPECT_EQ(dialog.PrintRect.Bottom, 6800);
    EXPECT_EQ(dialog.UpDownBottom->position(), 6800);
    EXPECT_EQ(image(), QRect(0, 26, 271, 358));
    EXPECT_EQ(dialog.LabelB->y(), image().height() - 17);
    // Up on Bottom never goes above the top.
    dialog.PrintRect.Bottom = dialog.PrintRect.Top + 1;
    dialog.UpDownBottom->setPosition(dialog.PrintRect.Bottom);
    dialog.UpDownBottom->upButton()->click();
    dialog.UpDownBottom->upButton()->click();
    EXPECT_EQ(dialog.PrintRect.Bottom, dialog.PrintRect.Top);
}

TEST_F(PrintCanvasTest, PrintKeepsTheRectangleOnThePageAndCancelEmptiesIt)
{
    init();
    dialog.PrintRect.Right = 5000;
    dialog.PrintRect.Bottom = 7000;
    dialog.BtnPrint->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.PrintRect, (PrintRectangle{602, 2125, 4800, 6800}));

    TFormPrintCanvas cancelled;
    cancelled.InitLayout(4800, 6800, kChartAspect, kScreen);
    cancelled.BtnCancel->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_TRUE(cancelled.PrintRect.empty());
    EXPECT_EQ(cancelled.PrintRect, PrintRectangle{});

    // Dragged to no width: nothing to print.
    TFormPrintCanvas narrow;
    narrow.InitLayout(4800, 6800, kChartAspect, kScreen);
    narrow.PanelImageMouseDown({201, 50});
    narrow.PanelImageMouseMove(Qt::LeftButton, Qt::NoModifier, {-30, 50});
    narrow.PanelImageMouseUp();
    EXPECT_EQ(narrow.PanelImage->width(), 0);
    EXPECT_TRUE(narrow.PrintRect.empty());
}

TEST_F(PrintCanvasTest, ControlsHaveTheirTextsAndNames)
{
    init();
    EXPECT_EQ(dialog.windowTitle(), "Print Canvas");
    EXPECT_EQ(dialog.BtnPrint->text(), "Print");
    EXPECT_EQ(dialog.BtnCancel->text(), "Cancel");
    EXPECT_EQ(dialog.PanelImage->text(), "Image to print");
    EXPECT_EQ(dialog.Panel1->height(), 26);
    const std::pair<app::UpDown *, const char *> steppers[] = {{dialog.UpDownLeft, "Left"},
                                                               {dialog.UpDownTop, "Top"},
                                                               {dialog.UpDownRight, "Right"},
                                                               {dialog.UpDownBottom, "Bottom"}};
    for (const auto &[stepper, hint] : steppers) {
        EXPECT_EQ(stepper->toolTip(), hint);
        EXPECT_EQ(stepper->accessibleName(), hint);
        EXPECT_FALSE(stepper->upButton()->accessibleName().isEmpty());
    }
    EXPECT_EQ(dialog.UpDownTop->increment(), -1);
    EXPECT_EQ(dialog.UpDownLeft->orientation(), Qt::Horizontal);
    EXPECT_EQ(dialog.UpDownBottom->orientation(), Qt::Vertical);
    for (QLabel *caption : {dialog.LabelL, dialog.LabelT, dialog.LabelR, dialog.LabelB})
        EXPECT_FALSE(caption->text().isEmpty());
}

} // namespace
