// The "Variables" dialog of the regression page: the two columns of a freely chosen series, their
// missing values and whether each is taken as its base-10 logarithm. Created afresh for every use,
// so nothing typed survives from one use to the next.
#pragma once

#include "model/regressionseries.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace data {
class Query;
}

namespace app {

// What the dialog was confirmed with: the columns of the series and their missing values, the edits'
// texts as typed (an empty text keeps the series' default).
struct VarsChoice : model::SeriesColumns
{
    std::string missingX;
    std::string missingY;
};

class TFormVars : public QDialog
{
    Q_OBJECT
public:
    // Without a parent the dialog is centred on the screen.
    explicit TFormVars(QWidget *parent = nullptr);

    // Puts the names into both lists, in order, with no item selected.
    void setColumns(const std::vector<std::string> &names);
    // The chosen columns and settings; throws common::Error when either list has no chosen item.
    VarsChoice choice() const;

private:
    QListWidget *ListBoxX;
    QListWidget *ListBoxY;
    QLineEdit *EditMisX;
    QLineEdit *EditMisY;
    QCheckBox *CBlogX;
    QCheckBox *CBlogY;
    QPushButton *BtnOK;
    QPushButton *BtnCancel;
};

// Fills both lists of the dialog with the column names of the query, in the query's column order;
// false, with the lists empty, when it has none.
bool FillVars(TFormVars &dialog, const data::Query &query);

} // namespace app
