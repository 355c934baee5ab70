// The print layout dialog.
#include "app/printcanvas.h"

#include "app/updown.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace app {

namespace {

// Nearest integer, halves to the even neighbour (the default rounding mode).
int roundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

std::int32_t truncated(double value)
{
    return static_cast<std::int32_t>(std::trunc(value));
}

constexpr int kMargin = 2;

QLabel *imageLabel(const char *name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    // The image below takes the mouse: the labels are part of it.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFixedHeight(16);
    label->adjustSize();
    return label;
}

// The arrows that step one side of the print rectangle. Top and Bottom count down the page, so their
// up arrow moves the side up to a smaller position.
UpDown *stepper(const char *name, const QString &hint, Qt::Orientation orientation, int increment,
                QWidget *parent)
{
    auto *upDown = new UpDown(parent, orientation);
    upDown->setObjectName(name);
    upDown->setHint(hint);
    upDown->setIncrement(increment);
    upDown->setFixedHeight(22);
    return upDown;
}

} // namespace

// ---- TFormPrintCanvas ------------------------------------------------------------------------

TFormPrintCanvas::TFormPrintCanvas(QWidget *parent) : QDialog(parent)
{
    setObjectName("FormPrintCanvas");
    setWindowTitle("Print Canvas");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    BtnPrint = new QPushButton("Print", Panel1);
    BtnPrint->setObjectName("BtnPrint");
    BtnCancel = new QPushButton("Cancel", Panel1);
    BtnCancel->setObjectName("BtnCancel");
    UpDownLeft = stepper("UpDownLeft", "Left", Qt::Horizontal, +1, Panel1);
    UpDownTop = stepper("UpDownTop", "Top", Qt::Vertical, -1, Panel1);
    UpDownRight = stepper("UpDownRight", "Right", Qt::Horizontal, +1, Panel1);
    UpDownBottom = stepper("UpDownBottom", "Bottom", Qt::Vertical, -1, Panel1);
    auto *tools = new QHBoxLayout(Panel1);
    tools->setContentsMargins(2, 2, 2, 2);
    tools->setSpacing(4);
    for (QPushButton *b : {BtnPrint, BtnCancel}) {
        b->setFixedSize(52, 22);
        b->setAutoDefault(false);
        tools->addWidget(b);
    }
    for (UpDown *s : {UpDownLeft, UpDownTop, UpDownRight, UpDownBottom})
        tools->addWidget(s);
    tools->addStretch(1);
    BtnPrint->setDefault(true);

    PanelImage = new QLabel("Image to print", this);
    PanelImage->setObjectName("PanelImage");
    PanelImage->setAccessibleName("Image to print");
    PanelImage->setAlignment(Qt::AlignCenter);
    PanelImage->setFrameShape(QFrame::Box);
    PanelImage->setAutoFillBackground(true);
    PanelImage->setBackgroundRole(QPalette::Base);
    PanelImage->setMouseTracking(true);
    PanelImage->installEventFilter(this);
    LabelL = imageLabel("LabelL", "Left", PanelImage);
    LabelT = imageLabel("LabelT", "Top", PanelImage);
    LabelR = imageLabel("LabelR", "Right", PanelImage);
    LabelB = imageLabel("LabelB", "Bottom", PanelImage);
    LabelLeft = imageLabel("LabelLeft", "0", PanelImage);
    LabelTop = imageLabel("LabelTop", "0", PanelImage);
    LabelRight = imageLabel("LabelRight", "0", PanelImage);
    LabelBottom = imageLabel("LabelBottom", "0", PanelImage);
    // The values stand in a column right of the widest caption.
    int captions = 0;
    for (QLabel *caption : {LabelL, LabelT, LabelR, LabelB})
        captions = std::max(captions, caption->fontMetrics().horizontalAdvance(caption->text()));
    m_valuesX = kMargin + captions + 6;
    LabelL->move(kMargin, 0);
    LabelLeft->move(m_valuesX, 0);
    LabelT->move(kMargin, 16);
    LabelTop->move(m_valuesX, 16);
    // Each value is read out under the name of its caption.
    for (auto [value, caption] : {std::pair{LabelLeft, LabelL}, std::pair{LabelTop, LabelT},
                                  std::pair{LabelRight, LabelR}, std::pair{LabelBottom, LabelB}})
        value->setAccessibleName(caption->text());

    connect(BtnPrint, &QPushButton::clicked, this, &TFormPrintCanvas::BtnPrintClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormPrintCanvas::BtnCancelClick);
    const std::pair<UpDown *, void (TFormPrintCanvas::*)(bool)> steps[] = {
        {UpDownLeft, &TFormPrintCanvas::UpDownLeftClick},
        {UpDownTop, &TFormPrintCanvas::UpDownTopClick},
        {UpDownRight, &TFormPrintCanvas::UpDownRightClick},
        {UpDownBottom, &TFormPrintCanvas::UpDownBottomClick}};
    for (auto [upDown, handler] : steps)
        connect(upDown, &UpDown::clicked, this, [this, upDown, handler](int direction) {
            // Whether the position was meant to rise, also when the range held it.
            (this->*handler)(direction * upDown->increment() > 0);
        });
}

