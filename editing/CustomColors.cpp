#include "editing/CustomColors.h"

#include "settings/AppSettings.h"

#include <QColorDialog>

#include <algorithm>

namespace {

QString EntryName(int index)
{
    return QStringLiteral("Color") + QChar(char16_t(u'A' + index));
}

} // namespace

TCustomColors ParseCustomColors(const QStringList& lines)
{
    TCustomColors colors;
    colors.fill(QColor(Qt::white));
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (name.size() != 6 || !name.startsWith(QLatin1String("Color"), Qt::CaseInsensitive)) continue;
        const int index = name.at(5).toUpper().unicode() - u'A';
        if (index < 0 || index >= kCustomColorCount) continue;
        if (value.isEmpty() || value.size() > 6) continue;
        bool ok = false;
        const uint bgr = value.toUInt(&ok, 16);
        if (!ok) continue;
        colors[std::size_t(index)] = QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    }
    return colors;
}

QStringList FormatCustomColors(const TCustomColors& colors)
{
    QStringList lines;
    for (int i = 0; i < kCustomColorCount; ++i) {
        const QColor& c = colors[std::size_t(i)];
        const uint bgr = uint(c.blue()) << 16 | uint(c.green()) << 8 | uint(c.red());
        lines << EntryName(i) + QLatin1Char('=') + QStringLiteral("%1").arg(bgr, 6, 16, QLatin1Char('0')).toUpper();
    }
    return lines;
}

void LoadCustomColorsIntoDialog()
{
    const TCustomColors colors = ParseCustomColors(AppSettings(0)->CustomColors());
    const int count = std::min(QColorDialog::customCount(), kCustomColorCount);
    for (int i = 0; i < count; ++i) QColorDialog::setCustomColor(i, colors[std::size_t(i)]);
}

void StoreCustomColorsFromDialog()
{
    TCustomColors colors;
    colors.fill(QColor(Qt::white));
    const int count = std::min(QColorDialog::customCount(), kCustomColorCount);
    for (int i = 0; i < count; ++i) colors[std::size_t(i)] = QColorDialog::customColor(i);
    AppSettings(0)->SetCustomColors(FormatCustomColors(colors));
}
