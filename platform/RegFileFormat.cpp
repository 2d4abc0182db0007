#include "platform/RegFileFormat.h"

#include <QStringDecoder>

#include <optional>
#include <vector>

namespace {

// ---- writing ----

void AppendQuoted(QByteArray& out, const QString& text)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    // Runs without quotes or backslashes are copied whole.
    qsizetype from = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c != '\\' && c != '"') continue;
        out.append(utf8.constData() + from, i - from);
        out += '\\';
        from = i;
    }
    out.append(utf8.constData() + from, utf8.size() - from);
    out += '"';
}

// Line breaks and NULs cannot live inside a quoted string of this format,
// and half a surrogate pair has no UTF-8 form.
bool NeedsHexForm(const QString& text)
{
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = p[i];
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.isNull()) return true;
        if (c.isHighSurrogate() && i + 1 < n && p[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate()) return true;
    }
    return false;
}

QByteArray Utf16WithTerminator(const QString& text)
{
    QByteArray bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    bytes += '\0';
    bytes += '\0';
    return bytes;
}

void AppendHex(QByteArray& out, const QByteArray& prefix, const QByteArray& data)
{
    static const char digits[] = "0123456789abcdef";
    out += prefix;
    qsizetype column = prefix.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            // Wrap long data as the registry editor does.
            if (column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
}

void AppendValue(QByteArray& out, const THiveValue& v)
{
    if (v.Name.isEmpty())
        out += '@';
    else
        AppendQuoted(out, v.Name);
    out += '=';
    switch (v.Type) {
    case REG_SZ:
        if (NeedsHexForm(v.Text))
            AppendHex(out, "hex(1):", Utf16WithTerminator(v.Text));
        else
            AppendQuoted(out, v.Text);
        break;
    case REG_EXPAND_SZ:
        AppendHex(out, "hex(2):", Utf16WithTerminator(v.Text));
        break;
    case REG_DWORD:
        out += "dword:";
        out += QByteArray::number(v.Dword, 16).rightJustified(8, '0');
        break;
    case REG_BINARY:
        AppendHex(out, "hex:", v.Data);
        break;
    default:
        AppendHex(out, "hex(" + QByteArray::number(v.Type, 16) + "):", v.Data);
        break;
    }
    out += '\n';
}

void AppendKey(QByteArray& out, const THiveKey& key, QByteArray& path, bool isRoot)
{
    // A key is made by its own section or by any section below it, so only
    // keys that hold values and leaf keys need one; a root needs one only for
    // values of its own.
    if (!key.Values().empty() || (!isRoot && !key.HasSubKeys())) {
        out += '[';
        out += path;
        out += "]\n";
        for (const THiveValue& v : key.Values()) AppendValue(out, v);
        out += '\n';
    }
    key.ForEachSubKey([&](const THiveKey& sub) {
        const qsizetype at = path.size();
        path += '\\';
        path += sub.Name().toUtf8();
        AppendKey(out, sub, path, false);
        path.truncate(at);
    });
}

// ---- reading ----

// One line of the file, decoded; Fault says why it cannot be read at all.
struct TLine {
    QString Text;
    const char* Fault = nullptr;
};

// Windows-1252 at 0x80..0x9F; the rest of the code page is Latin-1. The five
// unassigned bytes keep their C1 code points, as the platform maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromWindows1252(const char* bytes, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

// A line holding a NUL or half a surrogate pair is damage, not text.
const char* FaultOf(const QString& line)
{
    const QChar* p = line.constData();
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (p[i].isNull()) return "NUL character";
        if (p[i].isHighSurrogate() && i + 1 < line.size() && p[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (p[i].isSurrogate()) return "broken UTF-16 character";
    }
    return nullptr;
}

// Calls f(from, to) for each line of text, which ends in CRLF, LF or CR.
template <class Text, class F>
void ForEachLine(const Text& text, F f)
{
    qsizetype from = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = text[i];
        if (c != '\n' && c != '\r') continue;
        f(from, i);
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        from = i + 1;
    }
    f(from, n);
}

std::vector<TLine> LinesOf(const QString& text)
{
    std::vector<TLine> lines;
    ForEachLine(text, [&](qsizetype from, qsizetype to) {
        TLine line{text.mid(from, to - from)};
        line.Fault = FaultOf(line.Text);
        lines.push_back(std::move(line));
    });
    return lines;
}

std::vector<TLine> DecodeLines(const QByteArray& bytes)
{
    // UTF-16LE: with its mark, or without one when the text starts with an ASCII character.
    const bool utf16 = bytes.startsWith("\xFF\xFE") || (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0);
    if (utf16) {
        const qsizetype from = bytes.startsWith("\xFF\xFE") ? 2 : 0;
        const qsizetype units = (bytes.size() - from) / 2;
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i)
            text[i] = QChar(char16_t(uchar(bytes[from + 2 * i]) | uchar(bytes[from + 2 * i + 1]) << 8));
        std::vector<TLine> lines = LinesOf(text);
        if ((bytes.size() - from) % 2 != 0) lines.back().Fault = "incomplete character at the end";
        return lines;
    }
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder whole(QStringDecoder::Utf8);
    const QString text = whole(body);
    if (!whole.hasError()) return LinesOf(text);
    // Some lines are not UTF-8 (a plain text editor saving in the old code
    // page): each line is UTF-8 when it can be, else Windows-1252.
    std::vector<TLine> lines;
    ForEachLine(body, [&](qsizetype from, qsizetype to) {
        const char* p = body.constData() + from;
        QStringDecoder decoder(QStringDecoder::Utf8);
        TLine line{decoder(QByteArrayView(p, to - from))};
        if (decoder.hasError()) line.Text = FromWindows1252(p, to - from);
        line.Fault = FaultOf(line.Text);
        lines.push_back(std::move(line));
    });
    return lines;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<QString> ReadQuoted(const QString& text, qsizetype& pos)
{
    QString result;
    ++pos;
    while (pos < text.size()) {
        const QChar c = text[pos++];
        if (c == QLatin1Char('"')) return result;
        if (c == QLatin1Char('\\') && pos < text.size()) {
            const QChar next = text[pos];
            if (next == QLatin1Char('\\') || next == QLatin1Char('"')) {
                result += next;
                ++pos;
                continue;
            }
        }
        result += c;
    }
    return std::nullopt;
}

std::optional<QByteArray> ReadHexBytes(const QString& text)
{
    QByteArray bytes;
    const QStringList parts = text.split(QLatin1Char(','));
    if (text.trimmed().isEmpty()) return bytes;
    bytes.reserve(parts.size());
    for (const QString& part : parts) {
        bool ok = false;
        const QString t = part.trimmed();
        const uint b = t.toUInt(&ok, 16);
        if (!ok || t.size() > 2 || b > 255) return std::nullopt;
        bytes += char(b);
    }
    return bytes;
}

QString FromUtf16WithTerminator(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8)));
    if (text.endsWith(QChar(0))) text.chop(1);
    return text;
}

