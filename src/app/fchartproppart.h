// What the parts of the "Chart properties" dialog share: the target chart, the dialogs, the refresh
// in progress, and the rule that an edit applies when it is left or Return is pressed in it.
#pragma once

#include "charts/chart.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>

class QAbstractButton;
class QLabel;

namespace app {

class Dialogs;

// Held by the dialog, read by every part.
struct ChartPropContext
{
    Dialogs &dialogs;
    QPointer<charts::Chart> chart;
    // While the controls are filled from the chart, their change signals apply nothing.
    bool refreshing = false;
};

// A part of the dialog: a group of controls it owns, its handlers, and the refresh of its controls.
class ChartPropPart : public QWidget
{
public:
    ChartPropPart(ChartPropContext &context, QWidget *parent);

    // Fills the part's controls from the target chart (called by the dialog during its refresh).
    virtual void showChart(const charts::Chart &chart) = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The target chart; throws common::Error "No initialization of the form" when there is none.
    charts::Chart &chart() const;
    Dialogs &dialogs() const { return m_context.dialogs; }
    bool refreshing() const { return m_context.refreshing; }
    ChartPropContext &context() const { return m_context; }

    // Runs the handler under the central error handler.
    void guard(const std::function<void()> &handler) const;
    // Runs the handler, guarded, when the edit or memo is left or Return is pressed in an edit.
    void onLeaving(QWidget *control, std::function<void()> handler);
    // Guarded handlers for the usual signals; a check box applies on toggled, not clicked, as a screen
    // reader's toggle action checks it without a click. Neither applies during a refresh.
    void onClicked(QAbstractButton *button, std::function<void()> handler);
    void onToggled(QAbstractButton *box, std::function<void()> handler);

    // A number typed in an edit or an input box, with the user's decimal separator.
    static double readReal(const QString &text);
    static QString realText(double value);
    // The font dialog preset with the font; the chosen one keeps the colour.
    bool chooseFont(charts::ChartFont &font) const;

private:
    ChartPropContext &m_context;
    std::map<QObject *, std::function<void()>> m_leaving;
};

// A control with its object name, under parent.
template <class W, class... Args> W *makeNamed(QWidget *parent, const char *name, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    return w;
}

// A label in front of a control, which then goes by the label's text.
QLabel *labelFor(QWidget *control, const QString &text, QWidget *parent);

} // namespace app
