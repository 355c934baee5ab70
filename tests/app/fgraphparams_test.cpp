// The "Graph parameters" dialog: what it reads and stores in the settings, when "Apply" is enabled,
// the colour dialog, the line sample and settings that do not convert.
#include "app/fgraphparams.h"
#include "scripteddialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

using app::MessageKind;
using app::TFormGraphParams;
using Settings = std::vector<std::string>;

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QImage sampleOf(const TFormGraphParams &form)
{
    return form.Image1->pixmap().toImage();
}

TEST(GraphParams, OpensOnModel0AndShowsTheChartsDefaultsWithoutStoringThem)
{
    Settings settings;
    apptest::ScriptedDialogs dialogs;
    TFormGraphParams form(settings, dialogs);

    EXPECT_EQ(form.windowTitle(), "Graph parameters");
    EXPECT_EQ(itemsOf(form.CBlinetype), QStringList({"model0", "model1", "avg", "limit", "deads"}));
    EXPECT_FALSE(form.CBlinetype->isEditable());
    EXPECT_EQ(form.CBlinetype->currentText(), "model0");
    EXPECT_EQ(itemsOf(form.CBstyle),
              QStringList({"Solid", "Dash", "Dot", "DashDot", "DashDotDot", "Clear", "InsideFrame"}));
    EXPECT_EQ(form.CBstyle->currentText(), "Solid");
    EXPECT_EQ(form.EditWidth->minimum(), 1);
    EXPECT_EQ(form.EditWidth->maximum(), 20);
    EXPECT_EQ(form.EditWidth->value(), 1);
    EXPECT_EQ(form.Image1->pixmap().size(), QSize(57, 22));
    EXPECT_TRUE(form.BtnApply->isEnabled());
    // Viewing a line stores nothing: a missing key shows what the model chart draws without it.
    EXPECT_TRUE(settings.empty());

    form.CBlinetype->setCurrentText("deads");
    EXPECT_EQ(form.lineSettings(), (common::LineSettings{common::LineColor::fromRgb(255, 0, 0), 0, 4}));
    EXPECT_EQ(form.EditWidth->value(), 4);
    form.CBlinetype->setCurrentText("limit");
    EXPECT_EQ(form.CBstyle->currentText(), "Dash");
    EXPECT_TRUE(settings.empty());
    EXPECT_FALSE(form.BtnApply->isEnabled());
}

TEST(GraphParams, ApplyStoresColourStyleWidthInPlaceOrAppendedAndDisablesApply)
{
    Settings settings = {"LCmodel1=0000FF00", "Title=Plot 7", "LSmodel1=1", "LWmodel1=2"};
    apptest::ScriptedDialogs dialogs;
    TFormGraphParams form(settings, dialogs);
    form.CBlinetype->setCurrentText("model1");
    EXPECT_EQ(form.EditWidth->value(), 2);
    EXPECT_EQ(form.CBstyle->currentText(), "Dash");
    EXPECT_FALSE(form.BtnApply->isEnabled());

    form.EditWidth->setValue(5);
    EXPECT_TRUE(form.BtnApply->isEnabled());
    form.CBstyle->setCurrentIndex(3);
    form.BtnApply->click();
    EXPECT_FALSE(form.BtnApply->isEnabled());
    EXPECT_EQ(settings, Settings({"LCmodel1=0000FF00", "Title=Plot 7", "LSmodel1=3", "LWmodel1=5"}));

    // Lines that went missing since the type was shown are appended, colour, style, width.
    settings = {"Title=Plot 7"};
    form.CBstyle->setCurrentIndex(4);
    form.BtnApply->click();
    EXPECT_EQ(settings, Settings({"Title=Plot 7", "LCmodel1=0000FF00", "LSmodel1=4", "LWmodel1=5"}));
}

TEST(GraphParams, ChoosingAnotherTypeDropsUnappliedEdits)
{
    Settings settings;
    apptest::ScriptedDialogs dialogs;
    TFormGraphParams form(settings, dialogs);
    form.EditWidth->setValue(7);
    form.CBstyle->setCurrentText("Dot");
    dialogs.expectColour(Qt::black, QColor(255, 0, 0));
    form.BtnColor->click();

    form.CBlinetype->setCurrentText("model1");
    form.CBlinetype->setCurrentText("model0");
    EXPECT_EQ(form.EditWidth->value(), 1);
    EXPECT_EQ(form.CBstyle->currentText(), "Solid");
    EXPECT_EQ(form.lineSettings(), common::LineSettings{});
    EXPECT_FALSE(form.BtnApply->isEnabled());
    EXPECT_TRUE(settings.empty());
}

