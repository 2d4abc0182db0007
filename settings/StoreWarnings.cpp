#include "settings/StoreWarnings.h"

#include "platform/Hive.h"
#include "platform/RegistryError.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {

QStringList& FailedSaves()
{
    static QStringList failed;
    return failed;
}

} // namespace

void WarnOfDamagedSettings(QWidget* parent)
{
    THive& hive = THive::Default();
    QStringList notes;
    if (const QString unusable = hive.TakeUnusableFileNotice(); !unusable.isEmpty()) notes.append(unusable);
    for (const QString& copy : hive.TakeSetAsideCopies()) notes.append(FormatStr(StrId::HiveSetAside, copy));
    if (!notes.isEmpty())
        QMessageBox::warning(parent, QApplication::applicationDisplayName(), notes.join(QStringLiteral("\n\n")));
}

void NoteFailedSave(const QString& message)
{
    if (!FailedSaves().contains(message)) FailedSaves().append(message);
}

bool WarnOfUnsavedSettings(QWidget* parent)
{
    QStringList errors = std::exchange(FailedSaves(), QStringList());
    THive& hive = THive::Default();
    if (hive.HasPendingChanges()) {
        try {
            hive.Commit();
        } catch (const ERegistryException& e) {
            if (!errors.contains(e.Message())) errors.append(e.Message());
        }
    }
    if (errors.isEmpty()) return true;
    QMessageBox::warning(parent, QApplication::applicationDisplayName(),
                         FormatStr(StrId::HiveNotSaved, errors.join(QStringLiteral("\n"))));
    return false;
}