// "REGEDIT4" files hold string data in the old single-byte code page.
QString FromAnsiWithTerminator(const QByteArray& bytes)
{
    const qsizetype n = bytes.endsWith('\0') ? bytes.size() - 1 : bytes.size();
    return FromWindows1252(bytes.constData(), n);
}

QStringList RootAndPath(const QString& sectionPath)
{
    QStringList parts = SplitKeyPath(sectionPath);
    if (!parts.isEmpty() && parts[0].compare(QLatin1String("HKCU"), Qt::CaseInsensitive) == 0)
        parts[0] = QLatin1String(kCurrentUserRoot);
    return parts;
}

// The lines that continue a hex value never look like the start of a key or value.
bool StartsAUnit(const QString& line)
{
    return line.startsWith(QLatin1Char('[')) || line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@'));
}

class TRegParser {
public:
    explicit TRegParser(std::vector<TLine> lines) : FLines(std::move(lines)) {}

    TRegParseResult Run()
    {
        FResult.Roots = std::make_unique<THiveKey>();
        bool sawHeader = false;
        while (FNext < qsizetype(FLines.size())) {
            const qsizetype lineNo = FNext + 1;
            const TLine& raw = FLines[std::size_t(FNext++)];
            const QString line = raw.Text.trimmed();
            if (raw.Fault) {
                // A damaged key line takes its values with it.
                if (line.startsWith(QLatin1Char('['))) FState = TState::Skipping;
                Skip(lineNo, raw.Fault);
                continue;
            }
            if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
            if (line == QLatin1String(kRegFileHeader) || line == QLatin1String(kRegFileHeader4)) {
                // Exports may be joined end to end; each header says how its strings are held.
                FAnsiStrings = line == QLatin1String(kRegFileHeader4);
                sawHeader = true;
                continue;
            }
            if (!sawHeader) {
                sawHeader = true;
                Skip(lineNo, "missing header");
                if (!line.startsWith(QLatin1Char('['))) continue;
            }
            if (line.startsWith(QLatin1Char('['))) {
                Section(lineNo, line);
                continue;
            }
            switch (FState) {
            case TState::NoKey: Skip(lineNo, "value outside a key"); break;
            case TState::Skipping: break;  // part of a section already left out
            case TState::InKey: ParseValue(lineNo, line); break;
            }
        }
        if (FMoreSkipped > 0) FResult.Skipped.append(QStringLiteral("and %1 more").arg(FMoreSkipped));
        return std::move(FResult);
    }

private:
    enum class TState { NoKey, InKey, Skipping };

