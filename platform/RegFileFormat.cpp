#include "platform/RegFileFormat.h"

#include <QStringDecoder>

#include <optional>

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

// Line breaks and NULs cannot live inside a quoted string of this format.
bool NeedsHexForm(const QString& text)
{
    for (const QChar c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0)) return true;
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

void AppendKey(QByteArray& out, const THiveKey& key, const QString& path, bool isRoot)
{
    // A root with nothing directly in it needs no section of its own.
    if (!isRoot || !key.Values().empty()) {
        out += '[';
        out += path.toUtf8();
        out += "]\n";
        for (const THiveValue& v : key.Values()) AppendValue(out, v);
        out += '\n';
    }
    key.ForEachSubKey([&](const THiveKey& sub) {
        AppendKey(out, sub, path + QLatin1Char('\\') + sub.Name(), false);
    });
}

// ---- reading ----

struct TLineReader {
    QStringList Lines;
    qsizetype Next = 0;
    bool AtEnd() const { return Next >= Lines.size(); }
    QString Take() { return Lines[Next++]; }
};

std::optional<QString> DecodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        if (bytes.size() % 2 != 0) return std::nullopt;
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        QString text = decoder(bytes.mid(2));
        if (decoder.hasError()) return std::nullopt;
        return text;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
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

QStringList RootAndPath(const QString& sectionPath)
{
    QStringList parts = SplitKeyPath(sectionPath);
    if (!parts.isEmpty() && parts[0].compare(QLatin1String("HKCU"), Qt::CaseInsensitive) == 0)
        parts[0] = QLatin1String(kCurrentUserRoot);
    return parts;
}

class TRegParser {
public:
    explicit TRegParser(TLineReader lines) : FLines(std::move(lines)) {}

    TRegParseResult Run()
    {
        auto roots = std::make_unique<THiveKey>();
        bool sawHeader = false;
        THiveKey* current = nullptr;  // null inside a deleted section or before any
        bool inSection = false;
        while (!FLines.AtEnd()) {
            const qsizetype lineNo = FLines.Next + 1;
            const QString line = FLines.Take().trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
            if (!sawHeader) {
                if (line != QLatin1String(kRegFileHeader)) return Fail(lineNo, "missing header");
                sawHeader = true;
                continue;
            }
            if (line.startsWith(QLatin1Char('['))) {
                if (!line.endsWith(QLatin1Char(']'))) return Fail(lineNo, "unterminated key");
                QString path = line.mid(1, line.size() - 2);
                const bool remove = path.startsWith(QLatin1Char('-'));
                if (remove) path.remove(0, 1);
                const QStringList parts = RootAndPath(path);
                if (parts.isEmpty()) return Fail(lineNo, "empty key");
                if (parts.size() > kMaxKeyDepth + 1) return Fail(lineNo, "keys nested too deep");
                inSection = true;
                if (remove) {
                    THiveKey* parent = roots->Find(parts.mid(0, parts.size() - 1));
                    if (parent) parent->RemoveSubKey(parts.last());
                    current = nullptr;
                    FOpenPath.clear();
                    FOpenKeys.clear();
                } else {
                    current = OpenSection(*roots, parts);
                }
                continue;
            }
            if (!inSection) return Fail(lineNo, "value outside a key");
            if (!ParseValue(line, current)) return Fail(lineNo, "malformed value");
        }
        TRegParseResult result;
        result.Roots = std::move(roots);
        return result;
    }

private:
    static TRegParseResult Fail(qsizetype line, const char* what)
    {
        TRegParseResult r;
        r.Error = QStringLiteral("line %1: %2").arg(line).arg(QLatin1String(what));
        return r;
    }

    bool ParseValue(const QString& line, THiveKey* key)
    {
        qsizetype pos = 0;
        QString name;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (line.startsWith(QLatin1Char('"'))) {
            auto quoted = ReadQuoted(line, pos);
            if (!quoted) return false;
            name = *quoted;
        } else {
            return false;
        }
        while (pos < line.size() && line[pos].isSpace()) ++pos;
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) return false;
        ++pos;
        while (pos < line.size() && line[pos].isSpace()) ++pos;
        QString data = line.mid(pos);