void TFormPrintCanvas::InitLayout(int pageWidth, int pageHeight, double aspect)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    InitLayout(pageWidth, pageHeight, aspect, screen ? screen->size() : QSize(1024, 768));
}

void TFormPrintCanvas::InitLayout(int pageWidth, int pageHeight, double aspect, QSize screen)
{
    m_pageWidth = pageWidth;
    m_pageHeight = pageHeight;
    UpDownLeft->setRange(0, pageWidth);
    UpDownRight->setRange(0, pageWidth);
    UpDownTop->setRange(0, pageHeight);
    UpDownBottom->setRange(0, pageHeight);

    // The preview of the page fits into half the screen in each direction.
    const double a = pageWidth / (screen.width() / 2.0);
    const double b = pageHeight / (screen.height() / 2.0);
    m_scale = a > b ? a : b;
    m_clientWidth = roundEven(pageWidth / m_scale);
    m_clientHeight = roundEven(pageHeight / m_scale);
    setFixedSize(m_clientWidth, m_clientHeight);
    Panel1->setGeometry(0, 0, m_clientWidth, kToolBarHeight);

    const double cw = m_clientWidth;
    const double area = m_clientHeight - kToolBarHeight;
    int left, top, width, height;
    if (cw / area > aspect) {
        // The page area is relatively wider than the chart: three quarters of its height.
        height = roundEven(area * 0.75);
        top = roundEven(area * 0.125 + kToolBarHeight);
        width = roundEven(height * aspect);
        left = roundEven((cw - width) / 2);
    } else {
        left = roundEven(cw * 0.125);
        width = roundEven(cw * 0.75);
        height = roundEven(width / aspect);
        top = roundEven((m_clientHeight - height) / 2.0 + kToolBarHeight / 2.0);
    }
    PanelImage->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    m_drag = Drag::None;
    rectFromImage(false);
}

void TFormPrintCanvas::PanelImageResize()
{
    rectFromImage(true);
}

void TFormPrintCanvas::rectFromImage(bool clamp)
{
    int left = PanelImage->x(), top = PanelImage->y();
    int width = PanelImage->width(), height = PanelImage->height();
    if (clamp) {
        if (left < 0) left = 0;
        if (m_clientWidth - left < width) width = m_clientWidth - left;
        if (top < kToolBarHeight) top = kToolBarHeight;
        if (m_clientHeight - top < height) height = m_clientHeight - top;
        PanelImage->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
        width = PanelImage->width();
        height = PanelImage->height();
    }
    PrintRect.Left = truncated(left * m_scale);
    PrintRect.Right = truncated((left + width) * m_scale);
    PrintRect.Top = truncated((top - kToolBarHeight) * m_scale);
    PrintRect.Bottom = truncated((top + height - kToolBarHeight) * m_scale);
    showValues();
    placeLowerLabels();
    syncSteppers();
}