TEST(GraphParams, ColourDialogStartsOnTheLineColourAndOnlyAConfirmedColourCounts)
{
    Settings settings = {"LCavg=00800000", "LWavg=1", "LSavg=0"};
    apptest::ScriptedDialogs dialogs;
    TFormGraphParams form(settings, dialogs);
    form.CBlinetype->setCurrentText("avg");
    const QImage before = sampleOf(form);
    EXPECT_EQ(before.pixelColor(28, 11), QColor(0, 128, 0));

    dialogs.expectColour(QColor(0, 128, 0), std::nullopt);
    form.BtnColor->click();
    EXPECT_FALSE(form.BtnApply->isEnabled());
    EXPECT_EQ(form.lineSettings().color, common::LineColor::fromRgb(0, 128, 0));
    EXPECT_EQ(sampleOf(form), before);

    dialogs.expectColour(QColor(0, 128, 0), QColor(255, 0, 0));
    form.BtnColor->click();
    EXPECT_TRUE(form.BtnApply->isEnabled());
    EXPECT_EQ(sampleOf(form).pixelColor(28, 11), QColor(255, 0, 0));
    form.BtnApply->click();
    EXPECT_EQ(settings[0], "LCavg=FF000000");
}

TEST(GraphParams, AStoredWidthBeyondTheSpinRangeIsKeptUntilTheWidthIsEdited)
{
    Settings settings = {"LWmodel0=30"};
    apptest::ScriptedDialogs dialogs;
    TFormGraphParams form(settings, dialogs);
    EXPECT_EQ(form.EditWidth->value(), 20);
    dialogs.expectColour(Qt::black, QColor(255, 0, 0));
    form.BtnColor->click();
    form.BtnApply->click();
    EXPECT_EQ(settings, Settings({"LWmodel0=30", "LCmodel0=FF000000", "LSmodel0=0"}));
}

TEST(GraphParams, SampleDrawsTheLineAcrossTheMiddleOnWhite)
{
    enum class Line { Solid, Broken, None };
    struct Case
    {
        const char *style;
        const char *color;
        QColor expected;
        Line line;
    };
    const Case cases[] = {
        {"0", "FF000000", QColor(255, 0, 0), Line::Solid},
        {"6", "0000FF00", QColor(0, 0, 255), Line::Solid},
        {"1", "00800000", QColor(0, 128, 0), Line::Broken},
        {"4", "00800000", QColor(0, 128, 0), Line::Broken},
        {"5", "FF000000", QColor(255, 0, 0), Line::None},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.style);
        Settings settings = {std::string("LCmodel0=") + c.color, "LWmodel0=1",
                             std::string("LSmodel0=") + c.style};
        apptest::ScriptedDialogs dialogs;
        TFormGraphParams form(settings, dialogs);
        const QImage sample = sampleOf(form);
        const int w = sample.width();
        const int middle = sample.height() / 2;
        int lit = 0;
        for (int y = 0; y < sample.height(); ++y)
            for (int x = 0; x < w; ++x) {
                const QColor pixel = sample.pixelColor(x, y);
                if (pixel == c.expected && y == middle && x >= 1 && x <= w - 2) {
                    ++lit;
                    continue;
                }
                ASSERT_EQ(pixel, QColor(Qt::white)) << x << "," << y;
            }
        switch (c.line) {
        case Line::Solid:
            EXPECT_GE(lit, w - 3);
            break;
        case Line::Broken:
            EXPECT_GT(lit, 3);
            EXPECT_LT(lit, w - 8);
            break;
        case Line::None:
            EXPECT_EQ(lit, 0);
            break;
        }
    }
}

