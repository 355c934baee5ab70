// The "Graph parameters" dialog.
#include "app/fgraphparams.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "charts/modelchart.h"
#include "charts/series.h"
#include "common/error.h"
#include "model/modelchart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace app {

namespace {

constexpr int kMinWidth = 1;
constexpr int kMaxWidth = 20;

} // namespace

TFormGraphParams::TFormGraphParams(std::vector<std::string> &GraphSettings, Dialogs &dialogs, QWidget *parent)
    // A parented dialog is centred on its parent when shown.
    : QDialog(parent), m_settings(GraphSettings), m_dialogs(dialogs)
{
    setObjectName("FormGraphParams");
    setWindowTitle("Graph parameters");

    CBlinetype = new QComboBox(this);
    CBlinetype->setObjectName("CBlinetype");
    CBlinetype->setEditable(false);
    for (const char *type : common::kLineTypes)
        CBlinetype->addItem(QString::fromLatin1(type));
    CBlinetype->setCurrentIndex(0);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setFixedSize(kSampleWidth, kSampleHeight);

    EditWidth = new QSpinBox(this);
    EditWidth->setObjectName("EditWidth");
    EditWidth->setRange(kMinWidth, kMaxWidth);
    EditWidth->setValue(1);

    BtnColor = new QPushButton("Color", this);
    BtnColor->setObjectName("BtnColor");

    CBstyle = new QComboBox(this);
    CBstyle->setObjectName("CBstyle");
    CBstyle->setEditable(false);
    for (const char *style : common::kPenStyleNames)
        CBstyle->addItem(QString::fromLatin1(style));
    CBstyle->setCurrentIndex(0);

    CBband = new QCheckBox("Uncertainty band", this);
    CBband->setObjectName("CBband");
    CBband->setAccessibleName("Uncertainty band");
    CBband->setToolTip(QStringLiteral("A translucent band around each model curve: the central share of "
                                      "1000 transition matrices redrawn from the trees' counts, projected "
                                      "as the model is. ") +
                       QString::fromUtf8(model::kBandSameMoveNote));
    EditBandLevel = new QDoubleSpinBox(this);
    EditBandLevel->setObjectName("EditBandLevel");
    EditBandLevel->setAccessibleName("Band level");
    // The level as a share: 0.95 keeps the central 95 % of the draws.
    EditBandLevel->setDecimals(2);
    EditBandLevel->setRange(0.01, 0.99);
    EditBandLevel->setSingleStep(0.05);
    EditBandLevel->setValue(m_band.level);
    EditBandLevel->setEnabled(false);

    BtnApply = new QPushButton("Apply", this);
    BtnApply->setObjectName("BtnApply");
    BtnClose = new QPushButton("Close", this);
    BtnClose->setObjectName("BtnClose");
    BtnClose->setDefault(true);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel("Line", this), 0, 0);
    grid->addWidget(CBlinetype, 0, 1);
    grid->addWidget(Image1, 0, 2, Qt::AlignCenter);
    grid->addWidget(new QLabel("Width", this), 1, 0);
    grid->addWidget(EditWidth, 1, 1);
    grid->addWidget(BtnColor, 1, 2);
    grid->addWidget(new QLabel("Style", this), 2, 0);
    grid->addWidget(CBstyle, 2, 1);
    grid->addWidget(CBband, 3, 0, 1, 2);
    grid->addWidget(new QLabel("Level", this), 4, 0);
    grid->addWidget(EditBandLevel, 4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnApply);
    buttons->addWidget(BtnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    // Each box is known by the label before it.
    CBlinetype->setAccessibleName("Line");
    EditWidth->setAccessibleName("Width");
    CBstyle->setAccessibleName("Style");

    auto guarded = [this](void (TFormGraphParams::*handler)()) {
        return [this, handler] { runGuarded(m_dialogs, [this, handler] { (this->*handler)(); }); };
    };
    connect(CBlinetype, &QComboBox::currentIndexChanged, this, guarded(&TFormGraphParams::CBlinetypeChange));
    connect(EditWidth, &QSpinBox::valueChanged, this, guarded(&TFormGraphParams::EditWidthChange));
    connect(BtnColor, &QPushButton::clicked, this, guarded(&TFormGraphParams::BtnColorClick));
    connect(CBstyle, &QComboBox::currentIndexChanged, this, guarded(&TFormGraphParams::CBstyleChange));
    connect(CBband, &QCheckBox::toggled, this, guarded(&TFormGraphParams::CBbandClick));
    connect(EditBandLevel, &QDoubleSpinBox::valueChanged, this,
            guarded(&TFormGraphParams::EditBandLevelChange));
    connect(BtnApply, &QPushButton::clicked, this, guarded(&TFormGraphParams::BtnApplyClick));
    // Closing keeps the dialog as it is, unapplied edits included, for the next time it is shown.
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);

    runGuarded(m_dialogs, [this] { FormCreate(); });
}

