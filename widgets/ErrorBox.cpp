#include "widgets/ErrorBox.h"

#include "resources/StringTable.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <new>

namespace {

bool gBoxOpen = false;

} // namespace

QString ErrorBoxText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error)) return LoadStr(StrId::WizOutOfMemory);
    const QString text = QString::fromUtf8(error.what()).trimmed();
    return text.isEmpty() ? LoadStr(StrId::WizUnknownError) : text;
}

QString CurrentErrorText()
{
    if (!std::current_exception()) return LoadStr(StrId::WizUnknownError);
    try {
        throw;
    } catch (const std::exception& e) {
        return ErrorBoxText(e);
    } catch (...) {
        return LoadStr(StrId::WizUnknownError);
    }
}

void ShowErrorMessage(QWidget* parent, const QString& text)
{
    if (gBoxOpen || !qApp) {
        std::fprintf(stderr, "cubiform: %s\n", qPrintable(text));
        return;
    }
    if (!parent) parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    gBoxOpen = true;
    struct Reset {
        ~Reset() { gBoxOpen = false; }
    } reset;
    QMessageBox::critical(parent, LoadStr(StrId::WizAppTitle), text);
}

void ShowErrorBox(QWidget* parent, const std::exception& error)
{
    ShowErrorMessage(parent, ErrorBoxText(error));
}

void ShowCurrentErrorBox(QWidget* parent)
{
    ShowErrorMessage(parent, CurrentErrorText());
}
