// Tables from LibreOffice Calc and R on the main page: their Czech plot names in the plot list, and
// the line under the field grid telling the code page and, in its tooltip, how it was decided.
#include "mainwindowtest.h"

#include <QAccessible>
#include <QLabel>

namespace {

using namespace apptest;

const fs::path kTables = testsupport::fixtures() / "utf8";

class CodePageTest : public MainWindowTest
{
};

TEST_F(CodePageTest, PlotListAndCodePageOfUnmarkedTables)
{
    struct Case
    {
        const char *stem;
        QString label;
        QString why;
    };
    const QString unmarked = "no language driver byte or .cpg file, and its text is ";
    const Case cases[] = {
        {"lesy_calc", "Code page: UTF-8", "UTF-8 (" + unmarked + "UTF-8)"},
        {"lesy_r", "Code page: UTF-8", "UTF-8 (" + unmarked + "UTF-8)"},
        {"lesy_1250", "Code page: Windows-1250", "Windows-1250 (the default: " + unmarked + "not UTF-8)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stem);
        for (const char *ext : {".dbf", ".var", ".yrs"})
            testsupport::copyInto(kTables / (c.stem + std::string(ext)), dataDir);
        startOn(dataDir / (c.stem + std::string(".dbf")));
        EXPECT_EQ(control<QLabel>(form.get(), "LabelCodePage")->text(), c.label);
        EXPECT_EQ(control<QLabel>(form.get(), "LabelCodePage")->toolTip(),
                  QString(c.stem) + ".dbf: text read as " + c.why);
        QAccessibleInterface *accessible =
            QAccessible::queryAccessibleInterface(control<QLabel>(form.get(), "LabelCodePage"));
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), c.label);

        mainPage()->BtnSetOKClick();
        EXPECT_EQ(itemsOf(control<app::ListBox>(form.get(), "ListPlots")),
                  (QStringList{"Lesní", "Šumava", "Žďár"}));
        clickPlot("Žďár");
        clickSpecies("SM");
        EXPECT_EQ(control<QLabel>(form.get(), "LabelTreeCount")->text(), "6");
    }
}

} // namespace
