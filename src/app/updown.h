// Up and down arrow buttons that step the whole number shown in a buddy edit. Unlike a spin box
// the edit stays free text: the user may type anything, and the program's change handler decides.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace app {

class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);

    // The edit whose text the arrows set; its present text is where a step starts from when it is a
    // whole number.
    void setBuddy(QLineEdit *buddy);
    void setRange(int minimum, int maximum);
    void setIncrement(int increment);
    // Sets the position and writes it into the buddy.
    void setPosition(int position);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int increment() const { return m_increment; }
    int position() const { return m_position; }

    // One click on an arrow: +1 up, -1 down.
    void step(int direction);

    // The arrows show only an arrow: their hints become their tooltips and accessible names.
    void setHints(const QString &up, const QString &down);
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    // An arrow was clicked, after the step: +1 up, -1 down.
    void clicked(int direction);

private:
    QLineEdit *m_buddy = nullptr;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_increment = 1;
    int m_position = 0;
};

} // namespace app
