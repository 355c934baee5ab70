// Every control of the main window and of its dialogs can be found by name, as a screen reader and
// the desktop's accessibility-based test tools find it: a button by its text or, showing only an
// icon, by its hint (also its tooltip); an edit, list, grid or box by the label beside it.
#include "app/fchartprop.h"
#include "app/fcreatemodelssetting.h"
#include "app/fgraphparams.h"
#include "app/fimport.h"
#include "app/finfo.h"
#include "app/fmain.h"
#include "app/fmemodlg.h"
#include "app/fplotcontainer.h"
#include "app/fvars.h"
#include "app/updown.h"
#include "charts/chart.h"
#include "controls.h"
#include "mainwindowtest.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

namespace {

using namespace apptest;

// Widgets a user operates, or reads as a whole (a chart). Scroll bars, headers and the line edit of
// a combo box are parts of the control that holds them and are not asked for.
bool isControl(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QComboBox *>(w) ||
           qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QPlainTextEdit *>(w) ||
           qobject_cast<const QTextEdit *>(w) || qobject_cast<const QAbstractSlider *>(w) ||
           qobject_cast<const charts::Chart *>(w);
}

bool insideControl(const QWidget *w, const QWidget *window)
{
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (isControl(p)) return true;
    return false;
}

// What the accessibility interface reports as the name: for a button its text or its accessible
// name. Boxes, edits, lists and grids must carry an accessible name of their own, as on Linux a combo
// box reports its current text and an edit its contents.
QString nameOf(QWidget *w)
{
    if (qobject_cast<QAbstractButton *>(w)) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
        return face ? face->text(QAccessible::Name) : QString();
    }
    return w->accessibleName();
}

// The visible controls of `root` (within `window`) that have no name; an icon-only button whose hint
// is not also its tooltip counts as unnamed.
QStringList unnamedControls(QWidget *root, QWidget *window)
{
    QStringList unnamed;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || !isControl(w) || insideControl(w, window)) continue;
        const QString name = nameOf(w).trimmed();
        const auto *button = qobject_cast<QAbstractButton *>(w);
        const bool iconOnly = button && button->text().isEmpty();
        if (name.isEmpty() || (iconOnly && w->toolTip() != w->accessibleName()))
            unnamed << QString("%1 (%2)").arg(w->objectName(), w->metaObject()->className());
    }
    return unnamed;
}

TEST_F(MainWindowTest, EveryVisibleControlHasAName)
{
    startTrees();
    // Every page in turn, as the user sees it; entering them needs no selection here.
    for (int i = 0; i < control<QTabWidget>(form.get(), "PageControl1")->count(); ++i) {
        QWidget *page = control<QTabWidget>(form.get(), "PageControl1")->widget(i);
        {
            const QSignalBlocker blocker(control<QTabWidget>(form.get(), "PageControl1"));
            control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(page);
        }
        EXPECT_EQ(unnamedControls(form.get(), form.get()), QStringList())
            << control<QTabWidget>(form.get(), "PageControl1")->tabText(i).toStdString();
    }

    selection()->plotContainer().show();
    EXPECT_EQ(unnamedControls(&selection()->plotContainer(), &selection()->plotContainer()), QStringList());
    selection()->plotContainer().hide();

    app::TFormVars vars;
    vars.setColumns({"DBH", "D1995"});
    EXPECT_EQ(unnamedControls(&vars, &vars), QStringList());
    EXPECT_EQ(apptest::control<QListWidget>(&vars, "ListBoxX")->accessibleName(), "Independent (X)");
    EXPECT_EQ(apptest::control<QListWidget>(&vars, "ListBoxY")->accessibleName(), "Dependent (Y)");

    std::string titlePlot, titleSpecies;
    app::TFormCreateModelsSetting models(dialogs, titlePlot, titleSpecies, "CP1252");
    models.FillSpeciesGrid({"SM"});
    models.show();
    EXPECT_EQ(unnamedControls(&models, &models), QStringList());
    EXPECT_EQ(apptest::control<QToolButton>(&models, "BtnSpWrite")->toolTip(), "Write species names to file");
    EXPECT_EQ(apptest::control<QToolButton>(&models, "BtnSpRead")->toolTip(), "Read species names from file");
    EXPECT_EQ(apptest::control<QSpinBox>(&models, "EditTreeNumber")->accessibleName(),
              "Minimal number of trees");
    models.hide();

    dialogs.expectModal("FormGraphParams", [](QDialog &d) {
        EXPECT_EQ(unnamedControls(&d, &d), QStringList());
        return int(QDialog::Accepted);
    });
    form->BtnGraphLinesClick();
    dialogs.expectModal("FormInfo", [](QDialog &d) {
        static_cast<app::TFormInfo &>(d).BtnMoreClick();
        EXPECT_EQ(unnamedControls(&d, &d), QStringList());
        static_cast<app::TFormInfo &>(d).BtnMoreClick();
        return int(QDialog::Accepted);
    });
    form->BtnInfoClick();

    form->ShowChartProperties(*control<charts::Chart>(form.get(), "ChartTModel"));
    auto *properties = control<app::TFormChartProp>(form.get(), "FormChartProp");
    ASSERT_TRUE(properties);
    EXPECT_EQ(unnamedControls(properties, properties), QStringList());
    EXPECT_EQ(apptest::control<QLineEdit>(properties, "EditLeftMin")->accessibleName(), "Minimum");
    EXPECT_EQ(apptest::control<QListWidget>(properties, "ListSeries")->accessibleName(), "Series");
    EXPECT_EQ(apptest::control<QPushButton>(properties, "BtnLoad")->toolTip(), "Load setting from file");
    properties->hide();
    app::TFormMemoDialog memo;
    memo.show();
    EXPECT_EQ(unnamedControls(&memo, &memo), QStringList());
    memo.hide();

    app::TFormImport import(dialogs, q(dataDir));
    import.show();
    EXPECT_EQ(unnamedControls(&import, &import), QStringList());
    EXPECT_EQ(apptest::control<QLineEdit>(&import, "EditValue")->accessibleName(), "Defoliation %");
    EXPECT_EQ(apptest::control<QComboBox>(&import, "CBDuplicates")->accessibleName(),
              "Repeats of a tree in a survey");
}

