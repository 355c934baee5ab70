// The "Chart properties" dialog: restyles a chart of the main window at once as the user changes a
// control (title, both axes, border, colour, bevel, legend), changes its series through the series
// list's menu, and saves and loads the chart-level look as a chart settings file.
//
// One instance lives as long as the main window. It is not modal and stays on top; the main window
// points it at a chart (ShowChartProperties) and it rereads that chart every time it becomes the
// active window, so it always matches a chart that was redrawn meanwhile.
#pragma once

#include "charts/chart.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <map>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace app {

class Dialogs;

class TFormChartProp : public QDialog
{
    Q_OBJECT
public:
    explicit TFormChartProp(Dialogs &dialogs, QWidget *parent = nullptr);
    ~TFormChartProp() override;

    // The chart the dialog works on; the dialog owns nothing of it and forgets it when it is destroyed.
    void setTarget(charts::Chart *chart);
    charts::Chart *target() const { return m_chart; }

    // The refresh: fills every control from the target chart, rebuilds the series list and detaches the
    // series menu. Without a target: closes and warns "No initialization of the form".
    void FormActivate();

    // Control handlers: each applies one property to the target chart. Numbers are read with the
    // user's decimal separator; a text that is not one throws common::ConvertError, and a value the
    // axis refuses throws its common::Error: the chart then keeps its value.
    void MemoTitleExit();
    void CB_TitleVisibleClick();
    void BtnTitleFontClick();
    void CB_TitleAlignmentChange();
    void CB_AutomaticClick(charts::AxisId axis);
    void EditMinExit(charts::AxisId axis);
    void EditMaxExit(charts::AxisId axis);
    void EditIncrementExit(charts::AxisId axis);
    void EditFormatExit(charts::AxisId axis);
    void BtnLabelsFontClick(charts::AxisId axis);
    void EditTitleExit(charts::AxisId axis);
    void BtnTitleFontClick(charts::AxisId axis);
    void CB_GridClick(charts::AxisId axis);
    void CB_BorderClick();
    void BtnColorClick();
    void CB_LegendClick();
    void BtnLegendFontClick();
    // On every change of the text; an empty text changes nothing.
    void EditColorWidthChange();
    // Ticked: the bevel width steps 1, 2, 3, 4, 5, 1, ... with the outer bevel raised; unticked: none.
    void CB_bevelClick();
    // Selecting an entry attaches the series menu to the list.
    void ListSeriesClick();
    // The chart settings file: a save dialog, then the chart's settings written whole; an open
    // dialog, then LoadChartSettings. Errors are thrown (common::FileError, common::Error).
    void BtnSaveClick();
    void BtnLoadClick();
    // Applies the file to the target chart (all of it or, when it is refused, nothing), then refreshes.
    void LoadChartSettings(const QString &file);

    // The series menu (fchartpropseries.cpp). Every command acts on the series of the selected list
    // entry and does nothing without one.
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

    // Whether the series menu opens on the list now.
    bool popupAttached() const { return m_popupAttached; }

    // Title.
    QPlainTextEdit *MemoTitle;
    QCheckBox *CB_TitleVisible;
    QPushButton *BtnTitleFont;
    QComboBox *CB_TitleAlignment;
    // Left and bottom axis.
    QCheckBox *CB_LeftAutomatic;
    QLineEdit *EditLeftMin;
    QLineEdit *EditLeftMax;
    QLineEdit *EditLeftIncrement;
    QLineEdit *EditLeftFormat;
    QPushButton *BtnLeftLFont;
    QLineEdit *EditLeftTitle;
    QPushButton *BtnLeftTFont;
    QCheckBox *CB_LeftGrid;
    QCheckBox *CB_BottomAutomatic;
    QLineEdit *EditBottomMin;
    QLineEdit *EditBottomMax;
    QLineEdit *EditBottomIncrement;
    QLineEdit *EditBottomFormat;
    QPushButton *BtnBottomLFont;
    QLineEdit *EditBottomTitle;
    QPushButton *BtnBottomTFont;
    QCheckBox *CB_BottomGrid;
    // Chart.
    QCheckBox *CB_Border;
    QPushButton *BtnColor;
    QCheckBox *CB_bevel;
    // Legend.
    QCheckBox *CB_Legend;
    QPushButton *BtnLegendFont;
    QLineEdit *EditColorWidth;
    // Series and buttons.
    QListWidget *ListSeries;
    QPushButton *BtnLoad;
    QPushButton *BtnSave;
    QPushButton *BtnClose;

    // The series menu and its commands.
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

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct AxisControls
    {
        QCheckBox *automatic;
        QLineEdit *minimum;
        QLineEdit *maximum;
        QLineEdit *increment;
        QLineEdit *format;
        QPushButton *labelsFont;
        QLineEdit *title;
        QPushButton *titleFont;
        QCheckBox *grid;
    };

    void createControls();
    QWidget *createAxisGroup(const QString &caption, charts::AxisId axis);
    void createSeriesMenu();
    void connectControls();
    void connectSeriesMenu();
    // Runs the handler under the central error handler when the edit or memo is left.
    void onLeaving(QWidget *control, std::function<void()> handler);
    void guard(const std::function<void()> &handler);

    // The target chart; throws common::Error when there is none.
    charts::Chart &chart() const;
    AxisControls &controls(charts::AxisId axis) { return m_axes[axis == charts::AxisId::Left ? 0 : 1]; }
    void showAxis(charts::AxisId axis);
    void showAxisRange(charts::AxisId axis);
    void applyRangeValue(charts::AxisId axis, const std::function<void()> &apply);
    void fillSeriesList();
    // A number typed in an edit or an input box, with the user's decimal separator.
    double readReal(const QString &text) const;
    QString realText(double value) const;
    // The font dialog preset with the font; the chosen one keeps the colour.
    bool chooseFont(charts::ChartFont &font);

    // The series of the selected entry, or nullptr (the index in *index).
    charts::Series *selectedSeries(int *index = nullptr) const;
    template <class S> S *selected(int *index = nullptr) const
    {
        return dynamic_cast<S *>(selectedSeries(index));
    }
    int askInteger(const QString &caption, const QString &prompt, int current);
    QString seriesCaption(const QString &kind, int index, const charts::Series &series) const;

    Dialogs &m_dialogs;
    QPointer<charts::Chart> m_chart;
    std::array<AxisControls, 2> m_axes{};
    std::map<QObject *, std::function<void()>> m_leaving;
    bool m_popupAttached = false;
    bool m_refreshing = false;
    QString m_settingsDir;
    QString m_bitmapDir;
};

} // namespace app
