// Picture files of a chart, checked from outside: every type opened by an independent reader at the
// chart's size with the title inside the vector formats, the vector formats drawn where the bitmap
// has the chart's lines, and the file replaced only when a picture was written whole.
#include "charts/chart.h"
#include "charts/modelchart.h"
#include "charts/picturewriter.h"
#include "common/error.h"
#include "support/picturereaders.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QImage>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <sys/resource.h>

using namespace charts;
namespace fs = std::filesystem;
using testsupport::namesIn;
using testsupport::readBytes;
using testsupport::readerOutput;
using testsupport::runCommand;
using testsupport::svgNumber;
using testsupport::svgTexts;
using testsupport::TempDir;
using testsupport::writeBytes;

namespace {

const QSize kSize(680, 392);
const char *const kTitle = "Plot B0206 - species LT";

QString q(const fs::path &p)
{
    return QString::fromStdString(p.string());
}

// The model chart of the example plot: the dead share falling from 100 % (a thick red line on the top
// of the data), a dotted model curve, the green average and a dashed limit.
class PictureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setupModelChart(chart);
        chart.setTitleLines({kTitle});
        chart.resize(kSize);
        const std::vector<model::ChartLine> lines = {
            {"Model D2015", "model1", {{2015, 100}, {2020, 100}, {2025, 100}}, {}},
            {"Average def.", "avg", {{2016, 0}, {2019, 0}, {2021, 5.7}}, {}},
            {"AVG+n(%)STD", "limit", {{2016, 0}, {2019, 0}, {2021, 12.8}}, {}},
            {"Deads", "deads", {{2016, 100}, {2019, 100}, {2021, 3.9}}, {}},
        };
        std::vector<std::string> settings;
        drawModelLines(chart, lines, settings);
    }

    fs::path write(const std::string &name)
    {
        const fs::path file = dir / name;
        writeChartPicture(chart, q(file), kSize);
        return file;
    }

    // The pixels of the bitmap inside the thick red line of the dead share (red above and
    // below too, which leaves out the dotted model line: its dots fall differently in each renderer).
    std::vector<QPoint> redPixels()
    {
        const QImage bitmap = chart.toImage(kSize);
        auto isRed = [&](int x, int y) { return bitmap.pixelColor(x, y) == QColor(255, 0, 0); };
        std::vector<QPoint> red;
        for (int y = 1; y + 1 < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x)
                if (isRed(x, y) && isRed(x, y - 1) && isRed(x, y + 1)) red.push_back({x, y});
        return red;
    }

    Chart chart;
    TempDir dir;
};

