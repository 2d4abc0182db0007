// TInputDlgFrm: one line of text under a prompt with an icon; InputValue runs
// it. ShowFileNameState shows a file name in an edit coloured by whether the
// file exists.
#pragma once

#include "settings/FormStreamPosition.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The icons InputValue can show, by index; each is a picture of the
// program's art under this name.
enum TInputIcon {
    iiFolderClose = 0, iiFolderOpen, iiSearch, iiUnknownFile, iiScript, iiPassword,
    iiUserName, iiServer, iiFirewall, iiMyComputer, iiInfo
};
constexpr int kInputIconCount = 11;
// "FOLDER_CLOSE" ... "INFO"; empty for an index outside 0 .. 10.
QString InputIconName(int index);

class TInputDlgFrm : public TStreamPositionFrm {
    Q_OBJECT
public:
    TInputDlgFrm(QWidget* owner, const QString& keyPath);

    QLabel* Image1;
    QLabel* lblPrompt;
    QLineEdit* txtValue;
    QFrame* Bevel1;
    QPushButton* btnOk;
    QPushButton* Button2;

private:
    void txtValueChange();
};

// Shows the input dialog (position kept under keyPath) with the caption,
// prompt, icon (0 .. 10, see TInputIcon; others keep the designed picture)
// and value as its text. On OK, value := the text as typed and the result is
// true; on Cancel value is left alone.
bool InputValue(const QString& caption, const QString& prompt, const QString& keyPath, int icon, QString& value);

// The edit shows name in the window-text colour when a file of that name
// exists or the name is empty, else in the application-workspace colour.
void ShowFileNameState(QLineEdit* edit, const QString& name);
