#include "widgets/HTMLMarkup.h"

#include "widgets/SystemColors.h"

#include <algorithm>
#include <array>

namespace {

struct Entity {
    const char* Name;
    QString Replacement;
};

const std::array<Entity, 9>& PreparedEntities()
{
    static const std::array<Entity, 9> entities{{
        {"&amp;", QStringLiteral("&&")},
        {"&quot;", QStringLiteral("\"")},
        {"&sect;", QString(QChar(0x00A7))},
        {"&permil;", QString(QChar(0x2030))},
        {"&reg;", QString(QChar(0x00AE))},
        {"&copy;", QString(QChar(0x00A9))},
        {"&para;", QString(QChar(0x00B6))},
        {"&trade;", QString(QChar(0x2122))},
        {"&euro;", QString(QChar(0x20AC))},
    }};
    return entities;
}

} // namespace

QString PrepareHTMLText(const QStringList& lines)
{
    QString s = lines.join(QString());

    // Replacing "&amp;" can form a new entity from the following text, so
    // passes repeat until none is left. Every replacement shortens the text.
    for (bool found = true; found;) {
        found = false;
        for (const Entity& e : PreparedEntities()) {
            const QLatin1StringView name(e.Name);
            if (s.contains(name)) {
                s.replace(name, e.Replacement);
                found = true;
            }
        }
    }

    const qsizetype hash = s.indexOf(QLatin1StringView("<#"));
    if (hash >= 0) {
        s.remove(hash, 1);
        const qsizetype close = s.indexOf(QLatin1Char('>'), hash);
        if (close >= 0) s.remove(close, 1);
    }

    s.remove(QLatin1Char('\n'));
    s.replace(QLatin1Char('\r'), QLatin1StringView("<BR>"));
    return s;
}

QString DecodeRunEntities(QString run)
{
    run.replace(QLatin1StringView("&nbsp;"), QLatin1StringView(" "));
    run.replace(QLatin1StringView("&lt;"), QLatin1StringView("<"));
    run.replace(QLatin1StringView("&gt;"), QLatin1StringView(">"));
    return run;
}

const THTMLTag::Attribute* THTMLTag::Find(const QString& upperName) const
{
    for (const Attribute& a : Attributes)
        if (a.Name == upperName) return &a;
    return nullptr;
}

QString THTMLTag::Value(const QString& upperName) const
{
    const Attribute* a = Find(upperName);
    return a ? a->Value : QString();
}

std::optional<int> THTMLTag::Int(const QString& upperName, int lo, int hi) const
{
    const Attribute* a = Find(upperName);
    if (!a) return std::nullopt;
    bool ok = false;
    const qlonglong v = a->Value.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return int(std::clamp<qlonglong>(v, lo, hi));
}

THTMLTag ParseHTMLTag(const QString& inner)
{
    THTMLTag tag;
    const qsizetype n = inner.size();
    qsizetype i = 0;
    auto skipSpace = [&] {
        while (i < n && inner[i].isSpace()) ++i;
    };
    skipSpace();
    const qsizetype nameStart = i;
    while (i < n && !inner[i].isSpace()) ++i;
    tag.Name = inner.mid(nameStart, i - nameStart).toUpper();

    while (true) {
        skipSpace();
        if (i >= n) break;
        const qsizetype keyStart = i;
        while (i < n && !inner[i].isSpace() && inner[i] != QLatin1Char('=')) ++i;
        THTMLTag::Attribute attr;
        attr.Name = inner.mid(keyStart, i - keyStart).toUpper();
        skipSpace();
        if (i < n && inner[i] == QLatin1Char('=')) {
            ++i;
            skipSpace();
            if (i < n && inner[i] == QLatin1Char('"')) {
                const qsizetype close = inner.indexOf(QLatin1Char('"'), i + 1);
                const qsizetype end = close < 0 ? n : close;
                attr.Value = inner.mid(i + 1, end - i - 1);
                attr.Quoted = true;
                i = close < 0 ? n : close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < n && !inner[i].isSpace()) ++i;
                attr.Value = inner.mid(valueStart, i - valueStart);
            }
        }
        if (!attr.Name.isEmpty()) tag.Attributes.append(attr);
    }
    return tag;
}

std::optional<QColor> ParseHTMLColor(const QString& value, const QPalette& palette)
{
    const QString v = value.trimmed().toLower();
    if (v.startsWith(QLatin1Char('#'))) {
        if (v.size() != 7) return std::nullopt;
        bool ok = false;
        const uint rgb = v.mid(1).toUInt(&ok, 16);
        if (!ok) return std::nullopt;
        return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
    }

    struct Fixed {
        const char* Name;
        int R, G, B;
    };
    static constexpr Fixed fixed[] = {
        {"clred", 255, 0, 0},       {"clblack", 0, 0, 0},        {"clblue", 0, 0, 255},
        {"clgreen", 0, 128, 0},     {"claqua", 0, 255, 255},     {"clyellow", 255, 255, 0},
        {"clfuchsia", 255, 0, 255}, {"clwhite", 255, 255, 255},  {"cllime", 0, 255, 0},
        {"clsilver", 192, 192, 192}, {"clgray", 128, 128, 128},  {"clolive", 128, 128, 0},
        {"clnavy", 0, 0, 128},      {"clpurple", 128, 0, 128},   {"clteal", 0, 128, 128},
        {"clmaroon", 128, 0, 0},
    };
    for (const Fixed& f : fixed)
        if (v == QLatin1StringView(f.Name)) return QColor(f.R, f.G, f.B);

    struct System {
        const char* Name;
        TSysColor Color;
    };
    static constexpr System system[] = {
        {"clbackground", TSysColor::Background},
        {"clactivecaption", TSysColor::ActiveCaption},
        {"clinactivecaption", TSysColor::InactiveCaption},
        {"clmenu", TSysColor::Menu},
        {"clwindow", TSysColor::Window},
        {"clwindowframe", TSysColor::WindowFrame},
        {"clmenutext", TSysColor::MenuText},
        {"clwindowtext", TSysColor::WindowText},
        {"clcaptiontext", TSysColor::CaptionText},
        {"clactiveborder", TSysColor::ActiveBorder},
        {"clinactiveborder", TSysColor::InactiveBorder},
        {"clappworkspace", TSysColor::AppWorkspace},
        {"clhighlight", TSysColor::Highlight},
        {"clhighlighttext", TSysColor::HighlightText},
        {"clbtnface", TSysColor::BtnFace},
        {"clbtnshadow", TSysColor::BtnShadow},
        {"clgraytext", TSysColor::GrayText},
        {"clbtntext", TSysColor::BtnText},
        {"clinactivecaptiontext", TSysColor::InactiveCaptionText},
        {"clbtnhighlight", TSysColor::BtnHighlight},
        {"cl3ddkshadow", TSysColor::DkShadow3D},
        {"cl3dlight", TSysColor::Light3D},
        {"clinfotext", TSysColor::InfoText},
        {"clinfobk", TSysColor::InfoBk},
    };
    for (const System& s : system)
        if (v == QLatin1StringView(s.Name)) return SysColor(s.Color, palette);
    return std::nullopt;
}
