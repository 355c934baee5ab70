// The about box "Program info": the program's name, description, version and copyright from the
// version information compiled into it, the contact lines with the link to the project's issue tracker
// (left out when the build names none), and the full list of version entries behind "More Info >>".
#pragma once

#include <QDialog>
#include <QString>

#include <utility>
#include <vector>

class QLabel;
class QLayout;
class QPlainTextEdit;
class QPushButton;

namespace app {

class Dialogs;

class TFormInfo : public QDialog
{
    Q_OBJECT
public:
    using VersionEntries = std::vector<std::pair<QString, QString>>;

    // pixelsPerInch scales the box's heights (248 and 392 pixels at 96).
    TFormInfo(Dialogs &dialogs, int pixelsPerInch, QWidget *parent = nullptr);

    // The compiled-in version information, all ten keys in order.
    static VersionEntries compiledVersionInfo();

    // Fills the labels and Memo1 from the entries (key, value); an entry with an empty value counts
    // as missing. BtnMore shows only when at least one entry was listed.
    void fillVersionInfo(const VersionEntries &entries);

    // Shows or hides the version list, with the box's height and the button's caption.
    void BtnMoreClick();
    // The contact lines: "Questions and comments:" and the address, both hidden for an empty address.
    void setContactAddress(const QString &address);
    // Opens LblAddress: a web address as it is, an e-mail address as a mail with the subject
    // "<LblTitle>: User request".
    void LblAddressClick();

    // A size designed at 96 pixels per inch on this screen, fraction cut off.
    int scaled(int designPixels) const { return m_pixelsPerInch * designPixels / 96; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The icon and the texts beside it; the buttons and the version list below.
    QLayout *createTexts();
    QLayout *createButtons();
    void setBoxHeight(int designHeight);

    QLabel *ProgramIcon;
    QLabel *LblTitle;
    QLabel *LblComment;
    QLabel *LblVersion;
    QLabel *LblCopyright;
    QLabel *LblContact;
    QLabel *LblAddress;
    QPushButton *BtnOK;
    QPushButton *BtnMore;
    QPlainTextEdit *Memo1;

    Dialogs &m_dialogs;
    int m_pixelsPerInch;
};

} // namespace app