void TFormPrintCanvas::showValues()
{
    LabelLeft->setText(QString::number(PrintRect.Left));
    LabelTop->setText(QString::number(PrintRect.Top));
    LabelRight->setText(QString::number(PrintRect.Right));
    LabelBottom->setText(QString::number(PrintRect.Bottom));
    for (QLabel *value : {LabelLeft, LabelTop, LabelRight, LabelBottom})
        value->adjustSize();
}

void TFormPrintCanvas::placeLowerLabels()
{
    const int h = PanelImage->height();
    LabelR->move(kMargin, h - 33);
    LabelRight->move(m_valuesX, h - 33);
    LabelB->move(kMargin, h - 17);
    LabelBottom->move(m_valuesX, h - 17);
}

// The steppers step from the values in force, also after the mouse or another stepper changed them.
void TFormPrintCanvas::syncSteppers()
{
    UpDownLeft->setPosition(PrintRect.Left);
    UpDownTop->setPosition(PrintRect.Top);
    UpDownRight->setPosition(PrintRect.Right);
    UpDownBottom->setPosition(PrintRect.Bottom);
}

void TFormPrintCanvas::setImage(int left, int top, int width, int height)
{
    const QSize before = PanelImage->size();
    PanelImage->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    if (PanelImage->size() != before) PanelImageResize();
}

void TFormPrintCanvas::PanelImageMouseDown(QPoint at)
{
    m_drag = Drag::Move;
    m_dragStart = at;
    const int w = PanelImage->width(), h = PanelImage->height();
    if (at.x() < kEdgeZone)
        m_drag = Drag::LeftEdge;
    else if (at.x() > w - kEdgeZone)
        m_drag = Drag::RightEdge;
    else if (at.y() < kEdgeZone)
        m_drag = Drag::TopEdge;
    else if (at.y() > h - kEdgeZone)
        m_drag = Drag::BottomEdge;
}