TEST(GraphParams, AWidthOrStyleThatIsNoIntegerIsReportedAndItsDefaultShown)
{
    Settings settings = {"LWmodel0=x", "LCavg=00800000", "LWavg=4", "LSavg=2.5"};
    apptest::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "'x' is not a valid integer value", app::Button::Ok);
    TFormGraphParams form(settings, dialogs);
    EXPECT_EQ(dialogs.pending(), 0u);
    // Nothing is stored, neither before nor after the bad width.
    EXPECT_EQ(settings, Settings({"LWmodel0=x", "LCavg=00800000", "LWavg=4", "LSavg=2.5"}));
    EXPECT_EQ(form.EditWidth->value(), 1);
    EXPECT_EQ(form.CBstyle->currentText(), "Solid");

    // An edit of the type shown before does not leak into the type that failed.
    form.EditWidth->setValue(9);
    dialogs.expectMessage(MessageKind::Error, "'2.5' is not a valid integer value", app::Button::Ok);
    form.CBlinetype->setCurrentText("avg");
    EXPECT_EQ(form.EditWidth->value(), 4);
    EXPECT_EQ(form.CBstyle->currentText(), "Solid");
    EXPECT_EQ(form.lineSettings(), (common::LineSettings{common::LineColor::fromRgb(0, 128, 0), 0, 4}));
    EXPECT_FALSE(form.BtnApply->isEnabled());
    EXPECT_EQ(settings.size(), 4u);
}

} // namespace

namespace {

QCheckBox *bandBox(const TFormGraphParams &form)
{
    return form.findChild<QCheckBox *>("CBband");
}

QDoubleSpinBox *bandLevel(const TFormGraphParams &form)
{
    return form.findChild<QDoubleSpinBox *>("EditBandLevel");
}

} // namespace

TEST(GraphParams, TheBandIsOffAt095UntilAppliedAndThenStoredAfterTheLine)
{
    Settings settings = {"[other]", "Unknown=7"};
    apptest::ScriptedDialogs dialogs;
    TFormGraphParams form(settings, dialogs);
    QCheckBox *band = bandBox(form);
    QDoubleSpinBox *level = bandLevel(form);
    ASSERT_TRUE(band && level);
    EXPECT_EQ(band->accessibleName(), "Uncertainty band");
    EXPECT_EQ(level->accessibleName(), "Band level");
    EXPECT_FALSE(band->isChecked());
    EXPECT_FALSE(level->isEnabled());
    EXPECT_EQ(level->value(), 0.95);
    // Showing the dialog stores nothing; "Apply" stores the line shown and no band key; unknown lines
    // stay.
    EXPECT_EQ(settings, Settings({"[other]", "Unknown=7"}));
    form.BtnApply->click();
    EXPECT_EQ(settings, Settings({"[other]", "Unknown=7", "LCmodel0=00000000", "LSmodel0=0", "LWmodel0=1"}));

    band->click();
    EXPECT_TRUE(level->isEnabled());
    level->setValue(0.8);
    // Another line type does not drop the band edit.
    form.CBlinetype->setCurrentText("avg");
    EXPECT_TRUE(form.BtnApply->isEnabled());
    form.BtnApply->click();
    EXPECT_FALSE(form.BtnApply->isEnabled());
    ASSERT_EQ(settings.size(), 10u); // two, model0 and avg (three each), the band (two)
    EXPECT_EQ(std::vector<std::string>(settings.end() - 2, settings.end()),
              Settings({"BandOn=1", "BandLevel=0.8"}));
    EXPECT_EQ(common::ReadBandLook(settings), (common::BandLook{true, 0.8}));

    // Off again replaces the lines in place.
    band->click();
    form.BtnApply->click();
    EXPECT_EQ(settings.size(), 10u);
    EXPECT_EQ(common::SettingValue(settings, "BandOn"), "0");
    EXPECT_EQ(common::SettingValue(settings, "BandLevel"), "0.8");
}

TEST(GraphParams, AStoredBandThatDoesNotConvertIsReportedAndShownOff)
{
    const struct
    {
        Settings settings;
        const char *message;
    } cases[] = {
        {{"BandOn=yes"}, "BandOn in Graph.ini must be 0 or 1, not 'yes'"},
        {{"BandOn=1", "BandLevel=95"}, "BandLevel in Graph.ini must be a number between 0 and 1, not '95'"},
        {{"BandOn=1", "BandLevel=0,9"}, "BandLevel in Graph.ini must be a number between 0 and 1, not '0,9'"},
    };
    for (const auto &c : cases) {
        Settings settings = c.settings;
        apptest::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, c.message, app::Button::Ok);
        TFormGraphParams form(settings, dialogs);
        EXPECT_EQ(dialogs.pending(), 0u) << c.message;
        EXPECT_FALSE(bandBox(form)->isChecked());
        EXPECT_EQ(bandLevel(form)->value(), 0.95);
        // Kept as stored until the band is applied.
        EXPECT_EQ(std::vector<std::string>(settings.begin(), settings.begin() + c.settings.size()),
                  c.settings);
    }
}
