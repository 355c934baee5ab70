// The "Graph parameters" dialog: colour, pen width and pen style of each model chart line, edited
// one line type at a time, and the uncertainty band of the model curves (on or off, its level),
// written into the Graph.ini settings by "Apply".
#pragma once

#include "common/graphsettings.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace app {

class Dialogs;

class TFormGraphParams : public QDialog
{
    Q_OBJECT
public:
    // Size of the line sample in pixels.
    static constexpr int kSampleWidth = 57;
    static constexpr int kSampleHeight = 22;

    // GraphSettings are the name=value lines of Graph.ini; the dialog keeps the reference, reads the
    // chosen line type's settings from it and writes them back only on "Apply": viewing a line and
    // "Close" leave the settings as they were. The dialog opens on "model0". The parent is the window
    // the dialog is centred on.
    TFormGraphParams(std::vector<std::string> &GraphSettings, Dialogs &dialogs, QWidget *parent = nullptr);

    // Loads the first line type; "Apply" starts enabled.
    void FormCreate();
    // Loads the newly chosen line type, dropping unapplied edits of the previous one.
    void CBlinetypeChange();
    // Takes the width, the pen style or a colour chosen in the colour dialog as an unapplied edit.
    void EditWidthChange();
    void CBstyleChange();
    void BtnColorClick();
    // Takes the band's on/off or level as an unapplied edit; the level is editable only while on.
    void CBbandClick();
    void EditBandLevelChange();
    // Stores LC, LS and LW of the chosen line type, in this order, replacing or appending each line;
    // then BandOn and BandLevel, only when the band was edited since it was last stored or loaded.
    void BtnApplyClick();

    // The colour, width and style being edited.
    const common::LineSettings &lineSettings() const { return m_line; }
    // The band as the dialog shows it.
    const common::BandLook &bandLook() const { return m_band; }

    QComboBox *CBlinetype;
    QLabel *Image1; // holds the drawn sample as its pixmap
    QSpinBox *EditWidth;
    QPushButton *BtnColor;
    QComboBox *CBstyle;
    QPushButton *BtnApply;
    QPushButton *BtnClose;

private:
    // Object and accessible names "CBband" / "Uncertainty band" and "EditBandLevel" / "Band level".
    QCheckBox *CBband;
    QDoubleSpinBox *EditBandLevel;

    // Shows the stored band; a stored value that does not convert is reported through the dialogs
    // and the defaults (off, 0.95) are shown instead.
    void LoadBandLook();
    // Reads colour, width and style of the chosen line type without storing anything (missing ones
    // show the model chart's defaults, model::ModelLineDefaults), shows them and redraws the sample.
    // A width or style that is not a decimal integer is reported through the dialogs and ends the
    // reading: that value and those not yet read are shown with their defaults. Does not throw a
    // conversion error.
    void LoadLineSettings();
    // Draws the current line across Image1 on a white background.
    void DrawLineSample();
    std::string lineType() const;

    std::vector<std::string> &m_settings;
    Dialogs &m_dialogs;
    common::LineSettings m_line;
    common::BandLook m_band;
    bool m_bandEdited = false;
};

} // namespace app
