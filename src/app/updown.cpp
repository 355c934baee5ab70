// Up-down arrows for an edit.
#include "app/updown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace app {

UpDown::UpDown(QWidget *parent) : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto [button, arrow] : {std::pair{m_up, Qt::UpArrow}, std::pair{m_down, Qt::DownArrow}}) {
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(16);
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

void UpDown::setBuddy(QLineEdit *buddy)
{
    m_buddy = buddy;
}

void UpDown::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
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