        THiveValue value;
        value.Name = name;
        if (data == QLatin1String("-")) {
            if (key) key->RemoveValue(name);
            return true;
        }
        if (data.startsWith(QLatin1Char('"'))) {
            qsizetype at = 0;
            auto text = ReadQuoted(data, at);
            if (!text || !data.mid(at).trimmed().isEmpty()) return false;
            value.Type = REG_SZ;
            value.Text = *text;
        } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = data.mid(6).trimmed();
            bool ok = false;
            value.Dword = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8) return false;
            value.Type = REG_DWORD;
        } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            // Long data continues on the next lines after a trailing backslash.
            while (data.endsWith(QLatin1Char('\\'))) {
                data.chop(1);
                if (FLines.AtEnd()) return false;
                data += FLines.Take().trimmed();
            }
            const qsizetype colon = data.indexOf(QLatin1Char(':'));
            if (colon < 0) return false;
            const QString kind = data.left(colon).toLower();
            std::uint32_t type = REG_BINARY;
            if (kind != QLatin1String("hex")) {
                if (!kind.startsWith(QLatin1String("hex(")) || !kind.endsWith(QLatin1Char(')'))) return false;
                bool ok = false;
                type = kind.mid(4, kind.size() - 5).toUInt(&ok, 16);
                if (!ok) return false;
            }
            auto bytes = ReadHexBytes(data.mid(colon + 1));
            if (!bytes) return false;
            value.Type = type;
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                if (bytes->size() % 2 != 0) return false;
                value.Text = FromUtf16WithTerminator(*bytes);
            } else if (type == REG_DWORD) {
                if (bytes->size() != 4) return false;
                value.Dword = uchar((*bytes)[0]) | uchar((*bytes)[1]) << 8 | uchar((*bytes)[2]) << 16 |
                              std::uint32_t(uchar((*bytes)[3])) << 24;
            } else {
                value.Data = *bytes;
            }
        } else {
            return false;
        }
        if (key) key->SetValue(std::move(value));
        return true;
    }

    // Sections come in tree order, so each one mostly extends the previous
    // path: the keys of the shared part are taken from the previous section.
    THiveKey* OpenSection(THiveKey& roots, const QStringList& parts)
    {
        qsizetype shared = 0;
        while (shared < parts.size() && shared < FOpenPath.size() && parts[shared] == FOpenPath[shared]) ++shared;
        FOpenKeys.resize(std::size_t(shared));
        THiveKey* key = shared > 0 ? FOpenKeys.back() : &roots;
        for (qsizetype i = shared; i < parts.size(); ++i) {
            key = key->AddSubKey(parts[i]);
            FOpenKeys.push_back(key);
        }
        FOpenPath = parts;
        return key;
    }

    TLineReader FLines;
    QStringList FOpenPath;
    std::vector<THiveKey*> FOpenKeys;
};

} // namespace

QByteArray SerializeRegFile(const THiveKey& roots)
{
    QByteArray out;
    out += kRegFileHeader;
    out += "\n\n";
    roots.ForEachSubKey([&](const THiveKey& root) { AppendKey(out, root, root.Name(), true); });
    return out;
}

TRegParseResult ParseRegFile(const QByteArray& bytes)
{
    TRegParseResult result;
    const auto text = DecodeText(bytes);
    if (!text) {
        result.Error = QStringLiteral("the text is not valid UTF-8 or UTF-16");
        return result;
    }
    if (text->trimmed().isEmpty()) {
        result.Roots = std::make_unique<THiveKey>();
        return result;
    }
    TLineReader lines;
    QString normalised = *text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.Lines = normalised.split(QLatin1Char('\n'));
    return TRegParser(std::move(lines)).Run();
}
