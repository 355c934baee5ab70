// The "Variables" dialog of the regression page.
#include "app/fvars.h"

#include "app/named.h"
#include "common/error.h"
#include "data/database.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

std::string chosenItem(const QListWidget *list)
{
    const auto chosen = list->selectedItems();
    return chosen.isEmpty() ? std::string() : chosen.first()->text().toStdString();
}

} // namespace

TFormVars::TFormVars(QWidget *parent) : QDialog(parent)
{
    setObjectName("FormVars");
    setWindowTitle("Variables");

    auto *labelX = named<QLabel>("LabelX", "Independent (X)");
    auto *labelY = named<QLabel>("LabelY", "Dependent (Y)");
    auto *labelMissing = named<QLabel>("LabelMissing", "Missing values");
    ListBoxX = named<QListWidget>("ListBoxX");
    ListBoxY = named<QListWidget>("ListBoxY");
    EditMisX = named<QLineEdit>("EditMisX");
    EditMisY = named<QLineEdit>("EditMisY");
    CBlogX = named<QCheckBox>("CBlogX", "LOG transformation");
    CBlogY = named<QCheckBox>("CBlogY", "LOG transformation");
    BtnOK = named<QPushButton>("BtnOK", "OK");
    BtnCancel = named<QPushButton>("BtnCancel", "Cancel");
    BtnOK->setDefault(true);

    // Each list and edit is known by the label above it; the two check boxes share their caption
    // and are told apart by their description.
    nameAfter(ListBoxX, labelX);
    nameAfter(ListBoxY, labelY);
    EditMisX->setAccessibleName("Missing values (X)");
    EditMisY->setAccessibleName("Missing values (Y)");
    CBlogX->setAccessibleDescription(labelX->text());
    CBlogY->setAccessibleDescription(labelY->text());
    for (QListWidget *list : {ListBoxX, ListBoxY}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setFixedSize(160, 180);
    }

    auto *grid = new QGridLayout;
    grid->addWidget(labelX, 0, 0);
    grid->addWidget(labelY, 0, 1);
    grid->addWidget(ListBoxX, 1, 0);
    grid->addWidget(ListBoxY, 1, 1);
    grid->addWidget(labelMissing, 2, 0, 1, 2);
    grid->addWidget(EditMisX, 3, 0);
    grid->addWidget(EditMisY, 3, 1);
    grid->addWidget(CBlogX, 4, 0);
    grid->addWidget(CBlogY, 4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    // A fixed size: the dialog cannot be resized.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormVars::setColumns(const std::vector<std::string> &names)
{
    ListBoxX->clear();
    ListBoxY->clear();
    for (const std::string &name : names) {
        ListBoxX->addItem(QString::fromStdString(name));
        ListBoxY->addItem(QString::fromStdString(name));
    }
}

VarsChoice TFormVars::choice() const
{
    VarsChoice c;
    c.x = chosenItem(ListBoxX);
    c.y = chosenItem(ListBoxY);
    if (c.x.empty() || c.y.empty())
        throw common::Error("Choose a column in both lists: Independent (X) and Dependent (Y)");
    c.logX = CBlogX->isChecked();
    c.logY = CBlogY->isChecked();
    c.missingX = EditMisX->text().toStdString();
    c.missingY = EditMisY->text().toStdString();
    return c;
}

bool FillVars(TFormVars &dialog, const data::Query &query)
{
    const std::vector<std::string> names = query.fieldNames();
    dialog.setColumns(names);
    return !names.empty();
}

} // namespace app
