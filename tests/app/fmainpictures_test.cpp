// "Save picture" and "Print" on the model page: the save dialog with its types and default
// extensions kept by the window, the overwrite question, unknown types, the pictures of the example
// plot opened by independent readers, the command line drawing the same picture, and printing
// through a PDF printer into the rectangle chosen in the layout dialog.
#include "app/fmain.h"
#include "app/printcanvas.h"
#include "charts/chart.h"
#include "mainwindowtest.h"
#include "support/picturereaders.h"

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>

namespace {

using namespace apptest;
using app::TFormPrintCanvas;
using charts::PrintRectangle;
using testsupport::readerOutput;
using testsupport::svgTexts;

const QString kSaveFilter = "Windows bitmap (BMP) (*.bmp);;Windows metafile (WMF) (*.wmf);;"
                            "Enhanced metafile (EMF) (*.emf);;All files (*);;PNG image (PNG) (*.png);;"
                            "SVG drawing (SVG) (*.svg);;PDF document (PDF) (*.pdf)";
const char *const kTitle = "Plot B0206 - species LT";

class PicturesTest : public MainWindowTest
{
protected:
    // The crown table with its side files, plot B0206 and species LT computed on the model page, the
    // chart at the size the window's design gives it.
    void startExample()
    {
        const fs::path table = copyCrown("SCBI_CROWN.DBF");
        for (const char *side : {"SCBI_CROWN.var", "SCBI_CROWN.yrs"})
            fs::copy_file(testsupport::realData() / "scbi" / side, dataDir / side);
        startOn(table);
        mainPage()->BtnSetOKClick();
        select("B0206", "LT");
        control<QTabWidget>(form.get(), "PageControl1")
            ->setCurrentWidget(control<QWidget>(form.get(), "TabSheetModel"));
        control<QPushButton>(form.get(), "BtnSingleM")->click();
        // The window's size for a chart of 680 x 392 pixels, whatever the style's frames take.
        const QSize chart = control<charts::Chart>(form.get(), "ChartTModel")->size();
        form->resize(form->size() + QSize(680, 392) - chart);
        QCoreApplication::processEvents();
        ASSERT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->size(), QSize(680, 392));
        ASSERT_EQ(control<charts::Chart>(form.get(), "ChartTModel")->titleLines(), QStringList{kTitle});
        ASSERT_EQ(dialogs.pending(), 0u);
    }

    void expectSave(int filterIndex, const QString &suffix, std::optional<ScriptedDialogs::Typed> answer)
    {
        dialogs.expectSaveFileTyped("Save as", kSaveFilter, filterIndex, q(dataDir), suffix, false, answer);
    }

    static std::string unknownType(const std::string &extension)
    {
        return "Unknown picture type: " + extension + " \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf";
    }

    std::string magic(const fs::path &file, std::size_t bytes) { return readBytes(file).substr(0, bytes); }
};

