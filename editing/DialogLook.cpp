#include "editing/DialogLook.h"

#include "resources/StringTable.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPushButton>
#include <QWidget>

void UseDialogFont(QWidget* form)
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFont f = form->font();
        f.setFamily(QStringLiteral("Tahoma"));
        form->setFont(f);
        return;
    }
    form->setFont(QApplication::font());
}

QPixmap DialogArt(const QString& name)
{
    return QPixmap(QStringLiteral(":/dialogs/") + name);
}

QIcon DialogGlyph(const QString& name)
{
    const QPixmap glyph = DialogArt(name);
    return glyph.isNull() ? QIcon() : QIcon(glyph);
}

QPushButton* MakeOkButton(QWidget* dialog, bool enabled)
{
    auto* button = new QPushButton(LoadStr(StrId::DlgOk), dialog);
    button->setObjectName(QStringLiteral("btnOk"));
    button->setDefault(true);
    button->setEnabled(enabled);
    return button;
}

QPushButton* MakeCancelButton(QWidget* dialog, const char* objectName)
{
    auto* button = new QPushButton(LoadStr(StrId::DlgCancel), dialog);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    return button;
}