TEST_F(PictureTest, EveryTypeOpensInAnIndependentReaderAtTheChartSize)
{
    // Bitmaps: ImageMagick.
    for (const char *type : {"bmp", "png"}) {
        const fs::path file = write(std::string("chart.") + type);
        EXPECT_EQ(readerOutput("identify -format '%m %w %h' '" + file.string() + "'"),
                  std::string(std::strcmp(type, "bmp") == 0 ? "BMP3" : "PNG") + " 680 392");
    }

    // WMF: libwmf's wmf2svg, which sizes its drawing by the placeable header.
    {
        const fs::path file = write("chart.wmf");
        const std::string svg = readerOutput("wmf2svg -o /dev/stdout '" + file.string() + "'");
        EXPECT_EQ(svgNumber(svg, "width"), 680);
        EXPECT_EQ(svgNumber(svg, "height"), 392);
        EXPECT_NE(svgTexts(svg).find(kTitle), std::string::npos) << svgTexts(svg);
    }

    // EMF: emf2svg, which takes right - left of the header's inclusive bounds, one pixel less.
    {
        const fs::path file = write("chart.emf");
        const std::string svg = readerOutput("emf2svg-conv -i '" + file.string() + "' -o /dev/stdout");
        EXPECT_NEAR(svgNumber(svg, "width"), 680, 1);
        EXPECT_NEAR(svgNumber(svg, "height"), 392, 1);
        EXPECT_NE(svgTexts(svg).find(kTitle), std::string::npos) << svgTexts(svg);
    }

    // SVG: an XML parser; the view box is the chart, 680 pixels being 179.917 mm at 96 per inch.
    {
        const fs::path file = write("chart.svg");
        const std::string quoted = "'" + file.string() + "'";
        EXPECT_EQ(readerOutput("xmllint --xpath 'string(/*[local-name()=\"svg\"]/@viewBox)' " + quoted),
                  "0 0 680 392");
        EXPECT_EQ(readerOutput("xmllint --xpath 'string(/*[local-name()=\"svg\"]/@width)' " + quoted),
                  "179.917mm");
        EXPECT_NE(readerOutput("xmllint --xpath '//*[local-name()=\"text\"]' " + quoted).find(kTitle),
                  std::string::npos);
    }

    // PDF: poppler; 680 x 392 pixels at 96 per inch are 510 x 294 points.
    {
        const fs::path file = write("chart.pdf");
        const std::string info = readerOutput("pdfinfo '" + file.string() + "'");
        EXPECT_NE(info.find("Page size:       510 x 294 pts"), std::string::npos) << info;
        EXPECT_NE(readerOutput("pdftotext '" + file.string() + "' -").find(kTitle), std::string::npos);
    }

    // Nothing but the pictures: no temporary file stayed behind.
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"chart.bmp", "chart.emf", "chart.pdf",
                                                             "chart.png", "chart.svg", "chart.wmf"}));
}

TEST_F(PictureTest, VectorFormatsDrawTheLinesWhereTheBitmapHasThem)
{
    // Each vector picture rendered by a reader at 96 pixels per inch: the thick red dead share must be
    // red at (nearly) every place the bitmap has it.
    struct Case
    {
        const char *type;
        const char *render; // %in, %out
    };
    const Case cases[] = {
        {"wmf", "convert -density 96 %in -background white -flatten %out"},
        {"emf", "emf2svg-conv -i %in -o %in.svg && rsvg-convert %in.svg -o %out"},
        {"svg", "rsvg-convert -w 680 -h 392 %in -o %out"},
        {"pdf", "pdftoppm -r 96 -singlefile -png %in %out.base && mv %out.base.png %out"},
    };
    const std::vector<QPoint> red = redPixels();
    ASSERT_GT(red.size(), 100u);
    for (const Case &c : cases) {
        const fs::path file = write(std::string("chart.") + c.type);
        const fs::path png = dir / (std::string(c.type) + ".png");
        std::string command = c.render;
        for (auto [key, value] : {std::pair<std::string, std::string>{"%in", "'" + file.string() + "'"},
                                  {"%out", "'" + png.string() + "'"}})
            for (std::size_t at; (at = command.find(key)) != std::string::npos;)
                command.replace(at, key.size(), value);
        ASSERT_EQ(runCommand(command + " 2>/dev/null"), 0) << command;
        const QImage rendered(q(png));
        ASSERT_FALSE(rendered.isNull()) << c.type;
        int hits = 0;
        for (const QPoint &p : red) {
            if (!rendered.rect().contains(p)) continue;
            const QColor got = rendered.pixelColor(p);
            hits += got.red() > 200 && got.green() < 80 && got.blue() < 80;
        }
        EXPECT_GT(hits, static_cast<int>(red.size() * 9 / 10))
            << c.type << ": " << hits << " of " << red.size();
    }
}

// The records of an EMF: type and the bytes after the type and size.
std::vector<std::pair<uint32_t, std::string>> emfRecords(const std::string &bytes)
{
    std::vector<std::pair<uint32_t, std::string>> records;
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        uint32_t type, size;
        std::memcpy(&type, bytes.data() + at, 4);
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (size < 8 || at + size > bytes.size()) break;
        records.push_back({type, bytes.substr(at + 8, size - 8)});
        at += size;
    }
    return records;
}