TEST_F(PicturesTest, TheSaveDialogKeepsItsTypeAndTheExtensionChoosesTheFormat)
{
    startExample();
    EXPECT_TRUE(control<QPushButton>(form.get(), "BtnSave")->isEnabled());

    // A name typed without an extension with the WMF type picked: the type's default extension.
    expectSave(0, "bmp", ScriptedDialogs::Typed{q(dataDir / "chart"), 1});
    control<QPushButton>(form.get(), "BtnSave")->click();
    EXPECT_EQ(magic(dataDir / "chart.wmf", 4), "\xD7\xCD\xC6\x9A");

    // The dialog offers the last type and extension again. "All files" and no extension: the message,
    // nothing written.
    expectSave(1, "wmf", ScriptedDialogs::Typed{q(dataDir / "chart2"), 3});
    dialogs.expectMessage(MessageKind::Error, QString::fromStdString(unknownType("no extension")),
                          Button::Ok);
    control<QPushButton>(form.get(), "BtnSave")->click();
    EXPECT_FALSE(fs::exists(dataDir / "chart2"));

    // A picture type beyond the three Windows ones is written under "All files" too; another
    // extension is refused by name.
    expectSave(3, "", ScriptedDialogs::Typed{q(dataDir / "chart.png"), 3});
    control<QPushButton>(form.get(), "BtnSave")->click();
    EXPECT_EQ(magic(dataDir / "chart.png", 4), "\x89PNG");
    expectSave(3, "", ScriptedDialogs::Typed{q(dataDir / "chart.xyz"), 3});
    dialogs.expectMessage(MessageKind::Error, QString::fromStdString(unknownType(".xyz")), Button::Ok);
    control<QPushButton>(form.get(), "BtnSave")->click();
    EXPECT_FALSE(fs::exists(dataDir / "chart.xyz"));

    // The SVG type gives "svg"; a cancelled dialog writes nothing and keeps the type.
    expectSave(3, "", ScriptedDialogs::Typed{q(dataDir / "drawing"), 5});
    control<QPushButton>(form.get(), "BtnSave")->click();
    EXPECT_TRUE(fs::exists(dataDir / "drawing.svg"));
    expectSave(5, "svg", std::nullopt);
    control<QPushButton>(form.get(), "BtnSave")->click();
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(PicturesTest, NoToTheOverwriteQuestionKeepsTheFile)
{
    startExample();
    const fs::path file = dataDir / "old.BMP";
    const std::string old = "an older picture, kept byte for byte";
    writeBytes(file, old);
    const QString question = "Overwrite file " + q(file) + "?";

    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::No);
    form->SaveChartPicture(*control<charts::Chart>(form.get(), "ChartTModel"), q(file));
    EXPECT_EQ(readBytes(file), old);

    dialogs.expectMessage(MessageKind::Confirmation, question, Button::Yes | Button::No, Button::Yes);
    form->SaveChartPicture(*control<charts::Chart>(form.get(), "ChartTModel"), q(file));
    EXPECT_EQ(magic(file, 2), "BM");

    // A type that cannot be written is refused before any question.
    writeBytes(dataDir / "old.tif", old);
    dialogs.expectMessage(MessageKind::Error, QString::fromStdString(unknownType(".tif")), Button::Ok);
    form->SaveChartPicture(*control<charts::Chart>(form.get(), "ChartTModel"), q(dataDir / "old.tif"));
    EXPECT_EQ(readBytes(dataDir / "old.tif"), old);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(PicturesTest, EveryTypeOfTheExampleOpensAt680x392WithItsTitle)
{
    startExample();
    auto save = [&](const char *type) {
        const fs::path file = dataDir / (std::string("B0206_LT.") + type);
        form->SaveChartPicture(*control<charts::Chart>(form.get(), "ChartTModel"), q(file));
        return "'" + file.string() + "'";
    };
    EXPECT_EQ(readerOutput("identify -format '%m %w %h' " + save("bmp")), "BMP3 680 392");
    EXPECT_EQ(readerOutput("identify -format '%m %w %h' " + save("png")), "PNG 680 392");

    const std::string wmf = readerOutput("wmf2svg -o /dev/stdout " + save("wmf"));
    EXPECT_EQ(testsupport::svgNumber(wmf, "width"), 680);
    EXPECT_EQ(testsupport::svgNumber(wmf, "height"), 392);
    EXPECT_NE(svgTexts(wmf).find(kTitle), std::string::npos);

    const std::string emf = save("emf");
    // emf2svg reads the inclusive bounds 0..679 as 679 wide; the header says 680 x 392 pixels.
    const std::string header = readBytes(fs::path(emf.substr(1, emf.size() - 2))).substr(8, 16);
    int32_t bounds[4];
    std::memcpy(bounds, header.data(), sizeof bounds);
    EXPECT_EQ(bounds[2] - bounds[0] + 1, 680);
    EXPECT_EQ(bounds[3] - bounds[1] + 1, 392);
    const std::string emfSvg = readerOutput("emf2svg-conv -i " + emf + " -o /dev/stdout");
    EXPECT_NEAR(testsupport::svgNumber(emfSvg, "width"), 680, 1);
    EXPECT_NE(svgTexts(emfSvg).find(kTitle), std::string::npos);

    const std::string svg = save("svg");
    EXPECT_EQ(readerOutput("xmllint --xpath 'string(/*[local-name()=\"svg\"]/@viewBox)' " + svg),
              "0 0 680 392");
    EXPECT_NE(readerOutput("xmllint --xpath '//*[local-name()=\"text\"]' " + svg).find(kTitle),
              std::string::npos);

    const std::string pdf = save("pdf");
    EXPECT_NE(readerOutput("pdfinfo " + pdf).find("510 x 294 pts"), std::string::npos);
    EXPECT_NE(readerOutput("pdftotext " + pdf + " -").find(kTitle), std::string::npos);
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(PicturesTest, TheCommandLineDrawsTheSamePictureWithoutADisplay)
{
    startExample();
    form->SaveChartPicture(*control<charts::Chart>(form.get(), "ChartTModel"), q(dataDir / "window.bmp"));
    // No display and no platform named: the command line finds Qt's offscreen platform by itself.
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(FENORIS_CLI_PATH) + " model '" +
        (dataDir / "SCBI_CROWN.DBF").string() + "' --plot B0206 --species LT --picture '" +
        (dataDir / "cli.bmp").string() + "' --size 680x392 >/dev/null";
    ASSERT_EQ(testsupport::runCommand(command + " 2>/dev/null"), 0) << command;
    const QImage window(q(dataDir / "window.bmp")), cli(q(dataDir / "cli.bmp"));
    ASSERT_EQ(cli.size(), QSize(680, 392));
    EXPECT_EQ(window, cli);
}

class PrintTest : public PicturesTest
{
protected:
    // The printer set-up dialog answered with a PDF printer on A4 paper, printing into `file`.
    void expectPdfPrinter(const fs::path &file)
    {
        dialogs.expectPrinterSetup(true, [file](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(q(file));
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Portrait);
        });
    }

    // The layout dialog answered by `shape`, which sizes the image and presses a button.
    void expectLayout(std::function<void(TFormPrintCanvas &)> shape)
    {
        dialogs.expectModal("FormPrintCanvas", [this, shape](QDialog &d) {
            auto &canvas = static_cast<TFormPrintCanvas &>(d);
            EXPECT_EQ(canvas.windowTitle(), "Print Canvas");
            EXPECT_EQ(canvas.pageWidth(), modelPage()->printer()->width());
            shape(canvas);
            printed = canvas.PrintRect;
            return canvas.result();
        });
    }

    PrintRectangle printed;
};

TEST_F(PrintTest, ThePageShowsTheChartStretchedIntoTheChosenRectangle)
{
    startExample();
    // A chart colour that stands out on the paper shows where the chart is.
    control<charts::Chart>(form.get(), "ChartTModel")->setChartColor(QColor(255, 255, 160));
    const fs::path pdf = dataDir / "printed.pdf";
    expectPdfPrinter(pdf);
    expectLayout([](TFormPrintCanvas &canvas) {
        // Wider by hand than the chart's proportions: the right edge dragged 40 preview pixels out.
        const int w = canvas.PanelImage->width();
        canvas.PanelImageMouseDown({w - 2, 40});
        canvas.PanelImageMouseMove(Qt::LeftButton, Qt::NoModifier, {w + 38, 40});
        canvas.PanelImageMouseUp();
        canvas.BtnPrint->click();
    });
    control<QPushButton>(form.get(), "BtnPrint")->click();
    ASSERT_EQ(dialogs.pending(), 0u);
    ASSERT_FALSE(printed.empty());
    EXPECT_NE(readerOutput("pdftotext '" + pdf.string() + "' -").find(kTitle), std::string::npos);

    // The page at 50 dots per inch: the chart colour fills the rectangle, offset by the printable
    // area's margin, in printer pixels of 1/resolution inch.
    const fs::path png = dataDir / "page.png";
    ASSERT_EQ(testsupport::runCommand("pdftoppm -r 50 -singlefile -png '" + pdf.string() + "' '" +
                                      (dataDir / "page").string() + "' 2>/dev/null"),
              0);
    const QImage page(q(png));
    ASSERT_FALSE(page.isNull());
    QRect chart;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() > 240 && c.green() > 240 && c.blue() > 130 && c.blue() < 190)
                chart |= QRect(x, y, 1, 1);
        }
    const double k = 50.0 / modelPage()->printer()->resolution();
    const QPoint margin =
        modelPage()->printer()->pageLayout().paintRectPixels(modelPage()->printer()->resolution()).topLeft();
    const QRectF expected((margin.x() + printed.Left) * k, (margin.y() + printed.Top) * k,
                          (printed.Right - printed.Left) * k, (printed.Bottom - printed.Top) * k);
    EXPECT_NEAR(chart.left(), expected.left(), 3);
    EXPECT_NEAR(chart.top(), expected.top(), 3);
    EXPECT_NEAR(chart.right() + 1, expected.right(), 3);
    EXPECT_NEAR(chart.bottom() + 1, expected.bottom(), 3);
    // Stretched: the printed shape is the rectangle's, not the chart's 680 x 392.
    EXPECT_GT(double(chart.width()) / chart.height(), 680.0 / 392 * 1.1);
}

