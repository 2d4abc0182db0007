#include "editing/InputDlg.h"

#include "editing/DialogLook.h"
#include "resources/StringTable.h"
#include "widgets/SystemColors.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString InputIconName(int index)
{
    static const char* const kNames[kInputIconCount] = {"FOLDER_CLOSE", "FOLDER_OPEN", "SEARCH",   "UNK_FILE",
                                                        "SCRIPT",       "PASSWORD",    "USERNAME", "SERVER",
                                                        "FIREWALL",     "MYCOMPUTER",  "INFO"};
    if (index < 0 || index >= kInputIconCount) return QString();
    return QLatin1String(kNames[index]);
}

TInputDlgFrm::TInputDlgFrm(QWidget* owner, const QString& keyPath) : TStreamPositionFrm(owner, keyPath)
{
    setObjectName(QStringLiteral("InputDlgFrm"));
    UseDialogFont(this);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(48, 48);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    lblPrompt = new QLabel(this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblPrompt->setWordWrap(true);
    lblPrompt->setFixedSize(401, 34);
    lblPrompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtValue = new QLineEdit(this);
    txtValue->setObjectName(QStringLiteral("txtValue"));
    txtValue->setFixedWidth(393);
    lblPrompt->setBuddy(txtValue);
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    btnOk = MakeOkButton(this, false);
    Button2 = MakeCancelButton(this, "Button2");
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtValue, &QLineEdit::textChanged, this, &TInputDlgFrm::txtValueChange);

    auto* text = new QVBoxLayout();
    text->addWidget(lblPrompt);
    text->addWidget(txtValue);
    auto* top = new QHBoxLayout();
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(text);
    top->addStretch();
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(Button2);
    auto* form = new QVBoxLayout(this);
    form->addLayout(top);
    form->addStretch();
    form->addWidget(Bevel1);
    form->addLayout(buttons);

    setFixedSize(sizeHint().expandedTo(QSize(479, 130)));
    txtValue->setFocus();
}

void TInputDlgFrm::txtValueChange()
{
    // Any text counts, blanks included; checking it is the caller's business.
    btnOk->setEnabled(!txtValue->text().isEmpty());
}

bool InputValue(const QString& caption, const QString& prompt, const QString& keyPath, int icon, QString& value)
{
    TBusyCursor busy;
    TInputDlgFrm dialog(nullptr, keyPath);
    // A picture that does not load leaves the designed (empty) one.
    const QPixmap picture = DialogArt(InputIconName(icon));
    if (!picture.isNull()) dialog.Image1->setPixmap(picture);
    dialog.setWindowTitle(caption);
    dialog.lblPrompt->setText(prompt);
    dialog.txtValue->setText(value);
    busy.Lift();
    const bool ok = dialog.exec() == QDialog::Accepted;
    busy.Set();
    if (ok) value = dialog.txtValue->text();
    return ok;
}

void ShowFileNameState(QLineEdit* edit, const QString& name)
{
    edit->setText(name);
    const bool present = name.isEmpty() || QFileInfo(name).isFile();
    QPalette p = edit->palette();
    QPalette base = edit->parentWidget() ? edit->parentWidget()->palette() : QApplication::palette();
    // The colours of an enabled field, also when the field (or its panel) is
    // still disabled: it keeps them once enabled, and a disabled field keeps
    // the style's disabled look.
    base.setCurrentColorGroup(QPalette::Active);
    const QColor shown = SysColor(present ? TSysColor::WindowText : TSysColor::AppWorkspace, base);
    p.setColor(QPalette::Active, QPalette::Text, shown);
    p.setColor(QPalette::Inactive, QPalette::Text, shown);
    edit->setPalette(p);
}
