#include "settings/ProgramKey.h"

#include <QCoreApplication>

QString ProgramKey()
{
    return QStringLiteral("Software\\Quillmere Software\\") + QStringLiteral("Quillmere Cubiform\\");
}

QString DialogKey(const QString& dialogName)
{
    return ProgramKey() + QStringLiteral("Dialogs\\") + dialogName + QLatin1Char('\\');
}

QString TemplatesDialogKey()
{
    return QStringLiteral("Templates\\");
}

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

QString SamplesFolder()
{
    return ProgramFolder() + QStringLiteral("Samples/");
}