void TFormPrintCanvas::PanelImageMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                                           QPoint at)
{
    const int left = PanelImage->x(), top = PanelImage->y();
    const int w = PanelImage->width(), h = PanelImage->height();
    const int x = at.x(), y = at.y();
    const bool dragging = buttons == Qt::LeftButton &&
                          (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (dragging) {
        switch (m_drag) {
        case Drag::LeftEdge:
            setImage(left + x, top, w - x, h);
            break;
        case Drag::RightEdge:
            setImage(left, top, x, h);
            break;
        case Drag::TopEdge:
            setImage(left, top + y, w, h - y);
            break;
        case Drag::BottomEdge:
            setImage(left, top, w, y);
            break;
        case Drag::Move:
            setImage(left + x - m_dragStart.x(), top + y - m_dragStart.y(), w, h);
            break;
        case Drag::None:
            break;
        }
        return;
    }
    // The top strip is tested before the right one here, the other way round on a press: in the
    // top-right corner the cursor shows vertical sizing while a press grabs the right edge.
    if (x < kEdgeZone)
        PanelImage->setCursor(Qt::SizeHorCursor);
    else if (y < kEdgeZone)
        PanelImage->setCursor(Qt::SizeVerCursor);
    else if (x > w - kEdgeZone)
        PanelImage->setCursor(Qt::SizeHorCursor);
    else if (y > h - kEdgeZone)
        PanelImage->setCursor(Qt::SizeVerCursor);
    else
        PanelImage->setCursor(Qt::ArrowCursor);
}

void TFormPrintCanvas::PanelImageMouseUp()
{
    m_drag = Drag::None;
    rectFromImage(true);
}

void TFormPrintCanvas::PanelImageDblClick()
{
    const int w = PanelImage->width(), h = PanelImage->height();
    const double cw = m_clientWidth, area = m_clientHeight - kToolBarHeight;
    if (m_clientWidth - w <= kEdgeZone && m_clientHeight - h - kToolBarHeight <= kEdgeZone) {
        // Nearly the whole page area: back to the centred three-quarter frame (of the page's shape).
        setImage(roundEven(cw * 0.125), roundEven(area * 0.125 + kToolBarHeight), roundEven(cw * 0.75),
                 roundEven(area * 0.75));
    } else {
        setImage(0, kToolBarHeight, m_clientWidth, m_clientHeight - kToolBarHeight);
    }
}

void TFormPrintCanvas::FormActivate()
{
    m_drag = Drag::None;
}

void TFormPrintCanvas::UpDownLeftClick(bool up)
{
    const int p = UpDownLeft->position();
    const std::int32_t w = PrintRect.Right - PrintRect.Left;
    PrintRect.Left = up ? std::min(m_pageWidth - w, p) : std::max(0, p);
    PrintRect.Right = PrintRect.Left + w;
    showValues();
    syncSteppers();
    PanelImage->move(truncated(PrintRect.Left / m_scale), PanelImage->y());
}

void TFormPrintCanvas::UpDownTopClick(bool up)
{
    const int p = UpDownTop->position();
    const std::int32_t h = PrintRect.Bottom - PrintRect.Top;
    PrintRect.Top = up ? std::min(m_pageHeight - h, p) : std::max(0, p);
    PrintRect.Bottom = PrintRect.Top + h;
    showValues();
    syncSteppers();
    PanelImage->move(PanelImage->x(), truncated(PrintRect.Top / m_scale) + kToolBarHeight);
}

void TFormPrintCanvas::UpDownRightClick(bool up)
{
    const int p = UpDownRight->position();
    PrintRect.Right = up ? std::min(m_pageWidth, p) : std::max(PrintRect.Left, p);
    showValues();
    syncSteppers();
    followStepper(truncated((PrintRect.Right - PrintRect.Left) / m_scale), PanelImage->height());
}

void TFormPrintCanvas::UpDownBottomClick(bool up)
{
    const int p = UpDownBottom->position();
    PrintRect.Bottom = up ? std::min(m_pageHeight, p) : std::max(PrintRect.Top, p);
    showValues();
    syncSteppers();
    followStepper(PanelImage->width(), truncated((PrintRect.Bottom - PrintRect.Top) / m_scale));
}

// A changed size within the page area takes the rectangle back from the image, as the mouse does. An
// image that would leave the page area stops at its border and the stepper's value stays: the page
// area ends 26 preview rows above the page's lower edge, and the Bottom stepper still reaches it.
void TFormPrintCanvas::followStepper(int width, int height)
{
    const QSize before = PanelImage->size();
    const int left = PanelImage->x(), top = PanelImage->y();
    const bool fits = left + width <= m_clientWidth && top + height <= m_clientHeight;
    PanelImage->resize(std::clamp(width, 0, std::max(m_clientWidth - left, 0)),
                       std::clamp(height, 0, std::max(m_clientHeight - top, 0)));
    placeLowerLabels();
    if (fits && PanelImage->size() != before) PanelImageResize();
}

void TFormPrintCanvas::BtnPrintClick()
{
    PrintRect.Right = std::min(PrintRect.Right, m_pageWidth);
    PrintRect.Bottom = std::min(PrintRect.Bottom, m_pageHeight);
    accept();
}

void TFormPrintCanvas::BtnCancelClick()
{
    reject();
}

void TFormPrintCanvas::reject()
{
    PrintRect = {};
    QDialog::reject();
}

bool TFormPrintCanvas::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(event);
}

void TFormPrintCanvas::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *shown = screen()) move(shown->availableGeometry().center() - rect().center());
}

bool TFormPrintCanvas::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != PanelImage) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        PanelImageMouseDown(static_cast<QMouseEvent *>(event)->position().toPoint());
        return true;
    case QEvent::MouseButtonDblClick:
        // Stands for the second press of the double-click.
        PanelImageDblClick();
        return true;
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        PanelImageMouseMove(mouse->buttons(), mouse->modifiers(), mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease:
        PanelImageMouseUp();
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

// ---- printing --------------------------------------------------------------------------------

} // namespace app
