// The print layout dialog "Print Canvas": the printable area of the page in miniature with the chart's
// place on it, moved and sized with the mouse or with four steppers, and the rectangle of the page
// the chart is then printed into (charts::printChart prints it).
#pragma once

#include "charts/printing.h"

#include <QDialog>
#include <QSize>

#include <cstdint>
#include <optional>
#include <string>

class QFrame;
class QLabel;
class QPrinter;
class QPushButton;

namespace app {

using charts::PrintRectangle;

class UpDown;

class TFormPrintCanvas : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kToolBarHeight = 26;
    static constexpr int kEdgeZone = 5;
    enum class Drag { None = 0, LeftEdge = 1, RightEdge = 2, TopEdge = 3, BottomEdge = 4, Move = 5 };

    explicit TFormPrintCanvas(QWidget *parent = nullptr);

    // Sets the dialog up for a printable area of pageWidth x pageHeight printer pixels and a chart of
    // the given aspect (width / height): the preview fits into half the screen each way, and the
    // image has the chart's proportions in the middle three quarters of the page area. The screen
    // is the primary screen unless given.
    void InitLayout(int pageWidth, int pageHeight, double aspect);
    void InitLayout(int pageWidth, int pageHeight, double aspect, QSize screen);

    // The image's resize handler: the print rectangle from the image, after keeping the image on the
    // page area (an image pushed over the right or bottom border is shortened).
    void PanelImageResize();
    // Mouse on the image, in the image's coordinates.
    void PanelImageMouseDown(QPoint at);
    void PanelImageMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint at);
    void PanelImageMouseUp();
    void PanelImageDblClick();
    void FormActivate();
    // A step of a stepper; up tells whether its position rose.
    void UpDownLeftClick(bool up);
    void UpDownTopClick(bool up);
    void UpDownRightClick(bool up);
    void UpDownBottomClick(bool up);
    void BtnPrintClick();
    void BtnCancelClick();
    // Closing the dialog any other way than by "Print" cancels.
    void reject() override;

    int pageWidth() const { return m_pageWidth; }
    int pageHeight() const { return m_pageHeight; }
    double scale() const { return m_scale; }
    QSize clientSize() const { return QSize(m_clientWidth, m_clientHeight); }
    Drag dragState() const { return m_drag; }

    // The result, read once the dialog has closed.
    PrintRectangle PrintRect;

    QWidget *Panel1;
    QPushButton *BtnPrint;
    QPushButton *BtnCancel;
    // The arrows of the sides: lying for Left and Right, upright for Top and Bottom.
    UpDown *UpDownLeft;
    UpDown *UpDownTop;
    UpDown *UpDownRight;
    UpDown *UpDownBottom;
    QLabel *PanelImage;
    QLabel *LabelL;
    QLabel *LabelT;
    QLabel *LabelR;
    QLabel *LabelB;
    QLabel *LabelLeft;
    QLabel *LabelTop;
    QLabel *LabelRight;
    QLabel *LabelBottom;

protected:
    bool event(QEvent *event) override;
    // Centred on the screen.
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Sets the image's place; a changed size runs the resize handler.
    void setImage(int left, int top, int width, int height);
    void rectFromImage(bool clamp);
    // The image's size after a Right or Bottom step.
    void followStepper(int width, int height);
    void showValues();
    void placeLowerLabels();
    void syncSteppers();

    int m_pageWidth = 0;
    int m_pageHeight = 0;
    double m_scale = 1;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    Drag m_drag = Drag::None;
    QPoint m_dragStart;
    int m_valuesX = 0; // where the value labels stand on the image
};

} // namespace app
