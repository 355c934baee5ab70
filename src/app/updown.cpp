// Up-down arrows for a whole number.
#include "app/updown.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace app {

namespace {

int position16(int value)
{
    return std::clamp(value, -32768, 32767);
}

} // namespace

UpDown::UpDown(QWidget *parent, Qt::Orientation orientation)
    : QWidget(parent), m_orientation(orientation), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    const bool upright = orientation == Qt::Vertical;
    auto *layout = new QBoxLayout(upright ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const std::pair<QToolButton *, Qt::ArrowType> arrows[] = {
        {upright ? m_up : m_down, upright ? Qt::UpArrow : Qt::LeftArrow},
        {upright ? m_down : m_up, upright ? Qt::DownArrow : Qt::RightArrow}};
    for (auto [button, arrow] : arrows) {
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        // The arrows share the control's height, which its place decides.
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(upright ? 16 : 14);
        layout->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, [this] {
        step(+1);
        emit clicked(+1);
    });
    connect(m_down, &QToolButton::clicked, this, [this] {
        step(-1);
        emit clicked(-1);
    });
    setHints("Up", "Down");
}

void UpDown::setHints(const QString &up, const QString &down)
{
    for (auto [button, hint] : {std::pair{m_up, up}, std::pair{m_down, down}}) {
        button->setToolTip(hint);
        button->setAccessibleName(hint);
    }
}

void UpDown::setHint(const QString &hint)
{
    setToolTip(hint);
    setAccessibleName(hint);
    const bool upright = m_orientation == Qt::Vertical;
    for (auto [button, arrow] : {std::pair{m_up, upright ? " up arrow" : " right arrow"},
                                 std::pair{m_down, upright ? " down arrow" : " left arrow"}}) {
        button->setToolTip(hint);
        button->setAccessibleName(hint + QString::fromLatin1(arrow));
    }
}

void UpDown::setBuddy(QLineEdit *buddy)
{
    m_buddy = buddy;
}

void UpDown::setRange(int minimum, int maximum)
{
    m_minimum = position16(minimum);
    m_maximum = position16(std::max(minimum, maximum));
    m_position = std::clamp(m_position, m_minimum, m_maximum);
}

void UpDown::setIncrement(int increment)
{
    m_increment = increment;
}

void UpDown::setPosition(int position)
{
    m_position = std::clamp(position, m_minimum, m_maximum);
    if (m_buddy) m_buddy->setText(QString::number(m_position));
}

void UpDown::step(int direction)
{
    // A step starts from what the edit shows, as long as it is a whole number: typed text counts.
    if (m_buddy) {
        bool ok = false;
        const int shown = m_buddy->text().trimmed().toInt(&ok);
        if (ok) m_position = std::clamp(shown, m_minimum, m_maximum);
    }
    setPosition(m_position + direction * m_increment);
}

} // namespace app