// The records of a placeable WMF: function and parameters.
std::vector<std::pair<uint16_t, std::string>> wmfRecords(const std::string &bytes)
{
    std::vector<std::pair<uint16_t, std::string>> records;
    for (std::size_t at = 22 + 18; at + 6 <= bytes.size();) {
        uint32_t words;
        uint16_t function;
        std::memcpy(&words, bytes.data() + at, 4);
        std::memcpy(&function, bytes.data() + at + 4, 2);
        if (words < 3 || at + 2 * words > bytes.size()) break;
        records.push_back({function, bytes.substr(at + 6, 2 * words - 6)});
        at += 2 * words;
    }
    return records;
}

template <class T> T field(const std::string &bytes, std::size_t offset)
{
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST_F(PictureTest, MetafilesAreVectorRecordsWithPensFontsAndClipping)
{
    // EMF: 680 x 392 pixels as inclusive bounds; lines, rectangles and text as records, the dead share's
    // pen 4 pixels wide and the model's dotted, a clip, and no bitmap anywhere.
    const std::string emf = readBytes(write("chart.emf"));
    const auto records = emfRecords(emf);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().first, 1u); // EMR_HEADER
    EXPECT_EQ(field<int32_t>(records.front().second, 8), 679);
    EXPECT_EQ(field<int32_t>(records.front().second, 12), 391);
    EXPECT_EQ(records.back().first, 14u); // EMR_EOF
    std::multiset<uint32_t> types;
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> pens; // style, width, colour
    for (const auto &[type, data] : records) {
        types.insert(type);
        if (type == 95) // EMR_EXTCREATEPEN: the pen after its handle and four bitmap fields
            pens.insert(
                {field<uint32_t>(data, 20) & 0xF, field<uint32_t>(data, 24), field<uint32_t>(data, 32)});
    }
    for (uint32_t type :
         {4u /*POLYLINE*/, 43u /*RECTANGLE*/, 84u /*EXTTEXTOUTW*/, 82u /*EXTCREATEFONTINDIRECTW*/,
          30u /*INTERSECTCLIPRECT*/, 33u /*SAVEDC*/, 34u /*RESTOREDC*/})
        EXPECT_GT(types.count(type), 0u) << type;
    for (uint32_t bitmap :
         {76u /*BITBLT*/, 77u /*STRETCHBLT*/, 80u /*SETDIBITSTODEVICE*/, 81u /*STRETCHDIBITS*/})
        EXPECT_EQ(types.count(bitmap), 0u) << bitmap;
    EXPECT_TRUE(pens.count({0u, 4u, 0x0000FFu})) << "deads: solid, 4 pixels, red";
    EXPECT_TRUE(pens.count({2u, 1u, 0x0000FFu})) << "model1: dotted, 1 pixel, red";
    EXPECT_TRUE(pens.count({1u, 1u, 0xFF0000u})) << "limit: dashed, 1 pixel, blue";

    // WMF: the same drawing in 16-bit records.
    const std::string wmf = readBytes(write("chart.wmf"));
    EXPECT_EQ(field<uint32_t>(wmf, 0), 0x9AC6CDD7u); // placeable
    EXPECT_EQ(field<int16_t>(wmf, 10) - field<int16_t>(wmf, 6), 680);
    EXPECT_EQ(field<int16_t>(wmf, 12) - field<int16_t>(wmf, 8), 392);
    EXPECT_EQ(field<uint16_t>(wmf, 14), 96);
    std::multiset<uint16_t> functions;
    std::set<std::tuple<uint16_t, int16_t, uint32_t>> wmfPens;
    std::string texts = "|";
    for (const auto &[function, data] : wmfRecords(wmf)) {
        functions.insert(function);
        if (function == 0x02FA)
            wmfPens.insert({field<uint16_t>(data, 0), field<int16_t>(data, 2), field<uint32_t>(data, 6)});
        if (function == 0x0A32) texts += data.substr(8, field<int16_t>(data, 4)) + "|";
    }
    for (uint16_t function :
         {0x0325 /*POLYLINE*/, 0x0213 /*LINETO*/, 0x041B /*RECTANGLE*/, 0x0A32 /*EXTTEXTOUT*/,
          0x02FB /*CREATEFONTINDIRECT*/, 0x0416 /*INTERSECTCLIPRECT*/, 0x001E /*SAVEDC*/})
        EXPECT_GT(functions.count(function), 0u) << std::hex << function;
    for (uint16_t bitmap : {0x0940, 0x0B41, 0x0F43, 0x0922, 0x0B23})
        EXPECT_EQ(functions.count(bitmap), 0u) << std::hex << bitmap;
    EXPECT_TRUE(wmfPens.count({0, 4, 0x0000FFu}));
    EXPECT_TRUE(wmfPens.count({2, 1, 0x0000FFu}));
    EXPECT_NE(texts.find(std::string("|") + kTitle + "|"), std::string::npos) << texts;
}

