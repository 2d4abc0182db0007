#include "editing/FontDlg.h"

#include "codecs/PixelBuffer.h"
#include "editing/CustomColors.h"
#include "editing/DialogLook.h"
#include "imaging/Image32.h"
#include "render/LayerUtils.h"
#include "resources/StringTable.h"
#include "settings/ProgramKey.h"
#include "widgets/SystemColors.h"
#include "widgets/UPTFrame.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

TColor32 Opaque(const QColor& c)
{
    return 0xFF000000u | (c.rgb() & 0x00FFFFFFu);
}

} // namespace

TFontDlgFrm::TFontDlgFrm(QWidget* owner, const QString& keyPath) : TStreamPositionFrm(owner, keyPath)
{
    setObjectName(QStringLiteral("FontDlgFrm"));
    setWindowTitle(LoadStr(StrId::FontDlgCaption));
    UseDialogFont(this);

    PTFrame1 = new TPTGroup(this);
    PTFrame1->setObjectName(QStringLiteral("PTFrame1"));
    PTFrame1->SetCaption(LoadStr(StrId::FontDlgSample));
    ImgText = new TImage32(PTFrame1);
    ImgText->setObjectName(QStringLiteral("ImgText"));
    ImgText->setFixedSize(343, 64);
    ImgText->SetScaleMode(smNormal);
    ImgText->SetBitmapAlign(baTopLeft);
    ImgText->SetColor(SysColor(TSysColor::BtnFace, palette()));
    (new QVBoxLayout(PTFrame1))->addWidget(ImgText);

    PTFrame2 = new TPTGroup(this);
    PTFrame2->setObjectName(QStringLiteral("PTFrame2"));
    PTFrame2->SetCaption(LoadStr(StrId::FontDlgStyle));
    SpeedButton1 = new QToolButton(PTFrame2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(LoadStr(StrId::FontDlgFont));
    btnColor = new QToolButton(PTFrame2);
    btnColor->setObjectName(QStringLiteral("btnColor"));
    btnColor->setText(LoadStr(StrId::FontDlgColor));
    Label1 = new QLabel(LoadStr(StrId::FontDlgQuality), PTFrame2);
    Label1->setObjectName(QStringLiteral("Label1"));
    cbAAQuality = new QComboBox(PTFrame2);
    cbAAQuality->setObjectName(QStringLiteral("cbAAQuality"));
    for (StrId item : {StrId::FontDlgHighest, StrId::FontDlgMedium, StrId::FontDlgLow, StrId::FontDlgLowest,
                       StrId::FontDlgNone})
        cbAAQuality->addItem(LoadStr(item));
    cbAAQuality->setCurrentIndex(4);
    Label1->setBuddy(cbAAQuality);
    auto* style = new QHBoxLayout(PTFrame2);
    style->addWidget(SpeedButton1);
    style->addWidget(btnColor);
    style->addStretch();
    style->addWidget(Label1);
    style->addWidget(cbAAQuality);

    PTFrame3 = new TPTGroup(this);
    PTFrame3->setObjectName(QStringLiteral("PTFrame3"));
    PTFrame3->SetCaption(LoadStr(StrId::FontDlgLayerText));
    mmoText = new QPlainTextEdit(PTFrame3);
    mmoText->setObjectName(QStringLiteral("mmoText"));
    mmoText->setFixedSize(329, 57);
    mmoText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoText->setTabChangesFocus(true);
    mmoText->setAccessibleName(LoadStr(StrId::FontDlgLayerText));
    mmoText->installEventFilter(this);
    (new QVBoxLayout(PTFrame3))->addWidget(mmoText);

    btnOk = MakeOkButton(this, false);
    Button2 = MakeCancelButton(this, "Button2");
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(Button2);

    shpBG = new QFrame(this);
    shpBG->setObjectName(QStringLiteral("shpBG"));
    shpBG->setAutoFillBackground(true);
    shpBG->hide();

    auto* form = new QVBoxLayout(this);
    form->addWidget(PTFrame1);
    form->addWidget(PTFrame2);
    form->addWidget(PTFrame3);
    form->addStretch();
    form->addLayout(buttons);

    dlgFont = new QFontDialog(this);
    dlgFont->setObjectName(QStringLiteral("dlgFont"));
    dlgFont->setOption(QFontDialog::DontUseNativeDialog, true);
    dlgColor = new QColorDialog(this);
    dlgColor->setObjectName(QStringLiteral("dlgColor"));
    dlgColor->setOption(QColorDialog::DontUseNativeDialog, true);

    connect(SpeedButton1, &QToolButton::clicked, this, &TFontDlgFrm::SpeedButton1Click);
    connect(btnColor, &QToolButton::clicked, this, &TFontDlgFrm::btnColorClick);
    connect(mmoText, &QPlainTextEdit::textChanged, this, &TFontDlgFrm::mmoTextChange);
    connect(cbAAQuality, &QComboBox::currentIndexChanged, this, &TFontDlgFrm::cbAAQualityChange);
    connect(btnOk, &QPushButton::clicked, this, &TFontDlgFrm::btnOkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    // FormCreate: a checkerboard preview the size of its viewport, text in
    // the window-text colour, the custom colours from the application settings.
    TBitmap32& preview = ImgText->Bitmap();
    const TRect viewport = ImgText->GetViewportRect();
    preview.SetSize(viewport.Width(), viewport.Height());
    DrawCheckerboard(preview, false);
    preview.SetFontColor(SysColor(TSysColor::WindowText, palette()));
    LoadCustomColorsIntoDialog();

    // A fixed dialog border: the design size, or more if the font needs it.
    setFixedSize(sizeHint().expandedTo(QSize(377, 317)));
    mmoText->setFocus();
}

TFontDlgFrm::~TFontDlgFrm() = default;

TTextLayerChoice TFontDlgFrm::Choice() const
{
    TTextLayerChoice c;
    c.Text = mmoText->toPlainText();
    c.Font = ImgText->Bitmap().Font();
    c.TextColor = Opaque(ImgText->Bitmap().FontColor());
    c.Level = SmoothTextLevel(cbAAQuality->currentIndex());
    return c;
}

void TFontDlgFrm::SetChoice(const TTextLayerChoice& choice)
{
    ImgText->Bitmap().SetFont(choice.Font, QColor::fromRgb(choice.TextColor));
    {
        const QSignalBlocker quiet(cbAAQuality);
        cbAAQuality->setCurrentIndex(MaxSmoothTextLevel - std::clamp(choice.Level, 0, MaxSmoothTextLevel));
    }
    mmoText->setPlainText(choice.Text); // previews it
    mmoText->selectAll();
}

void TFontDlgFrm::SetPreviewBackground(const QColor& color)
{
    FBackground = color.isValid() ? QColor::fromRgb(color.rgb()) : QColor();
    QPalette p = shpBG->palette();
    p.setColor(QPalette::Window, color);
    shpBG->setPalette(p);
    RenderPreview(mmoText->toPlainText());
}

void TFontDlgFrm::RenderPreview(const QString& text)
{
    TBusyCursor busy;
    TBitmap32& preview = ImgText->Bitmap();
    if (FBackground.isValid())
        preview.Clear(Opaque(FBackground));
    else
        DrawCheckerboard(preview, false);
    DrawSmoothText(preview, 10, 10, text, SmoothTextLevel(cbAAQuality->currentIndex()),
                   Opaque(preview.FontColor()));
}

void TFontDlgFrm::mmoTextChange()
{
    const QString text = mmoText->toPlainText();
    btnOk->setEnabled(!text.isEmpty());
    RenderPreview(text);
}

void TFontDlgFrm::cbAAQualityChange()
{
    RenderPreview(mmoText->toPlainText());
}

void TFontDlgFrm::SpeedButton1Click()
{
    TBitmap32& preview = ImgText->Bitmap();
    dlgFont->setCurrentFont(preview.Font());
    if (dlgFont->exec() != QDialog::Accepted) return;
    // The font dialog has no say in the colour: the text keeps its colour.
    preview.SetFont(dlgFont->selectedFont(), preview.FontColor());
    RenderPreview(mmoText->toPlainText());
}

void TFontDlgFrm::btnColorClick()
{
    // The dialog opens on the text's colour, the one it changes.
    dlgColor->setCurrentColor(ImgText->Bitmap().FontColor());
    if (dlgColor->exec() != QDialog::Accepted) return;
    const QColor color = dlgColor->selectedColor();
    ImgText->Bitmap().SetFontColor(color);
    RenderPreview(mmoText->toPlainText());
}

void TFontDlgFrm::btnOkClick()
{
    const TTextLayerChoice c = Choice();
    const TBitmap32::TSize size = TextLayerSize(c.Text, c.Font);
    if (!TextLayerFits(size)) {
        const TImageLimits limits;
        QMessageBox::warning(this, windowTitle(),
                             LoadStr(StrId::FontDlgTooLarge)
                                 .arg(size.cx)
                                 .arg(size.cy)
                                 .arg(limits.MaxSide)
                                 .arg(limits.MaxPixels));
        return;
    }
    accept();
}

void TFontDlgFrm::FormDeactivate()
{
    StoreCustomColorsFromDialog();
}

void TFontDlgFrm::changeEvent(QEvent* event)
{
    TStreamPositionFrm::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) FormDeactivate();
}

void TFontDlgFrm::hideEvent(QHideEvent* event)
{
    // Closing the dialog deactivates it.
    FormDeactivate();
    TStreamPositionFrm::hideEvent(event);
}

bool TFontDlgFrm::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the memo does not break the line: it is the dialog's Enter.
    if (watched == mmoText && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (btnOk->isEnabled()) btnOk->click();
            return true;
        }
    }
    return TStreamPositionFrm::eventFilter(watched, event);
}

bool ExecuteTextLayerDialog(TTextLayerChoice& choice, QWidget* owner, const QColor& ground, bool filled)
{
    TBusyCursor busy;
    auto dialog = std::make_unique<TFontDlgFrm>(owner, DialogKey(QStringLiteral("Font")));
    dialog->SetPreviewBackground(ground);
    if (filled) dialog->SetChoice(choice);
    busy.Lift();
    const bool confirmed = dialog->exec() == QDialog::Accepted;
    busy.Set();
    if (confirmed) {
        const int turn = choice.Turn;
        choice = dialog->Choice();
        if (filled) choice.Turn = turn;
    }
    return confirmed;
}
