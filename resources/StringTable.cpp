#include "resources/StringTable.h"

#include <QCoreApplication>

#include <array>

namespace {

struct Entry {
    StrId Id;
    const char* Text;
};

// Keep each group in the order of the enumeration; the table is checked at start-up.
constexpr Entry kEntries[] = {
    // imaging
    {StrId::CantAllocateDib, QT_TRANSLATE_NOOP("Cubiform", "Can't allocate the DIB handle")},
    {StrId::CantCreateCompatibleDc, QT_TRANSLATE_NOOP("Cubiform", "Can't create compatible DC")},
    {StrId::CantSelectObject, QT_TRANSLATE_NOOP("Cubiform", "Can't select an object into DC")},
    {StrId::SourceRectInvalid, QT_TRANSLATE_NOOP("Cubiform", "Source rectangle is invalid")},

    // render
    {StrId::NoPreviewAvailable, QT_TRANSLATE_NOOP("Cubiform", "No Preview Available")},
    {StrId::ShadowResourceLeft, "SHADOW"},
    {StrId::ShadowResourceRight, "SHADOW_R"},

    // codecs and files

    // settings and templates

    // widgets and wizard
};

const std::array<const char*, int(StrId::Count)>& Table()
{
    static const auto table = [] {
        std::array<const char*, int(StrId::Count)> t{};
        for (const Entry& e : kEntries) t[std::size_t(e.Id)] = e.Text;
        return t;
    }();
    return table;
}

} // namespace

const char* LoadStrRaw(StrId id)
{
    const int i = int(id);
    if (i < 0 || i >= int(StrId::Count) || !Table()[std::size_t(i)]) return "";
    return Table()[std::size_t(i)];
}

QString LoadStr(StrId id)
{
    return QCoreApplication::translate("Cubiform", LoadStrRaw(id));
}