void TFormGraphParams::FormCreate()
{
    LoadLineSettings();
    LoadBandLook();
    BtnApply->setEnabled(true);
}

void TFormGraphParams::CBlinetypeChange()
{
    LoadLineSettings();
    // A band edit is not of the line type: it stays to be applied.
    BtnApply->setEnabled(m_bandEdited);
}

void TFormGraphParams::CBbandClick()
{
    m_band.on = CBband->isChecked();
    EditBandLevel->setEnabled(m_band.on);
    m_bandEdited = true;
    BtnApply->setEnabled(true);
}

void TFormGraphParams::EditBandLevelChange()
{
    m_band.level = EditBandLevel->value();
    m_bandEdited = true;
    BtnApply->setEnabled(true);
}

void TFormGraphParams::LoadBandLook()
{
    std::optional<QString> error;
    try {
        m_band = common::ReadBandLook(m_settings);
    } catch (const common::ConvertError &e) {
        m_band = {};
        error = QString::fromUtf8(e.what());
    }
    {
        // Showing the stored band is not an edit.
        const QSignalBlocker blockBand(CBband);
        const QSignalBlocker blockLevel(EditBandLevel);
        CBband->setChecked(m_band.on);
        EditBandLevel->setValue(m_band.level);
        EditBandLevel->setEnabled(m_band.on);
    }
    // The spin box rounds to its range and two decimals: what it shows is what "Apply" would store.
    m_band.level = EditBandLevel->value();
    m_bandEdited = false;
    if (error) m_dialogs.error(*error);
}

void TFormGraphParams::EditWidthChange()
{
    m_line.width = EditWidth->value();
    DrawLineSample();
    BtnApply->setEnabled(true);
}

void TFormGraphParams::BtnColorClick()
{
    const std::optional<QColor> chosen = m_dialogs.colour(charts::toQColor(m_line.color));
    if (!chosen) return;
    m_line.color = charts::toLineColor(*chosen);
    DrawLineSample();
    BtnApply->setEnabled(true);
}

void TFormGraphParams::CBstyleChange()
{
    m_line.style = CBstyle->currentIndex();
    DrawLineSample();
    BtnApply->setEnabled(true);
}

void TFormGraphParams::BtnApplyClick()
{
    common::StoreLineSettings(m_settings, lineType(), m_line);
    if (m_bandEdited) common::StoreBandLook(m_settings, m_band);
    m_bandEdited = false;
    BtnApply->setEnabled(false);
}

void TFormGraphParams::LoadLineSettings()
{
    // Showing a line changes nothing: a key the file lacks shows what the model chart draws without
    // it. Colour, width, style: the values read before a bad one are kept.
    const std::string type = lineType();
    common::LineSettings line = model::ModelLineDefaults(type);
    std::optional<QString> error;
    try {
        common::PeekLineSettings(m_settings, type, line);
    } catch (const common::ConvertError &e) {
        error = QString::fromUtf8(e.what());
    }

    // The dialog shows (and would apply) a whole line of the chosen type, never a mixture with the
    // type shown before.
    m_line = line;
    {
        // Showing the stored values is not an edit: it must not enable "Apply".
        const QSignalBlocker blockWidth(EditWidth);
        const QSignalBlocker blockStyle(CBstyle);
        EditWidth->setValue(m_line.width);
        CBstyle->setCurrentIndex(m_line.style);
    }
    DrawLineSample();
    if (error) m_dialogs.error(*error);
}

void TFormGraphParams::DrawLineSample()
{
    QImage sample(kSampleWidth, kSampleHeight, QImage::Format_RGB32);
    sample.fill(Qt::white);
    QPen pen(charts::toQColor(m_line.color), std::max(m_line.width, 1),
             charts::penStyleFromIndex(m_line.style));
    // Flat ends keep a wide line between the two end points, as wide as the sample allows.
    pen.setCapStyle(Qt::FlatCap);
    {
        QPainter painter(&sample);
        painter.setPen(pen);
        const int middle = kSampleHeight / 2;
        painter.drawLine(1, middle, kSampleWidth - 2, middle);
    }
    Image1->setPixmap(QPixmap::fromImage(sample));
}

std::string TFormGraphParams::lineType() const
{
    return CBlinetype->currentText().toStdString();
}

} // namespace app
