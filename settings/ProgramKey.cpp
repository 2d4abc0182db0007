#include "settings/ProgramKey.h"

#include <QCoreApplication>
#include <QDir>

// Where an installed program keeps its samples, relative to its bin folder
// (set by the build from the install layout).
#ifndef CUBIFORM_SAMPLES_FROM_BIN
#define CUBIFORM_SAMPLES_FROM_BIN "../share/cubiform/Samples"
#endif

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
    // A "Samples" folder beside the executable (the build tree, an unpacked
    // copy) comes first; an installed program finds its share folder instead.
    const QString beside = ProgramFolder() + QStringLiteral("Samples/");
    if (QDir(beside).exists()) return beside;
    const QString installed = QDir::cleanPath(ProgramFolder() + QStringLiteral(CUBIFORM_SAMPLES_FROM_BIN)) + QLatin1Char('/');
    return QDir(installed).exists() ? installed : beside;
}