TEST_F(PictureTest, MetafileTextsKeepTheirCharacters)
{
    // Central European letters: UTF-16 in the EMF; Windows-1250 with its character set in the WMF.
    chart.setTitleLines({QString::fromUtf8("Plocha \u010c. 5 - smrk \u017eiv\u00fd")});
    const std::string svg = readerOutput("emf2svg-conv -i '" + write("cz.emf").string() + "' -o /dev/stdout");
    EXPECT_NE(svgTexts(svg).find("Plocha \u010c. 5 - smrk \u017eiv\u00fd"), std::string::npos);

    bool found = false;
    for (const auto &[function, data] : wmfRecords(readBytes(write("cz.wmf")))) {
        if (function == 0x02FB && static_cast<uint8_t>(data[13]) == 238) found = true; // EASTEUROPE_CHARSET
        if (function == 0x0A32 && data.find("Plocha \xC8. 5 - smrk \x9Eiv\xFD") != std::string::npos) {
            EXPECT_TRUE(found) << "the text comes after a font of its character set";
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(PictureTest, TypeByExtensionIgnoringCaseAndNothingWrittenForAnotherOne)
{
    const fs::path wmf = write("chart.Wmf");
    EXPECT_EQ(field<uint32_t>(readBytes(wmf), 0), 0x9AC6CDD7u);
    EXPECT_EQ(readerOutput("identify -format '%m' '" + write("CHART.PNG").string() + "'"), "PNG");

    struct Case
    {
        const char *name;
        const char *message;
    };
    const Case cases[] = {
        {"chart.xyz", "Unknown picture type: .xyz \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf"},
        {"chart", "Unknown picture type: no extension \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf"},
        {"v1.2/chart", "Unknown picture type: no extension \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf"},
        {"chart.jpeg", "Unknown picture type: .jpeg \u2014 use .bmp, .wmf, .emf, .png, .svg or .pdf"},
    };
    fs::create_directory(dir / "v1.2");
    for (const Case &c : cases) {
        try {
            write(c.name);
            ADD_FAILURE() << c.name << " was written";
        } catch (const common::FileError &e) {
            ADD_FAILURE() << c.name << ": " << e.what();
        } catch (const common::Error &e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"CHART.PNG", "chart.Wmf", "v1.2"}));
    EXPECT_TRUE(fs::is_empty(dir / "v1.2"));
}

TEST_F(PictureTest, AFailedWriteKeepsTheOldPicture)
{
    // A full disk, made by a limit on the size of files: the picture cannot be written whole. The old
    // file stays byte for byte, and no temporary file is left beside it.
    for (const char *name : {"chart.bmp", "chart.emf", "chart.wmf", "chart.pdf"}) {
        const fs::path file = dir / name;
        writeBytes(file, "the old picture");
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 1000;
        auto *previous = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        std::string error;
        try {
            writeChartPicture(chart, q(file), kSize);
        } catch (const common::FileError &e) {
            error = e.what();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        EXPECT_EQ(error.rfind("Cannot write file \"" + file.string() + "\".", 0), 0u)
            << name << ": " << error;
        EXPECT_EQ(readBytes(file), "the old picture") << name;
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{name});
        fs::remove(file);
    }
}

} // namespace
