// Up and down arrow buttons that step a whole number within a range, upright (up and down arrows) or
// lying (left and right arrows). With a buddy edit they step the number the edit shows; unlike a spin
// box the edit stays free text: the user may type anything, and the program's change handler decides.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace app {

class UpDown : public QWidget
{
    Q_OBJECT
public:
    // Upright arrows stand one above the other, up first; lying ones side by side, left first, and
    // the right arrow is the one that steps up.
    explicit UpDown(QWidget *parent = nullptr, Qt::Orientation orientation = Qt::Vertical);

    // The edit whose text the arrows set; its present text is where a step starts from when it is a
    // whole number.
    void setBuddy(QLineEdit *buddy);
    // Both ends are kept within -32768 .. 32767, and the maximum is at least the minimum.
    void setRange(int minimum, int maximum);
    // Added at each step up, taken at each step down; a negative one makes the up arrow lower the
    // position.
    void setIncrement(int increment);
    // Sets the position, clamped to the range, and writes it into the buddy.
    void setPosition(int position);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int increment() const { return m_increment; }
    int position() const { return m_position; }
    Qt::Orientation orientation() const { return m_orientation; }

    // One click on an arrow: +1 up (or right), -1 down (or left).
    void step(int direction);

    // The arrows show only an arrow: their hints become their tooltips and accessible names.
    void setHints(const QString &up, const QString &down);
    // One hint for the whole control ("Left"): its tooltip and accessible name, and the arrows'
    // tooltips; each arrow is read out as the hint with its direction ("Left right arrow").
    void setHint(const QString &hint);
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    // An arrow was clicked, after the step: +1 up, -1 down; also when the range held the position.
    void clicked(int direction);

private:
    Qt::Orientation m_orientation;
    QLineEdit *m_buddy = nullptr;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_increment = 1;
    int m_position = 0;
};

} // namespace app