    void Skip(qsizetype line, const char* what)
    {
        // A file of junk need not make a list as long as itself.
        if (FResult.Skipped.size() >= 20) {
            ++FMoreSkipped;
            return;
        }
        FResult.Skipped.append(QStringLiteral("line %1: %2").arg(line).arg(QLatin1String(what)));
    }

    void Section(qsizetype lineNo, const QString& line)
    {
        FState = TState::Skipping;
        if (!line.endsWith(QLatin1Char(']'))) return Skip(lineNo, "unterminated key");
        QString path = line.mid(1, line.size() - 2);
        const bool remove = path.startsWith(QLatin1Char('-'));
        if (remove) path.remove(0, 1);
        const QStringList parts = RootAndPath(path);
        if (parts.isEmpty()) return Skip(lineNo, "empty key");
        // A root named "-..." could not be written back: it reads as a deletion.
        if (parts[0].startsWith(QLatin1Char('-'))) return Skip(lineNo, "malformed key");
        if (parts.size() > kMaxKeyDepth + 1) return Skip(lineNo, "keys nested too deep");
        for (const QString& part : parts)
            if (!ValidKeyName(part)) return Skip(lineNo, "key name too long or with control characters");
        FState = TState::InKey;
        if (remove) {
            THiveKey* parent = FResult.Roots->Find(parts.mid(0, parts.size() - 1));
            if (parent) parent->RemoveSubKey(parts.last());
            FKey = nullptr;  // values of a deleted key are read and dropped
            FOpenPath.clear();
            FOpenKeys.clear();
        } else {
            FKey = OpenSection(parts);
        }
    }

    void ParseValue(qsizetype lineNo, const QString& line)
    {
        if (const char* fault = ReadValue(line)) Skip(lineNo, fault);
    }

    // Null when the value was read (and stored unless its key is deleted), else what is wrong.
    const char* ReadValue(const QString& line)
    {
        qsizetype pos = 0;
        QString name;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (line.startsWith(QLatin1Char('"'))) {
            auto quoted = ReadQuoted(line, pos);
            if (!quoted) return "unterminated name";
            name = *quoted;
        } else {
            return "malformed value";
        }
        while (pos < line.size() && line[pos].isSpace()) ++pos;
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) return "malformed value";
        ++pos;
        while (pos < line.size() && line[pos].isSpace()) ++pos;
        QString data = line.mid(pos);

