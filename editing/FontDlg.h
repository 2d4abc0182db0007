// TFontDlgFrm: "New Text Layer", the dialog in which the user writes the
// text of a text layer and picks its font, colour and anti-aliasing quality,
// with a live preview.
//
// The wizard page's "New Text Layer..." command uses it like this:
//
//     if (!EnsureFaceImage(view)) return;
//     TTextLayerChoice choice;
//     if (ExecuteTextLayerDialog(choice, this, <the face's colour at the view's centre>)) {
//         if (Step == 2) choice.Turn = 3; // side text reads along the side
//         if (TBitmapTextLayer* layer = AddTextLayerFrom(view, choice)) {
//             <wire the layer click, select it, record the step>
//         }
//     }
//
// "Edit Text..." runs it filled with a text layer's parameters and redraws
// the layer from what it hands back.
//
// ExecuteTextLayerDialog returns true only for a text whose layer fits the
// image limits: OK on a text too large shows one warning and keeps the
// dialog open. The preview itself never complains; it draws what it can see.
#pragma once

#include "editing/TextLayer.h"
#include "settings/FormStreamPosition.h"

#include <QColor>

class QColorDialog;
class QComboBox;
class QFontDialog;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TImage32;
class TPTGroup;

class TFontDlgFrm : public TStreamPositionFrm {
    Q_OBJECT
public:
    // Made with the position key of the caller, DialogKey("Font").
    TFontDlgFrm(QWidget* owner, const QString& keyPath);
    ~TFontDlgFrm() override;

    // The memo's text, the preview font, its colour (opaque) and the level.
    TTextLayerChoice Choice() const;
    // Fills the dialog with what a text layer was drawn from.
    void SetChoice(const TTextLayerChoice& choice);
    // The colour of the hidden swatch shpBG: the preview's background, the
    // face's colour where the text goes; invalid while the preview shows a
    // checkerboard.
    QColor PreviewBackground() const { return FBackground; }
    // The text is previewed on this face colour (opaque).
    void SetPreviewBackground(const QColor& color);

    // Clears the preview to the swatch colour (or the checkerboard) and draws
    // the text at (10, 10) in the preview font, its colour and the chosen
    // quality, blended as the layer is on the face.
    void RenderPreview(const QString& text);

    TPTGroup* PTFrame1;
    TImage32* ImgText;
    TPTGroup* PTFrame2;
    QToolButton* SpeedButton1;
    QToolButton* btnColor;
    QLabel* Label1;
    QComboBox* cbAAQuality;
    TPTGroup* PTFrame3;
    QPlainTextEdit* mmoText;
    QPushButton* btnOk;
    QPushButton* Button2;
    QFrame* shpBG;
    QFontDialog* dlgFont;
    QColorDialog* dlgColor;

protected:
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SpeedButton1Click();
    void btnColorClick();
    void mmoTextChange();
    void cbAAQualityChange();
    void btnOkClick();
    void FormDeactivate();

    QColor FBackground;
};

// Runs "New Text Layer" with its position kept under Dialogs\Font\ of the
// program key, the busy cursor shown while it is made and destroyed. True
// when the user confirmed with OK; choice then holds what was chosen. With
// filled the dialog starts from choice (a text layer being edited); the
// preview shows the text on ground, or on a checkerboard without one.
bool ExecuteTextLayerDialog(TTextLayerChoice& choice, QWidget* owner = nullptr, const QColor& ground = QColor(),
                            bool filled = false);
