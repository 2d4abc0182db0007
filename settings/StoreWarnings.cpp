#include "settings/StoreWarnings.h"

#include "platform/Hive.h"
#include "platform/RegistryError.h"

#include <QApplication>
#include <QMessageBox>

void WarnOfDamagedSettings(QWidget* parent)
{
    QStringList notes;
    for (const QString& copy : THive::Default().TakeSetAsideCopies()) notes.append(FormatStr(StrId::HiveSetAside, copy));
    if (!notes.isEmpty())
        QMessageBox::warning(parent, QApplication::applicationDisplayName(), notes.join(QStringLiteral("\n\n")));
}

bool WarnOfUnsavedSettings(QWidget* parent)
{
    THive& hive = THive::Default();
    if (!hive.HasPendingChanges()) return true;
    try {
        hive.Commit();
        return true;
    } catch (const ERegistryException& e) {
        QMessageBox::warning(parent, QApplication::applicationDisplayName(), FormatStr(StrId::HiveNotSaved, e.Message()));
        return false;
    }
}
