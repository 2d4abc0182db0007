// TNewImageFrm: asks for the size and background colour of a blank face
// image. The caller sets the caption (and, if it likes, the sizes), shows it
// modally and on OK reads udWidth and udHeight positions and BackgroundColor().
#pragma once

#include "settings/FormStreamPosition.h"

#include <QColor>

class QColorDialog;
class QFrame;
class QLabel;
class QPushButton;
class TDigitEdit;
class TPTGroup;
class TUpDown;

class TNewImageFrm : public TStreamPositionFrm {
    Q_OBJECT
public:
    // Made with the position key of the caller, DialogKey("New Image").
    TNewImageFrm(QWidget* owner, const QString& keyPath);
    // Hands the colour dialog's custom colours back to the application settings.
    ~TNewImageFrm() override;

    // The brush colour of shpBg: the chosen background.
    QColor BackgroundColor() const { return FBackground; }
    void SetBackgroundColor(const QColor& color);

    TPTGroup* PTFrame1;
    QLabel* Label2;
    TDigitEdit* txtHeight;
    TUpDown* udHeight;
    QLabel* Label3;
    QLabel* Label1;
    TDigitEdit* txtWidth;
    TUpDown* udWidth;
    QLabel* Label4;
    TPTGroup* PTFrame2;
    QFrame* shpBg;
    QPushButton* Button1;
    QPushButton* btnOk;
    QPushButton* Button3;
    QColorDialog* dlgColor;

private:
    void txtHeightChange();
    void Button1Click();

    QColor FBackground = Qt::white;
};
