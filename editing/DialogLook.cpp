#include "editing/DialogLook.h"

#include <QApplication>
#include <QFontDatabase>
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

