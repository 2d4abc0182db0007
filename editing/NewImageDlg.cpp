#include "editing/NewImageDlg.h"

#include "editing/CustomColors.h"
#include "editing/DialogLook.h"
#include "editing/UpDown.h"
#include "resources/StringTable.h"
#include "widgets/UPTFrame.h"

#include <QColorDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// One "label  [edit][arrows]  pixels" row of the dimensions frame.
void AddSizeRow(QGridLayout* grid, int row, QLabel* label, TDigitEdit* edit, TUpDown* upDown, QLabel* unit)
{
    auto* field = new QHBoxLayout();
    field->setSpacing(0);
    field->addWidget(edit);
    field->addWidget(upDown);
    grid->addWidget(label, row, 0);
    grid->addLayout(field, row, 1);
    grid->addWidget(unit, row, 2);
}

} // namespace

TNewImageFrm::TNewImageFrm(QWidget* owner, const QString& keyPath) : TStreamPositionFrm(owner, keyPath)
{
    setObjectName(QStringLiteral("NewImageFrm"));
    setWindowTitle(LoadStr(StrId::NewImageCaption));
    UseDialogFont(this);

    PTFrame1 = new TPTGroup(this);
    PTFrame1->setObjectName(QStringLiteral("PTFrame1"));
    PTFrame1->SetCaption(LoadStr(StrId::NewImageDimensions));
    Label2 = new QLabel(LoadStr(StrId::NewImageHeight), PTFrame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtHeight = new TDigitEdit(PTFrame1);
    txtHeight->setObjectName(QStringLiteral("txtHeight"));
    udHeight = new TUpDown(PTFrame1);
    udHeight->setObjectName(QStringLiteral("udHeight"));
    Label3 = new QLabel(LoadStr(StrId::NewImagePixels), PTFrame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label1 = new QLabel(LoadStr(StrId::NewImageWidth), PTFrame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtWidth = new TDigitEdit(PTFrame1);
    txtWidth->setObjectName(QStringLiteral("txtWidth"));
    udWidth = new TUpDown(PTFrame1);
    udWidth->setObjectName(QStringLiteral("udWidth"));
    Label4 = new QLabel(LoadStr(StrId::NewImagePixels), PTFrame1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label2->setBuddy(txtHeight);
    Label1->setBuddy(txtWidth);
    for (TDigitEdit* edit : {txtHeight, txtWidth}) {
        edit->setMaxLength(4);
        edit->setFixedWidth(56);
    }
    udHeight->SetRange(10, 2000);
    udHeight->SetPosition(200);
    udHeight->SetAssociate(txtHeight);
    udWidth->SetRange(1, 2000);
    udWidth->SetPosition(140);
    udWidth->SetAssociate(txtWidth);

    auto* sizes = new QGridLayout(PTFrame1);
    sizes->setColumnStretch(3, 1);
    AddSizeRow(sizes, 0, Label2, txtHeight, udHeight, Label3);
    AddSizeRow(sizes, 1, Label1, txtWidth, udWidth, Label4);

    PTFrame2 = new TPTGroup(this);
    PTFrame2->setObjectName(QStringLiteral("PTFrame2"));
    PTFrame2->SetCaption(LoadStr(StrId::NewImageBackground));
    shpBg = new QFrame(PTFrame2);
    shpBg->setObjectName(QStringLiteral("shpBg"));
    shpBg->setFrameShape(QFrame::Box);
    shpBg->setAutoFillBackground(true);
    shpBg->setFixedSize(64, 25);
    Button1 = new QPushButton(DialogGlyph(QStringLiteral("btnSelect")), LoadStr(StrId::NewImageSelectColor), PTFrame2);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    auto* colour = new QHBoxLayout(PTFrame2);
    colour->addWidget(shpBg);
    colour->addStretch();
    colour->addWidget(Button1);
    SetBackgroundColor(Qt::white);

    btnOk = MakeOkButton(this, false);
    Button3 = MakeCancelButton(this, "Button3");
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TNewImageFrm::Button1Click);
    connect(txtHeight, &QLineEdit::textChanged, this, &TNewImageFrm::txtHeightChange);
    connect(txtWidth, &QLineEdit::textChanged, this, &TNewImageFrm::txtHeightChange);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(Button3);
    auto* form = new QVBoxLayout(this);
    form->addWidget(PTFrame1);
    form->addWidget(PTFrame2);
    form->addStretch();
    form->addLayout(buttons);

    dlgColor = new QColorDialog(Qt::white, this);
    dlgColor->setObjectName(QStringLiteral("dlgColor"));
    dlgColor->setOption(QColorDialog::DontUseNativeDialog, true);

    // FormCreate: the custom colours come from the application settings.
    LoadCustomColorsIntoDialog();

    // A fixed dialog border: the design size, or more if the font needs it.
    setFixedSize(sizeHint().expandedTo(QSize(241, 210)));
    txtHeight->setFocus();
    txtHeightChange();
}

TNewImageFrm::~TNewImageFrm()
{
    StoreCustomColorsFromDialog();
}

void TNewImageFrm::SetBackgroundColor(const QColor& color)
{
    FBackground = color;
    QPalette p = shpBg->palette();
    p.setColor(QPalette::Window, color);
    shpBg->setPalette(p);
}

void TNewImageFrm::txtHeightChange()
{
    // Digits only in both; the range is the up-down controls' business.
    btnOk->setEnabled(TDigitEdit::IsDigitsOnly(txtHeight->text()) && TDigitEdit::IsDigitsOnly(txtWidth->text()));
}

void TNewImageFrm::Button1Click()
{
    dlgColor->setCurrentColor(FBackground);
    if (dlgColor->exec() == QDialog::Accepted) SetBackgroundColor(dlgColor->selectedColor());
}
