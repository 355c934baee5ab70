// The main page by keyboard alone: Tab and Shift+Tab reach every control in one round and leave the
// field grid; closing asks only when the years and roles of the grid would be lost.
#include "app/fmain.h"
#include "app/listbox.h"
#include "mainwindowtest.h"
#include "treetable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

namespace {

using namespace apptest;

class KeyboardTest : public MainWindowTest
{
protected:
    void activate()
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // The controls of the main page that Tab should reach: shown, enabled and taking focus by Tab.
    // A radio button of a group is one stop, reached on its checked button (the arrows move inside
    // the group, as in every desktop program).
    QSet<QWidget *> tabStops() const
    {
        QSet<QWidget *> stops;
        for (QWidget *w : mainPage()->findChildren<QWidget *>()) {
            const auto *button = qobject_cast<const QAbstractButton *>(w);
            if (button && button->isCheckable() && button->autoExclusive() && !button->isChecked()) continue;
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
                !w->focusProxy())
                stops.insert(w);
        }
        return stops;
    }

    // The focused widgets met by pressing the key from `first` until the focus is back on it.
    QList<QWidget *> walk(QWidget *first, bool backwards) const
    {
        QList<QWidget *> met;
        for (int step = 0; step < 100; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            QWidget *now = QApplication::focusWidget();
            if (now == first || !now) break;
            met << now;
        }
        return met;
    }
};

TEST_F(KeyboardTest, TabAndShiftTabVisitEveryControlOfTheMainPageAndComeBack)
{
    startTrees();
    // Roles and years are given: Set OK and Suggest are off; open them again to walk them too.
    control<QPushButton>(form.get(), "BtnSetOK")->setEnabled(true);
    control<QPushButton>(form.get(), "BtnSuggest")->setEnabled(true);
    activate();
    QWidget *first = control<QComboBox>(form.get(), "CB_SpecFields");
    first->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), first);

    const QList<QWidget *> forward = walk(first, false);
    ASSERT_EQ(QApplication::focusWidget(), first) << "Tab never came back";
    QSet<QWidget *> onPage;
    for (QWidget *w : forward)
        if (mainPage()->isAncestorOf(w)) onPage.insert(w);
    QSet<QWidget *> expected = tabStops();
    expected.remove(first);
    EXPECT_EQ(onPage, expected);
    // Beyond the page only the tab bar of the pages is met, once.
    for (QWidget *w : forward) {
        if (!mainPage()->isAncestorOf(w)) {
            EXPECT_TRUE(qobject_cast<QTabBar *>(w)) << w->objectName().toStdString();
        }
    }
    EXPECT_EQ(forward.size(), expected.size() + 1);

    // The order is the page's: the grid, then the lists, then the settings and the buttons that act.
    auto at = [&](const char *name) { return forward.indexOf(mainPage()->findChild<QWidget *>(name)); };
    EXPECT_EQ(at("GridFields"), 0);
    EXPECT_LT(at("BtnImport"), at("ListPlots"));
    EXPECT_LT(at("ListPlots"), at("ListSpecies"));
    EXPECT_LT(at("ListSpecies"), at("EditPrcTree"));
    EXPECT_LT(at("BtnStat"), at("BtnReport"));
    EXPECT_LT(at("BtnReport"), at("BtnClose"));

    // Shift+Tab walks the same round the other way.
    QList<QWidget *> backward = walk(first, true);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, forward);
}

TEST_F(KeyboardTest, CloseAsksOnlyWhenTheGridsYearsOrRolesWouldBeLost)
{
    makeTreeTable(dataDir, "M_trees.dbf");
    startOn(dataDir / "M_trees.dbf");
    // A table just opened, nothing given: Alt+C closes without a question.
    activate();
    QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);
    // A mnemonic presses its button as a click shown on the screen: it lands a moment later.
    for (int wait = 0; wait < 50 && form->isVisible(); ++wait)
        QTest::qWait(20);
    EXPECT_FALSE(form->isVisible());

    form.reset();
    startOn(dataDir / "M_trees.dbf");
    control<QPushButton>(form.get(), "BtnSuggest")->click();
    const QString question = "The survey years and roles in the field grid are not saved beside the table "
                             "(Set OK saves them). Close Fenoris anyway?";
    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::No);
    mainPage()->findChild<QPushButton *>("BtnClose", Qt::FindDirectChildrenOnly)->click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(dialogs.pending(), 0u);

    // Saved by Set OK, nothing is asked.
    control<QPushButton>(form.get(), "BtnSetOK")->click();
    EXPECT_TRUE(form->close());

    // A role changed after Set OK is not in the side file: asked again, and Yes closes.
    form.reset();
    startOn(dataDir / "M_trees.dbf");
    control<QPushButton>(form.get(), "BtnSetOK")->click();
    EXPECT_TRUE(form->state().fieldRoles().height.empty());
    control<QComboBox>(form.get(), "CB_SpecFields")->setCurrentText("Height");
    control<QTableWidget>(form.get(), "GridFields")->setCurrentCell(3, 2);
    mainPage()->GridFieldsDblClick();
    EXPECT_EQ(form->state().fieldRoles().height, "DBH");
    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::Yes);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(dialogs.pending(), 0u);
}

} // namespace
