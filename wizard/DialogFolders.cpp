#include "wizard/DialogFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

QString FirstRunSaveFolder(const QString& samplesFolder)
{
    const QFileInfo samples(samplesFolder);
    if (samples.isDir() && samples.isWritable()) return samplesFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir()) return WithSlash(pictures);
    return WithSlash(QDir::homePath());
}

QString ExistingFolderOr(const QString& folder, const QString& fallback)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

QString FolderOfFile(const QString& fileName)
{
    return WithSlash(QFileInfo(fileName).absolutePath());
}