        THiveValue value;
        value.Name = name;
        if (data == QLatin1String("-")) {
            if (FKey) FKey->RemoveValue(name);
            return nullptr;
        }
        if (data.startsWith(QLatin1Char('"'))) {
            qsizetype at = 0;
            auto text = ReadQuoted(data, at);
            if (!text) return "unterminated string";
            if (!data.mid(at).trimmed().isEmpty()) return "malformed value";
            value.Type = REG_SZ;
            value.Text = *text;
        } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = data.mid(6).trimmed();
            bool ok = false;
            value.Dword = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8) return "malformed number";
            value.Type = REG_DWORD;
        } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            // Long data continues on the next lines after a trailing backslash.
            while (data.endsWith(QLatin1Char('\\'))) {
                data.chop(1);
                if (FNext >= qsizetype(FLines.size())) return "hex data cut short";
                const TLine& next = FLines[std::size_t(FNext)];
                const QString more = next.Text.trimmed();
                if (next.Fault || StartsAUnit(more)) return "hex data cut short";
                ++FNext;
                data += more;
            }
            const qsizetype colon = data.indexOf(QLatin1Char(':'));
            if (colon < 0) return "malformed hex data";
            const QString kind = data.left(colon).toLower();
            std::uint32_t type = REG_BINARY;
            if (kind != QLatin1String("hex")) {
                if (!kind.startsWith(QLatin1String("hex(")) || !kind.endsWith(QLatin1Char(')'))) return "malformed hex data";
                bool ok = false;
                type = kind.mid(4, kind.size() - 5).toUInt(&ok, 16);
                if (!ok) return "malformed hex data";
            }
            auto bytes = ReadHexBytes(data.mid(colon + 1));
            if (!bytes) return "malformed hex data";
            value.Type = type;
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                if (FAnsiStrings) {
                    value.Text = FromAnsiWithTerminator(*bytes);
                } else {
                    if (bytes->size() % 2 != 0) return "malformed string data";
                    value.Text = FromUtf16WithTerminator(*bytes);
                }
            } else if (type == REG_DWORD) {
                if (bytes->size() != 4) return "malformed number";
                value.Dword = uchar((*bytes)[0]) | uchar((*bytes)[1]) << 8 | uchar((*bytes)[2]) << 16 |
                              std::uint32_t(uchar((*bytes)[3])) << 24;
            } else {
                value.Data = *bytes;
            }
        } else {
            return "malformed value";
        }
        if (!ValidValueName(value.Name)) return "value name too long or with control characters";
        if (!ValueFitsTheStore(value)) return "value too large";
        if (FKey) FKey->SetValue(std::move(value));
        return nullptr;
    }

    // Sections come in tree order, so each one mostly extends the previous
    // path: the keys of the shared part are taken from the previous section.
    THiveKey* OpenSection(const QStringList& parts)
    {
        qsizetype shared = 0;
        while (shared < parts.size() && shared < FOpenPath.size() && parts[shared] == FOpenPath[shared]) ++shared;
        FOpenKeys.resize(std::size_t(shared));
        THiveKey* key = shared > 0 ? FOpenKeys.back() : FResult.Roots.get();
        for (qsizetype i = shared; i < parts.size(); ++i) {
            key = key->AddSubKey(parts[i]);
            FOpenKeys.push_back(key);
        }
        FOpenPath = parts;
        return key;
    }

    std::vector<TLine> FLines;
    qsizetype FNext = 0;
    TRegParseResult FResult;
    qsizetype FMoreSkipped = 0;
    TState FState = TState::NoKey;
    THiveKey* FKey = nullptr;  // null inside a deleted key
    bool FAnsiStrings = false;
    QStringList FOpenPath;
    std::vector<THiveKey*> FOpenKeys;
};

} // namespace

QByteArray SerializeRegFile(const THiveKey& roots)
{
    QByteArray out;
    out += kRegFileHeader;
    out += "\n\n";
    QByteArray path;
    roots.ForEachSubKey([&](const THiveKey& root) {
        path = root.Name().toUtf8();
        AppendKey(out, root, path, true);
    });
    return out;
}

TRegParseResult ParseRegFile(const QByteArray& bytes)
{
    return TRegParser(DecodeLines(bytes)).Run();
}
