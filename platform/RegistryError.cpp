#include "platform/RegistryError.h"

ERegistryException::ERegistryException(const QString& message)
    : std::runtime_error(message.toStdString()), FMessage(message)
{
}

QString FormatStr(StrId id, const QString& argument)
{
    QString text = LoadStr(id);
    const qsizetype at = text.indexOf(QLatin1String("%s"));
    if (at >= 0) text.replace(at, 2, argument);
    return text;
}

void RaiseRegistryError(StrId id, const QString& argument)
{
    throw ERegistryException(FormatStr(id, argument));
}