TEST_F(MainWindowTest, IconButtonsAreKnownByTheirHints)
{
    createForm();
    const std::pair<QAbstractButton *, const char *> hints[] = {
        {control<QToolButton>(form.get(), "SpeedButton1"), "Plot container"},
        {control<QToolButton>(form.get(), "BtnCreateModelsAll"), "Create all models"},
        {control<QToolButton>(form.get(), "BtnGraphLines"), "Model lines setting"},
        {control<QToolButton>(form.get(), "BtnHelp"), "Help on-line"},
        {control<QToolButton>(form.get(), "BtnInfo"), "About info"},
        {control<QToolButton>(form.get(), "BtnFirstYear"), "First year"},
        {control<QToolButton>(form.get(), "BtnLastYear"), "Last year"},
        {control<app::UpDown>(form.get(), "UpDownYear")->downButton(), "Previous year"},
        {control<app::UpDown>(form.get(), "UpDownYear")->upButton(), "Next year"},
    };
    for (const auto &[button, hint] : hints) {
        EXPECT_EQ(button->toolTip(), hint);
        EXPECT_EQ(nameOf(button), hint);
    }
    // Edits, lists and grids take the label beside them.
    const std::pair<QWidget *, const char *> labelled[] = {
        {control<QTableWidget>(form.get(), "GridFields"), "Data table fields"},
        {control<app::ListBox>(form.get(), "ListPlots"), "Plots"},
        {control<app::ListBox>(form.get(), "ListSpecies"), "Tree species"},
        {control<QLineEdit>(form.get(), "EditPrcTree"), "Minimal defoliation (% of all trees)"},
        {control<QLineEdit>(form.get(), "EditInterval"), "Interval"},
        {control<QLineEdit>(form.get(), "EditMaxDeads"), "Max deads %"},
    };
    for (const auto &[control, label] : labelled)
        EXPECT_EQ(control->accessibleName(), label) << control->objectName().toStdString();
}

} // namespace

namespace {

// What a screen reader does to a check box or a radio button: the toggle action of its accessibility
// interface, which checks it without a click.
void toggleAction(QAbstractButton *button)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(button);
    ASSERT_TRUE(face && face->actionInterface());
    const QStringList actions = face->actionInterface()->actionNames();
    ASSERT_TRUE(actions.contains(QAccessibleActionInterface::toggleAction()))
        << actions.join(", ").toStdString();
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCoreApplication::processEvents();
}

TEST_F(MainWindowTest, ScreenReaderTogglesReachTheHandlers)
{
    startTrees();
    select("A1", "SM");
    toggleAction(control<QCheckBox>(form.get(), "CB_Fix"));
    EXPECT_TRUE(control<QCheckBox>(form.get(), "CB_Fix")->isChecked());
    EXPECT_EQ(form->state().FixedSpecies, "SM");

    control<QTabWidget>(form.get(), "PageControl1")
        ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetRegression"));
    // The small table has too few trees per year for a series.
    dialogs.expectMessage(MessageKind::Information, "Statistics of the series was not calculate", Button::Ok);
    toggleAction(control<QGroupBox>(form.get(), "RG_series")->findChildren<QAbstractButton *>().at(1));
    EXPECT_EQ(dialogs.pending(), 0u);
}

} // namespace
