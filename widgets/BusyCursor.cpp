#include "widgets/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

void TBusyCursor::Set()
{
    if (!FSet) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    FSet = true;
}

void TBusyCursor::Lift()
{
    if (FSet) QGuiApplication::restoreOverrideCursor();
    FSet = false;
}
