#include "wizard/ProjectDialogs.h"

#include "resources/StringTable.h"
#include "wizard/ResultOutput.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

constexpr const char* kExtension = ".cubiform";

void SetUp(QFileDialog& dialog, const char* name)
{
    dialog.setObjectName(QLatin1String(name));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({LoadStr(StrId::ProjectFilter), LoadStr(StrId::ProjectFilterAll)});
    dialog.setDefaultSuffix(QStringLiteral("cubiform"));
}

} // namespace

bool IsProjectFileName(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(kExtension), Qt::CaseInsensitive);
}

QString AskProjectSaveName(QWidget* parent, const QString& folder, const QString& name)
{
    QFileDialog dialog(parent, LoadStr(StrId::ProjectSaveCaption), folder);
    SetUp(dialog, "dlgSaveProject");
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!name.isEmpty()) dialog.selectFile(name);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        QString fileName = dialog.selectedFiles().constFirst();
        if (!IsProjectFileName(fileName)) fileName += QLatin1String(kExtension);
        if (ReplaceAllowed(parent, fileName)) return fileName;
        const QFileInfo refused(fileName);
        dialog.setDirectory(refused.absolutePath());
        dialog.selectFile(refused.fileName());
    }
}

QString AskProjectOpenName(QWidget* parent, const QString& folder)
{
    QFileDialog dialog(parent, LoadStr(StrId::ProjectOpenCaption), folder);
    SetUp(dialog, "dlgOpenProject");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}
