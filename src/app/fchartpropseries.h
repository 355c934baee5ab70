// The series list of the "Chart properties" dialog and its menu: one command per property of a
// series, the conversion of points to arrows, and deleting a series.
#pragma once

#include "app/fchartproppart.h"

#include <array>

class QAction;
class QListWidget;
class QMenu;

namespace app {

class ChartSeriesPart : public ChartPropPart
{
public:
    ChartSeriesPart(ChartPropContext &context, QWidget *parent);

    // Rebuilds the list and detaches the series menu.
    void showChart(const charts::Chart &chart) override;
    // Whether the series menu opens on the list now.
    bool popupAttached() const { return m_popupAttached; }

private:
    // Selecting an entry attaches the series menu to the list.
    void ListSeriesClick();
    // Every command acts on the series of the selected list entry and does nothing without one.
    // Before the menu opens: shows the submenu of the selected series' kind with its check marks.
    void PopupSeriesPopup();
    void Rename1Click();
    void ActiveClick(bool active);
    void ShowInLegendClick(bool show);
    void Color1Click();
    void LineStyleClick(int style);
    void LineWidthClick();
    void PointStyleClick(int style);
    void HorizontalSizeClick();
    void VerticalSizeClick();
    // Asks origin, multiplier and line width, then replaces the point series by an arrow series with
    // one arrow per point, from the origin towards the point, listed last.
    void Pointtoarrow1Click();
    void ArrowWidthClick();
    void ArrowSizeClick();
    // Multiplies the current lengths: multipliers accumulate.
    void LengthMultiplierClick();
    void TransparentClick(bool transparent);
    void BrushClick(int style);
    void ShapeFontClick();
    void ShapeTextClick();
    // A bitmap file for the shape's brush; one that cannot be read leaves the brush without a bitmap
    // and throws common::FileError.
    void ShapeBitmapClick();
    void ClearBitmapClick();
    // Removes the series from the chart and its entry from the list; the menu is inert until another
    // entry is selected.
    void Delete1Click();

    void createControls();
    void createSeriesMenu();
    void connectControls();
    void connectSeriesMenu();
    void fillList(const charts::Chart &chart);
    // The series of the selected entry, or nullptr (the index in *index).
    charts::Series *selectedSeries(int *index = nullptr) const;
    template <class S> S *selected(int *index = nullptr) const
    {
        return dynamic_cast<S *>(selectedSeries(index));
    }
    int askInteger(const QString &caption, const QString &prompt, int current);

    QListWidget *ListSeries;
    QMenu *PopupSeries;
    QAction *Rename1;
    QAction *ActiveYes;
    QAction *ActiveNo;
    QAction *LegendYes;
    QAction *LegendNo;
    QAction *Color1;
    QMenu *LineSeries1;
    std::array<QAction *, 7> LineStyles{};
    QAction *LineWidth1;
    QMenu *PointSeries1;
    std::array<QAction *, 9> PointStyles{};
    QAction *HorizontalSize1;
    QAction *VerticalSize1;
    QAction *Pointtoarrow1;
    QMenu *ArrowSeries1;
    QAction *ArrowWidth1;
    QAction *ArrowSize1;
    QAction *LengthMultiplier1;
    QMenu *ChartShape1;
    QAction *TransparentYes;
    QAction *TransparentNo;
    std::array<QAction *, 8> Brushes{};
    QAction *ShapeFont1;
    QAction *ShapeText1;
    QAction *ShapeBitmap1;
    QAction *ClearBitmap1;
    QAction *Delete1;

    bool m_popupAttached = false;
    QString m_bitmapDir;
};

} // namespace app
