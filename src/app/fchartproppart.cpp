// The parts of the "Chart properties" dialog: the target chart, guarded handlers and leaving an edit.
#include "app/fchartproppart.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "app/localenumbers.h"
#include "common/error.h"
#include "common/numbers.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace app {

ChartPropPart::ChartPropPart(ChartPropContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
}

charts::Chart &ChartPropPart::chart() const
{
    if (!m_context.chart) throw common::Error("No initialization of the form");
    return *m_context.chart;
}

void ChartPropPart::guard(const std::function<void()> &handler) const
{
    runGuarded(m_context.dialogs, handler);
}

void ChartPropPart::onLeaving(QWidget *control, std::function<void()> handler)
{
    m_leaving[control] = std::move(handler);
    control->installEventFilter(this);
}

void ChartPropPart::onClicked(QAbstractButton *button, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this, [this, handler] { guard(handler); });
}

void ChartPropPart::onToggled(QAbstractButton *box, std::function<void()> handler)
{
    connect(box, &QAbstractButton::toggled, this, [this, handler] {
        if (!refreshing()) guard(handler);
    });
}

bool ChartPropPart::eventFilter(QObject *watched, QEvent *event)
{
    // Left for another control, another window or by Return; a context menu of the edit is not
    // leaving it.
    const auto found = m_leaving.find(watched);
    if (found != m_leaving.end()) {
        const bool left = event->type() == QEvent::FocusOut &&
                          static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason;
        const bool entered = event->type() == QEvent::KeyPress && qobject_cast<QLineEdit *>(watched) &&
                             (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return ||
                              static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter);
        if ((left || entered) && !refreshing()) guard(found->second);
    }
    return QWidget::eventFilter(watched, event);
}

double ChartPropPart::readReal(const QString &text)
{
    return static_cast<double>(common::strToFloat(text.toStdString(), decimalSeparator()));
}

QString ChartPropPart::realText(double value)
{
    return QString::fromStdString(common::floatToText(value, decimalSeparator()));
}

bool ChartPropPart::chooseFont(charts::ChartFont &font) const
{
    const std::optional<QFont> chosen = m_context.dialogs.font(font.font);
    if (!chosen) return false;
    font.font = *chosen;
    return true;
}

QLabel *labelFor(QWidget *control, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(control);
    control->setAccessibleName(text);
    return label;
}

} // namespace app
