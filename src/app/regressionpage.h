// The page "Regression model": for the selected trees and one survey year at a time, the statistics
// of DBH, height and defoliation in a grid, any series drawn with its polynomial, more polynomials
// added and the equation of the last fit copied.
#pragma once

#include "app/dialogs.h"
#include "app/pagehost.h"
#include "stats/statistics.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace charts {
class Chart;
}

namespace app {

class UpDown;

class RegressionPage : public QWidget
{
    Q_OBJECT
public:
    // The series of the page: DBH, Height and DBH-Height of the year shown, then the freely chosen
    // pair; an entry is empty (null) when its series was not built or had too few points. Absent
    // while the page is not open.
    using Series = std::optional<std::vector<std::unique_ptr<stats::TStatistics>>>;

    RegressionPage(PageHost &host, Dialogs &dialogs, QWidget *parent = nullptr);
    ~RegressionPage() override;

    // Page entry: opens Query1 with the selected trees and shows the first survey year.
    void enter();
    // Leaving the page drops its series.
    void leave() { RegrStats.reset(); }
    Series &series() { return RegrStats; }
    // 1 ... YearCount: the year shown.
    int year() const { return RegrYear; }

    // Shows survey year k (1 ... YearCount): rebuilds the three fixed series and their grid rows,
    // drops the freely chosen pair and resets the choice of RG_series to "none".
    void ShowYear(int k);
    // Builds one fixed series from Query1 (at least 4 points with both values, else an empty entry)
    // and writes its grid row, and the Y statistics into YRow when YRow > 0.
    void AddSeries(const std::string &FX, const std::string &FY, int Row, double MisX, double MisY, int YRow,
                   const std::string &Name);
    // Writes v into the cell with `Digits` decimals and the user's decimal separator; the grid grows
    // to the row when needed.
    void PutNumber(int Col, int Row, int Digits, double v);
    void BtnFirstYearClick();
    void BtnLastYearClick();
    // An arrow of UpDownYear: +1 the next year, -1 the previous one, staying within the year list.
    void UpDownYearClick(int direction);
    // The choice of RG_series: clears the chart and draws the chosen series with its last fit;
    // "another" asks for the columns in TFormVars and the degree first.
    void RG_seriesClick();
    // Fits another degree to the series shown and adds its line. A degree outside 0 to 20 is refused
    // (common::ConvertError) and nothing changes.
    void BtnNewPolynomClick();
    // Shows the equation of the last fit and copies it unless the answer is No.
    void BtnEquationClick();
    void BtnPropertiesRegrClick();
    void BtnSave2Click();

private:
    // The index of the checked item of RG_series, 0 "none" to 4 "another".
    int regressionChoice() const;
    // The series of the chosen item of RG_series; nullptr when there is none to act on.
    stats::TStatistics *chosenRegression();
    // The pair chosen in TFormVars, computed and drawn ("another").
    void chooseAnotherSeries();
    // The degree typed in the input box, starting from the proposal.
    std::uint8_t askDegree(int proposal);
    void showDetermination(const stats::TStatistics &series);

    PageHost &m_host;
    WindowState &m_state;
    Dialogs &m_dialogs;
    DialogsSink m_sink;

    // SG_StatRes has a heading row and a heading column as its first row and column; RG_series holds
    // the radio buttons "none", "DBH", "height", "DBH-height", "another".
    QLabel *LabelYear;
    UpDown *UpDownYear;
    QToolButton *BtnFirstYear;
    QToolButton *BtnLastYear;
    QTableWidget *SG_StatRes;
    QGroupBox *RG_series;
    QButtonGroup *m_seriesButtons = nullptr;
    QPushButton *BtnPropertiesRegr;
    QPushButton *BtnNewPolynom;
    QPushButton *BtnEquation;
    QPushButton *BtnSave2;
    charts::Chart *ChartRegr;

    Series RegrStats;
    int RegrYear = 0;
};

} // namespace app