TEST_F(PrintTest, CancelAndAnEmptyRectanglePrintNothing)
{
    startExample();
    const fs::path pdf = dataDir / "printed.pdf";
    expectPdfPrinter(pdf);
    expectLayout([](TFormPrintCanvas &canvas) { canvas.BtnCancel->click(); });
    control<QPushButton>(form.get(), "BtnPrint")->click();
    EXPECT_TRUE(printed.empty());

    // The image dragged to no width, then "Print".
    expectPdfPrinter(pdf);
    expectLayout([](TFormPrintCanvas &canvas) {
        const int w = canvas.PanelImage->width();
        canvas.PanelImageMouseDown({w - 2, 40});
        canvas.PanelImageMouseMove(Qt::LeftButton, Qt::NoModifier, {-10, 40});
        canvas.PanelImageMouseUp();
        canvas.BtnPrint->click();
    });
    control<QPushButton>(form.get(), "BtnPrint")->click();
    EXPECT_TRUE(printed.empty());
    EXPECT_FALSE(fs::exists(pdf));
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(PrintTest, WithoutAPrinterTheUserIsToldNotGivenAPdfFile)
{
    startExample();
    // What Qt leaves when no printer is installed: PDF output without a file, or the folder its
    // dialog offers.
    for (const QString &fallback : {QString(), q(dataDir)}) {
        dialogs.expectPrinterSetup(false, [fallback](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(fallback);
        });
        dialogs.expectMessage(
            MessageKind::Error,
            "No printer is installed, so nothing can be printed. Install a printer, or choose "
            "printing into a PDF file with a file name in the printer dialog.",
            Button::Ok);
        control<QPushButton>(form.get(), "BtnPrint")->click();
    }
    EXPECT_EQ(dialogs.pending(), 0u);
}

} // namespace
