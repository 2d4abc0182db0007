// Errors raised by the settings store.
#pragma once

#include "resources/StringTable.h"

#include <QString>

#include <stdexcept>

// Raised by the per-user settings store and by the property streamer on top of it.
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const QString& message);
    QString Message() const { return FMessage; }

private:
    QString FMessage;
};

// The string-table text with its "%s" replaced by the argument.
QString FormatStr(StrId id, const QString& argument);

// Raises the text of id with argument in place of "%s".
[[noreturn]] void RaiseRegistryError(StrId id, const QString& argument);
