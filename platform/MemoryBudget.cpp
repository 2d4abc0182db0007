#include "platform/MemoryBudget.h"

#include "resources/StringTable.h"

#include <QByteArray>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <unistd.h>

namespace membudget {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
std::int64_t gSetLimit = 0;
thread_local std::int64_t tThreadLimit = 0;

std::int64_t EnvironmentLimit()
{
    std::int64_t bytes = 0;
    const QByteArray text = qgetenv("CUBIFORM_MEMORY_LIMIT");
    return !text.isEmpty() && ParseSize(QString::fromLocal8Bit(text), bytes) ? bytes : 0;
}

} // namespace

std::int64_t DefaultLimit()
{
    const std::int64_t twoGb = std::int64_t(2) << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return twoGb;
    return std::min(twoGb, Times(pages, pageSize) / 2);
}

std::int64_t Limit()
{
    static const std::int64_t fromEnvironment = EnvironmentLimit();
    const std::int64_t limit = tThreadLimit > 0 ? tThreadLimit
                               : gSetLimit > 0 ? gSetLimit
                               : fromEnvironment > 0 ? fromEnvironment : DefaultLimit();
    return std::max(limit, kMinimumLimit);
}

void SetLimit(std::int64_t bytes) { gSetLimit = bytes > 0 ? bytes : 0; }

TThreadLimit::TThreadLimit(std::int64_t bytes) : FOuter(tThreadLimit)
{
    if (bytes > 0) tThreadLimit = bytes;
}

TThreadLimit::~TThreadLimit() { tThreadLimit = FOuter; }

bool ParseSize(const QString& text, std::int64_t& bytes)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]{1,18})\\s*([kKmMgGtT]?)[bB]?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) return false;
    std::int64_t value = m.captured(1).toLongLong();
    const QString unit = m.captured(2).toUpper();
    const int shift = unit == "K" ? 10 : unit == "M" ? 20 : unit == "G" ? 30 : unit == "T" ? 40 : 0;
    if (value <= 0 || value > (kMax >> shift)) return false;
    bytes = value << shift;
    return true;
}

QString FormatSize(std::int64_t bytes)
{
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return QStringLiteral("%1 bytes").arg(bytes);
    double value = double(bytes);
    int unit = -1;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10 ? 1 : 0).arg(QLatin1String(kUnits[unit]));
}

std::int64_t Sum(std::int64_t a, std::int64_t b) { return a > kMax - b ? kMax : a + b; }

std::int64_t Times(std::int64_t n, std::int64_t bytes)
{
    if (n <= 0 || bytes <= 0) return 0;
    return n > kMax / bytes ? kMax : n * bytes;
}

std::int64_t PictureBytes(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0) return 0;
    return Times(Times(width, height), 4);
}

QString PictureSizeText(std::int64_t width, std::int64_t height)
{
    return LoadStr(StrId::MemoryPictureSize).arg(width).arg(height);
}

void Check(std::int64_t need, const QString& what)
{
    const std::int64_t limit = Limit();
    if (need > limit) throw EMemoryBudgetError(what, need, limit);
}

void CheckPicture(std::int64_t need, std::int64_t width, std::int64_t height)
{
    Check(need, PictureSizeText(width, height));
}

} // namespace membudget

namespace {

// Shown on its own in a box or after the program's name: a sentence.
QString Sentence(QString text)
{
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

} // namespace

EMemoryBudgetError::EMemoryBudgetError(const QString& what, std::int64_t need, std::int64_t limit)
    : std::runtime_error(Sentence(LoadStr(StrId::MemoryOverLimit)
                                      .arg(what, membudget::FormatSize(need), membudget::FormatSize(limit)))
                             .toStdString()),
      FNeed(need)
{
}
