// The series menu of the "Chart properties" dialog: one command per property of a series, the
// conversion of points to arrows, and deleting a series.
#include "app/fchartpropseries.h"

#include "app/dialogs.h"
#include "app/fmemodlg.h"
#include "app/localenumbers.h"
#include "common/error.h"
#include "common/numbers.h"

#include <QActionGroup>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

namespace app {

using charts::SeriesKind;

namespace {

const char *const kLineStyles[] = {"&1 Solid",        "&2 Dash",  "&3 Dot",         "&4 Dash-dot",
                                   "&5 Dash-dot-dot", "&6 Clear", "&7 Inside frame"};
const char *const kPointStyles[] = {"&1 Rectangle",     "&2 Circle",  "&3 Triangle",
                                    "&4 Down triangle", "&5 Cross",   "&6 Diagonal cross",
                                    "&7 Star",          "&8 Diamond", "&9 Small dot"};
const char *const kBrushes[] = {"&1 Solid",      "&2 Clear",      "&3 Horizontal", "&4 Vertical",
                                "&5 F Diagonal", "&6 B Diagonal", "&7 Cross",      "&8 Diag cross"};
const char *const kArrowCaption = "Arrow common parameters";

QAction *menuItem(QMenu *menu, const char *name, const char *text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

QMenu *subMenu(QMenu *menu, const char *name, const char *text)
{
    QMenu *sub = menu->addMenu(text);
    sub->setObjectName(name);
    return sub;
}

// A submenu of exclusive, checkable items, one per text.
template <std::size_t N>
void addChoices(QMenu *menu, const char *const (&texts)[N], std::array<QAction *, N> &actions)
{
    auto *group = new QActionGroup(menu);
    for (std::size_t i = 0; i < N; ++i) {
        actions[i] = menu->addAction(texts[i]);
        actions[i]->setCheckable(true);
        group->addAction(actions[i]);
    }
}

template <std::size_t N> void checkChoice(std::array<QAction *, N> &actions, int index)
{
    for (std::size_t i = 0; i < N; ++i)
        actions[i]->setChecked(static_cast<int>(i) == index);
}

QString seriesCaption(const QString &kind, int index, const charts::Series &series)
{
    return kind + " [" + QString::number(index) + "] " + series.title();
}

} // namespace

ChartSeriesPart::ChartSeriesPart(ChartPropContext &context, QWidget *parent) : ChartPropPart(context, parent)
{
    setObjectName("SeriesPart");
    createControls();
    createSeriesMenu();
    connectControls();
    connectSeriesMenu();
}

void ChartSeriesPart::createControls()
{
    ListSeries = makeNamed<QListWidget>(this, "ListSeries");
    ListSeries->setSelectionMode(QAbstractItemView::SingleSelection);
    ListSeries->setContextMenuPolicy(Qt::CustomContextMenu);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(labelFor(ListSeries, "Series", this));
    layout->addWidget(ListSeries, 1);
}

void ChartSeriesPart::connectControls()
{
    connect(ListSeries, &QListWidget::currentRowChanged, this, [this] {
        if (!refreshing()) guard([this] { ListSeriesClick(); });
    });
    connect(ListSeries, &QListWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (!m_popupAttached) return;
        guard([this] { PopupSeriesPopup(); });
        PopupSeries->exec(ListSeries->viewport()->mapToGlobal(at));
    });
}

void ChartSeriesPart::showChart(const charts::Chart &chart)
{
    fillList(chart);
    m_popupAttached = false;
}

void ChartSeriesPart::fillList(const charts::Chart &chart)
{
    bool &refreshing = context().refreshing;
    const bool wasRefreshing = refreshing;
    refreshing = true;
    ListSeries->clear();
    for (int i = 0; i < chart.seriesCount(); ++i)
        ListSeries->addItem(chart.seriesListEntry(i));
    ListSeries->setCurrentRow(-1);
    refreshing = wasRefreshing;
}

void ChartSeriesPart::ListSeriesClick()
{
    if (ListSeries->currentRow() >= 0) m_popupAttached = true;
}

void ChartSeriesPart::createSeriesMenu()
{
    PopupSeries = new QMenu(this);
    PopupSeries->setObjectName("PopupSeries");
    Rename1 = menuItem(PopupSeries, "Rename1", "&Rename");
    QMenu *active = subMenu(PopupSeries, "Active1", "&Active");
    ActiveYes = menuItem(active, "ActiveYes", "&Yes");
    ActiveNo = menuItem(active, "ActiveNo", "&No");
    QMenu *legend = subMenu(PopupSeries, "Showinlegend1", "&Show in legend");
    LegendYes = menuItem(legend, "LegendYes", "&Yes");
    LegendNo = menuItem(legend, "LegendNo", "&No");
    Color1 = menuItem(PopupSeries, "Color1", "&Color");

    LineSeries1 = subMenu(PopupSeries, "LineSeries1", "&Line series");
    addChoices(subMenu(LineSeries1, "LineStyle1", "&Style"), kLineStyles, LineStyles);
    LineWidth1 = menuItem(LineSeries1, "LineWidth1", "&Width");

    PointSeries1 = subMenu(PopupSeries, "PointSeries1", "&Point series");
    addChoices(subMenu(PointSeries1, "PointStyle1", "&Style"), kPointStyles, PointStyles);
    HorizontalSize1 = menuItem(PointSeries1, "HorizontalSize1", "&Horizontal size");
    VerticalSize1 = menuItem(PointSeries1, "VerticalSize1", "&Vertical size");
    Pointtoarrow1 = menuItem(PointSeries1, "Pointtoarrow1", "Point to &arrow");

    ArrowSeries1 = subMenu(PopupSeries, "ArrowSeries1", "Arro&w series");
    ArrowWidth1 = menuItem(ArrowSeries1, "ArrowWidth1", "&Width");
    ArrowSize1 = menuItem(ArrowSeries1, "ArrowSize1", "&Arrow size");
    LengthMultiplier1 = menuItem(ArrowSeries1, "LengthMultiplier1", "&Length multiplier");

    ChartShape1 = subMenu(PopupSeries, "ChartShape1", "Chart s&hape");
    QMenu *transparent = subMenu(ChartShape1, "Transparant1", "&Transparant");
    TransparentYes = menuItem(transparent, "TransparentYes", "&Yes");
    TransparentNo = menuItem(transparent, "TransparentNo", "&No");
    addChoices(subMenu(ChartShape1, "Brush1", "&Brush"), kBrushes, Brushes);
    ShapeFont1 = menuItem(ChartShape1, "ShapeFont1", "&Font");
    ShapeText1 = menuItem(ChartShape1, "ShapeText1", "Te&xt");
    ShapeBitmap1 = menuItem(ChartShape1, "ShapeBitmap1", "Bit&map");
    ClearBitmap1 = menuItem(ChartShape1, "ClearBitmap1", "&Clear bitmap");

    PopupSeries->addSeparator();
    Delete1 = menuItem(PopupSeries, "Delete1", "&Delete");
}

void ChartSeriesPart::connectSeriesMenu()
{
    auto on = [this](QAction *action, std::function<void()> handler) {
        connect(action, &QAction::triggered, this, [this, handler] { guard(handler); });
    };
    connect(PopupSeries, &QMenu::aboutToShow, this, [this] { guard([this] { PopupSeriesPopup(); }); });
    on(Rename1, [this] { Rename1Click(); });
    on(ActiveYes, [this] { ActiveClick(true); });
    on(ActiveNo, [this] { ActiveClick(false); });
    on(LegendYes, [this] { ShowInLegendClick(true); });
    on(LegendNo, [this] { ShowInLegendClick(false); });
    on(Color1, [this] { Color1Click(); });
    for (int i = 0; i < static_cast<int>(LineStyles.size()); ++i)
        on(LineStyles[i], [this, i] { LineStyleClick(i); });
    on(LineWidth1, [this] { LineWidthClick(); });
    for (int i = 0; i < static_cast<int>(PointStyles.size()); ++i)
        on(PointStyles[i], [this, i] { PointStyleClick(i); });
    on(HorizontalSize1, [this] { HorizontalSizeClick(); });
    on(VerticalSize1, [this] { VerticalSizeClick(); });
    on(Pointtoarrow1, [this] { Pointtoarrow1Click(); });
    on(ArrowWidth1, [this] { ArrowWidthClick(); });
    on(ArrowSize1, [this] { ArrowSizeClick(); });
    on(LengthMultiplier1, [this] { LengthMultiplierClick(); });
    on(TransparentYes, [this] { TransparentClick(true); });
    on(TransparentNo, [this] { TransparentClick(false); });
    for (int i = 0; i < static_cast<int>(Brushes.size()); ++i)
        on(Brushes[i], [this, i] { BrushClick(i); });
    on(ShapeFont1, [this] { ShapeFontClick(); });
    on(ShapeText1, [this] { ShapeTextClick(); });
    on(ShapeBitmap1, [this] { ShapeBitmapClick(); });
    on(ClearBitmap1, [this] { ClearBitmapClick(); });
    on(Delete1, [this] { Delete1Click(); });
}

charts::Series *ChartSeriesPart::selectedSeries(int *index) const
{
    const QPointer<charts::Chart> &chart = context().chart;
    const int row = ListSeries->currentRow();
    if (!chart || row < 0 || !ListSeries->item(row)->isSelected() || row >= chart->seriesCount())
        return nullptr;
    if (index) *index = row;
    return &chart->series(row);
}

int ChartSeriesPart::askInteger(const QString &caption, const QString &prompt, int current)
{
    return common::strToInt(dialogs().inputBox(caption, prompt, QString::number(current)).toStdString());
}

void ChartSeriesPart::PopupSeriesPopup()
{
    const charts::Series *series = selectedSeries();
    const SeriesKind kind = series ? series->kind() : SeriesKind::Other;
    PointSeries1->menuAction()->setVisible(kind == SeriesKind::Point);
    LineSeries1->menuAction()->setVisible(kind == SeriesKind::Line || kind == SeriesKind::FastLine);
    ArrowSeries1->menuAction()->setVisible(kind == SeriesKind::Arrow);
    ChartShape1->menuAction()->setVisible(kind == SeriesKind::Shape);
    if (const auto *points = dynamic_cast<const charts::PointSeries *>(series))
        checkChoice(PointStyles, static_cast<int>(points->pointerStyle()));
    if (const auto *line = dynamic_cast<const charts::LineSeries *>(series))
        checkChoice(LineStyles, line->penStyle());
    if (const auto *shape = dynamic_cast<const charts::ShapeSeries *>(series)) {
        checkChoice(Brushes, shape->brushStyle());
        ClearBitmap1->setVisible(shape->hasBrushBitmap());
    }
}

// ---- every series ----------------------------------------------------------------------------

void ChartSeriesPart::Rename1Click()
{
    int index = 0;
    charts::Series *series = selectedSeries(&index);
    if (!series) return;
    series->setTitle(
        dialogs().inputBox("Rename", "Series title [" + QString::number(index) + "]", series->title()));
    ListSeries->item(index)->setText(chart().seriesListEntry(index));
}

void ChartSeriesPart::ActiveClick(bool active)
{
    if (charts::Series *series = selectedSeries()) series->setActive(active);
}

void ChartSeriesPart::ShowInLegendClick(bool show)
{
    if (charts::Series *series = selectedSeries()) series->setShowInLegend(show);
}

void ChartSeriesPart::Color1Click()
{
    charts::Series *series = selectedSeries();
    if (!series) return;
    if (const std::optional<QColor> chosen = dialogs().colour(series->color())) series->setColor(*chosen);
}

void ChartSeriesPart::Delete1Click()
{
    int index = 0;
    if (!selectedSeries(&index)) return;
    chart().removeSeries(index);
    bool &refreshing = context().refreshing;
    const bool wasRefreshing = refreshing;
    refreshing = true;
    delete ListSeries->takeItem(index);
    // No entry stays selected: the commands wait for the user's next choice.
    ListSeries->setCurrentRow(-1);
    ListSeries->clearSelection();
    refreshing = wasRefreshing;
}

// ---- line series -----------------------------------------------------------------------------

void ChartSeriesPart::LineStyleClick(int style)
{
    if (auto *line = selected<charts::LineSeries>()) line->setPenStyle(style);
}

void ChartSeriesPart::LineWidthClick()
{
    int index = 0;
    auto *line = selected<charts::LineSeries>(&index);
    if (!line) return;
    line->setPenWidth(askInteger(seriesCaption("Line series", index, *line), "Pen width", line->penWidth()));
}

// ---- point series ----------------------------------------------------------------------------

void ChartSeriesPart::PointStyleClick(int style)
{
    if (auto *points = selected<charts::PointSeries>())
        points->setPointerStyle(static_cast<charts::PointerStyle>(style));
}

void ChartSeriesPart::HorizontalSizeClick()
{
    int index = 0;
    auto *points = selected<charts::PointSeries>(&index);
    if (!points) return;
    points->setHorizontalSize(askInteger(seriesCaption("Point series", index, *points),
                                         "Horizontal size of marks", points->horizontalSize()));
}

void ChartSeriesPart::VerticalSizeClick()
{
    int index = 0;
    auto *points = selected<charts::PointSeries>(&index);
    if (!points) return;
    points->setVerticalSize(askInteger(seriesCaption("Point series", index, *points),
                                       "Vertical size of marks", points->verticalSize()));
}

void ChartSeriesPart::Pointtoarrow1Click()
{
    int index = 0;
    if (!selected<charts::PointSeries>(&index)) return;
    const QString one = QString("1") + decimalSeparator() + "0";
    // Each answer is read at once: one that is not a number ends the command before anything changed.
    const double originX = readReal(dialogs().inputBox(kArrowCaption, "Origin - X", "0"));
    const double originY = readReal(dialogs().inputBox(kArrowCaption, "Origin - Y", "0"));
    const double multiplier = readReal(dialogs().inputBox(kArrowCaption, "Multiplier", one));
    const int width = common::strToInt(dialogs().inputBox(kArrowCaption, "Line width", "1").toStdString());
    chart().convertPointsToArrows(index, originX, originY, multiplier, width);
    fillList(chart());
}

// ---- arrow series ----------------------------------------------------------------------------

void ChartSeriesPart::ArrowWidthClick()
{
    auto *arrows = selected<charts::ArrowSeries>();
    if (!arrows) return;
    const int width = askInteger(kArrowCaption, "Line width", arrows->penWidth());
    arrows->setPenWidth(width);
    arrows->setHeadWidth(4 * width);
    arrows->setHeadHeight(4 * width);
}

void ChartSeriesPart::ArrowSizeClick()
{
    auto *arrows = selected<charts::ArrowSeries>();
    if (!arrows) return;
    const int size = askInteger(kArrowCaption, "Arrow size", arrows->headWidth());
    arrows->setHeadWidth(size);
    arrows->setHeadHeight(size);
}

void ChartSeriesPart::LengthMultiplierClick()
{
    auto *arrows = selected<charts::ArrowSeries>();
    if (!arrows) return;
    const QString one = QString("1") + decimalSeparator() + "0";
    const double multiplier = readReal(dialogs().inputBox(kArrowCaption, "Multiplier", one));
    if (multiplier != 1) arrows->multiplyLengths(multiplier);
}

// ---- chart shapes ----------------------------------------------------------------------------

void ChartSeriesPart::TransparentClick(bool transparent)
{
    if (auto *shape = selected<charts::ShapeSeries>()) shape->setTransparent(transparent);
}

void ChartSeriesPart::BrushClick(int style)
{
    if (auto *shape = selected<charts::ShapeSeries>()) shape->setBrushStyle(style);
}

void ChartSeriesPart::ShapeFontClick()
{
    auto *shape = selected<charts::ShapeSeries>();
    if (!shape) return;
    charts::ChartFont font = shape->font();
    if (chooseFont(font)) shape->setFont(font);
}

void ChartSeriesPart::ShapeTextClick()
{
    auto *shape = selected<charts::ShapeSeries>();
    if (!shape) return;
    QStringList lines = shape->textLines();
    if (EditTextLines(lines, "Edit chart shape text", dialogs(), this)) shape->setTextLines(lines);
}

void ChartSeriesPart::ShapeBitmapClick()
{
    auto *shape = selected<charts::ShapeSeries>();
    if (!shape) return;
    const std::optional<QString> file = dialogs().openFile("Open", "Bitmaps (*.bmp)", m_bitmapDir);
    if (!file) return;
    m_bitmapDir = QFileInfo(*file).absolutePath();
    shape->clearBrushBitmap();
    QImageReader reader(*file, "bmp");
    const QImage bitmap = reader.read();
    if (bitmap.isNull())
        throw common::FileError("Cannot load bitmap \"" + file->toStdString() + "\". " +
                                reader.errorString().toStdString());
    shape->setBrushBitmap(bitmap);
}

void ChartSeriesPart::ClearBitmapClick()
{
    if (auto *shape = selected<charts::ShapeSeries>()) shape->clearBrushBitmap();
}

} // namespace app
