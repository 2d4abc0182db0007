// The settings store: values, keys, names and the file they live in.
#include "platform/HiveTestSupport.h"
#include "platform/RegFileFormat.h"
#include "platform/Registry.h"
#include "platform/RegistryError.h"

namespace {

class HiveTest : public THiveTest {
protected:
    // A second view of the same file, as another program would see it.
    THive& Fresh() { return *FOthers.emplace_back(std::make_unique<THive>(HivePath())); }
    std::vector<std::unique_ptr<THive>> FOthers;
};

} // namespace

TEST_F(HiveTest, EveryValueTypeAndAwkwardNamesSurviveTheFile)
{
    const QString key = QStringLiteral("Software\\Q \"quoted\" [x]\\Ünïcödé ключ");
    const QString awkward = QStringLiteral("a \"quote\", a \\ backslash, \u00e9\u4e2d\U0001F600");
    const QByteArray binary("\x00\x01\xFE\xFF binary", 12);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteString(QStringLiteral("Plain"), QStringLiteral("text"));
        reg.WriteString(awkward, awkward);
        reg.WriteString(QString(), QStringLiteral("default value"));
        reg.WriteString(QStringLiteral("Lines"), QStringLiteral("one\r\ntwo\nthree"));
        reg.WriteString(QStringLiteral("Empty"), QString());
        reg.WriteExpandString(QStringLiteral("Expand"), QStringLiteral("%HOME%/x"));
        reg.WriteInteger(QStringLiteral("Dword"), -2);
        reg.WriteFloat(QStringLiteral("Float"), 0.1);
        reg.WriteBinaryData(QStringLiteral("Binary"), binary);
        reg.WriteBinaryData(QStringLiteral("Long"), QByteArray(100, '\x7f'));
        reg.CloseKey();
    }
    TRegistry reg(Fresh());
    ASSERT_TRUE(reg.OpenKey(key.toUpper(), false)) << "key names ignore case";
    EXPECT_EQ(reg.CurrentPath(), key.toUpper());
    EXPECT_EQ(reg.ReadString(QStringLiteral("plain")), "text");
    EXPECT_EQ(reg.ReadString(awkward), awkward);
    EXPECT_EQ(reg.ReadString(QString()), "default value");
    EXPECT_EQ(reg.ReadString(QStringLiteral("Lines")), "one\r\ntwo\nthree");
    EXPECT_TRUE(reg.ValueExists(QStringLiteral("Empty")));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Expand")), TRegDataType::rdExpandString);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Expand")), "%HOME%/x");
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Dword")), -2);
    EXPECT_EQ(reg.ReadFloat(QStringLiteral("Float")), 0.1);
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("Binary")), binary);
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("Long")), QByteArray(100, '\x7f'));
    EXPECT_EQ(reg.GetValueNames().first(), "Plain") << "values keep their written order";
}

TEST_F(HiveTest, FileIsAReadableRegistryExport)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Vendor"), true));
    reg.WriteString(QStringLiteral("Path"), QStringLiteral("C:\\dir\\\"x\""));
    reg.WriteInteger(QStringLiteral("Count"), 10);
    reg.WriteBinaryData(QStringLiteral("Bytes"), QByteArray("\x01\xab", 2));
    reg.CloseKey();
    EXPECT_EQ(HiveFile(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Vendor]\n"
              "\"Path\"=\"C:\\\\dir\\\\\\\"x\\\"\"\n"
              "\"Count\"=dword:0000000a\n"
              "\"Bytes\"=hex:01,ab\n\n");
}

TEST_F(HiveTest, ImportsARegistryEditorExport)
{
    // UTF-16LE with a byte-order mark and CRLF, as the registry editor writes it.
    const QString text = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quillmere Software\\Quillmere Cubiform]\r\n"
        "\"BookType\"=\"2\"\r\n"
        "\"Folder\"=hex(2):25,00,54,00,4d,00,50,00,25,00,00,00\r\n"
        "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17\r\n"
        "\"Number\"=dword:00000100\r\n"
        "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
        "; a comment\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Other]\r\n"
        "\"Kept\"=\"yes\"\r\n");
    QByteArray bytes("\xFF\xFE");
    bytes += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    WriteHiveFile(bytes);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Quillmere Software\\Quillmere Cubiform"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("BookType")), "2");
    EXPECT_EQ(reg.ReadString(QStringLiteral("Folder")), "%TMP%");
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("Blob")).size(), 24);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Number")), 256);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Multi")), TRegDataType::rdUnknown);
    // Writing back keeps what this program does not use, other roots included.
    reg.WriteString(QStringLiteral("BookType"), QStringLiteral("1"));
    reg.CloseKey();
    const QByteArray file = HiveFile();
    EXPECT_TRUE(file.contains("\"Multi\"=hex(7):61,00,00,00,00,00\n"));
    EXPECT_TRUE(file.contains("[HKEY_LOCAL_MACHINE\\Other]\n\"Kept\"=\"yes\""));
    EXPECT_TRUE(file.contains("\"BookType\"=\"1\""));
}

TEST_F(HiveTest, KeysEnumerateInRegistryOrderAndKeepTheirCase)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("List"), true));
    for (const char* name : {"beta", "Alpha", "_under", "gamma", "ALPHA2"}) reg.CreateKey(QString::fromLatin1(name));
    reg.CreateKey(QStringLiteral("BETA"));  // the same key as "beta"
    EXPECT_EQ(reg.GetKeyNames(), QStringList({"Alpha", "ALPHA2", "beta", "gamma", "_under"}));
    reg.WriteString(QStringLiteral("Value"), QStringLiteral("1"));
    reg.WriteString(QStringLiteral("VALUE"), QStringLiteral("2"));
    EXPECT_EQ(reg.GetValueNames(), QStringList{"Value"});
    EXPECT_EQ(reg.ReadString(QStringLiteral("value")), "2");
    // Found by name also after a value before it is deleted.
    for (const char* name : {"b", "\u00e9t\u00e9", "d"}) reg.WriteString(QString::fromUtf8(name), QString::fromUtf8(name));
    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("B")));
    reg.WriteString(QStringLiteral("\u00c9T\u00c9"), QStringLiteral("again"));
    EXPECT_EQ(reg.GetValueNames(), QStringList({"Value", "\u00e9t\u00e9", "d"}));
    EXPECT_EQ(reg.ReadString(QStringLiteral("D")), "d");
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("b")));
}

TEST_F(HiveTest, RelativeAndAbsoluteOpeningAndRecursiveDeletion)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\A\\B"), true));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("C\\D"), true));
    EXPECT_EQ(reg.CurrentPath(), "A\\B\\C\\D");
    reg.WriteString(QStringLiteral("x"), QStringLiteral("1"));
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("\\Missing"), false));
    EXPECT_EQ(reg.CurrentPath(), "A\\B\\C\\D") << "a failed open keeps the current key";
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\A"), false));
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_FALSE(reg.DeleteKey(QString())) << "an empty name never deletes the key itself";
    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("b")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("B\\C\\D")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("B")));
    reg.CloseKey();
    EXPECT_FALSE(HiveFile().contains("\\B"));
}

TEST_F(HiveTest, HandleSeesItsKeyDeletedOrReloadedElsewhere)
{
    TRegistry a;
    ASSERT_TRUE(a.OpenKey(QStringLiteral("Shared\\Key"), true));
    a.WriteString(QStringLiteral("v"), QStringLiteral("1"));
    {
        TRegistry b;
        ASSERT_TRUE(b.OpenKey(QStringLiteral("Shared"), false));
        EXPECT_TRUE(b.DeleteKey(QStringLiteral("Key")));
    }
    EXPECT_FALSE(a.ValueExists(QStringLiteral("v")));
    a.WriteString(QStringLiteral("w"), QStringLiteral("2"));  // writing brings the key back
    EXPECT_EQ(a.GetValueNames(), QStringList{"w"});
    a.Flush();

    // Another program replaces the file: a new session elsewhere reloads it.
    THive other(HivePath());
    {
        TRegistry c(other);
        ASSERT_TRUE(c.OpenKey(QStringLiteral("Shared\\Key"), true));
        c.WriteString(QStringLiteral("x"), QStringLiteral("3"));
    }
    TRegistry d;
    ASSERT_TRUE(d.OpenKey(QStringLiteral("Elsewhere"), true));
    EXPECT_EQ(a.ReadString(QStringLiteral("x")), "3");
}

TEST_F(HiveTest, TypeAndAccessErrorsCarryTheirTexts)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Errors"), true));
    reg.WriteInteger(QStringLiteral("Dword"), 5);
    reg.WriteBinaryData(QStringLiteral("Short"), QByteArray(4, 'x'));
    EXPECT_EQ(ErrorOf([&] { reg.ReadString(QStringLiteral("Dword")); }), "Invalid data type for 'Dword'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadFloat(QStringLiteral("Short")); }), "Invalid data type for 'Short'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadFloat(QStringLiteral("None")); }), "Failed to get data for 'None'");
    EXPECT_EQ(reg.ReadString(QStringLiteral("None")), "") << "a missing string is no error";
    EXPECT_EQ(ErrorOf([&] { reg.WriteString(QStringLiteral("bad\nname"), QString()); }),
              "Failed to set data for 'bad\nname'");
    const QString longName(256, QLatin1Char('k'));
    EXPECT_FALSE(reg.OpenKey(longName, true));
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey(longName); }), "Failed to create key " + longName);
    reg.CloseKey();

    TRegistry readOnly;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly(QStringLiteral("Errors")));
    EXPECT_EQ(ErrorOf([&] { readOnly.WriteString(QStringLiteral("x"), QString()); }), "Failed to set data for 'x'");
    EXPECT_FALSE(readOnly.DeleteValue(QStringLiteral("Dword")));
}

TEST_F(HiveTest, ChangesReachTheFileWhenTheKeyIsClosed)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Lazy"), true));
    reg.WriteString(QStringLiteral("v"), QStringLiteral("1"));
    EXPECT_FALSE(HiveFile().contains("\"v\"")) << "nothing is written while the key is open";
    reg.Flush();
    EXPECT_TRUE(HiveFile().contains("\"v\"=\"1\""));
    reg.WriteString(QStringLiteral("w"), QStringLiteral("2"));
    reg.CloseKey();
    EXPECT_TRUE(HiveFile().contains("\"w\"=\"2\""));
    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("w")) == false) << "no key is open";
}

TEST_F(HiveTest, DamagedLinesAreSkippedAndTheRestIsKept)
{
    const QByteArray text = "Windows Registry Editor Version 5.00\n"
                            "[HKEY_CURRENT_USER\\A]\n"
                            "\"good\"=\"1\"\n"
                            "\"v\"=\"unterminated\n"
                            "\"h\"=hex:zz\n"
                            "\"d\"=dword:123456789\n"
                            "\"cut\"=hex:01,\\\n"
                            "[HKEY_CURRENT_USER\\B\n"
                            "\"lost\"=\"with the unterminated key\"\n"
                            "[HKEY_CURRENT_USER\\C]\n"
                            "\"nul\"=\"a" + QByteArray(1, '\0') + "b\"\n"
                            "\"after\"=\"2\"\n"
                            "[HKEY_CURRENT_USER\\Templates\\Bad\x01Name]\n"
                            "\"lost\"=\"y\"\n"
                            "[HKEY_CURRENT_USER\\Templates\\" + QByteArray(256, 'k') + "]\n"
                            "[HKEY_CURRENT_USER\\Templates\\Kept]\n"
                            "\"FrontImage\"=\"C:\\\\Bilder\\\\caf\xE9.jpg\"\n";
    const TRegParseResult r = ParseRegFile(text);
    ASSERT_TRUE(r.Roots);
    EXPECT_EQ(r.Skipped.size(), 8) << r.Skipped.join('\n').toStdString();
    EXPECT_EQ(r.Skipped.value(0), "line 4: unterminated string");
    THiveKey* user = r.Roots->SubKey(QStringLiteral("HKEY_CURRENT_USER"));
    ASSERT_TRUE(user);
    ASSERT_TRUE(user->Find({"A"}));
    EXPECT_EQ(user->Find({"A"})->Values().size(), 1u);
    EXPECT_FALSE(user->Find({"B"}));
    ASSERT_TRUE(user->Find({"C"}));
    EXPECT_FALSE(user->Find({"C"})->Value(QStringLiteral("nul")));
    EXPECT_TRUE(user->Find({"C"})->Value(QStringLiteral("after")));
    EXPECT_EQ(user->Find({"Templates"})->SubKeyNames(), QStringList{"Kept"}) << "no template without a usable name";
    EXPECT_EQ(user->Find({"Templates", "Kept"})->Value(QStringLiteral("FrontImage"))->Text, "C:\\Bilder\\caf\u00e9.jpg")
        << "a line that is not UTF-8 reads as Windows-1252";

    // An old-style export with CR line ends and single-byte string data, and
    // a new-style one joined to its end.
    const TRegParseResult old = ParseRegFile("REGEDIT4\r\r[HKEY_CURRENT_USER\\R]\r\"s\"=\"x\"\r"
                                             "\"e\"=hex(2):25,54,4d,50,25,00\r"
                                             "Windows Registry Editor Version 5.00\r[HKCU\\R]\r\"w\"=hex(2):25,00,00,00\r");
    EXPECT_TRUE(old.Skipped.isEmpty()) << old.Skipped.join('\n').toStdString();
    const THiveKey* r4 = old.Roots->Find({"HKEY_CURRENT_USER", "R"});
    ASSERT_TRUE(r4);
    EXPECT_EQ(r4->Value(QStringLiteral("s"))->Text, "x");
    EXPECT_EQ(r4->Value(QStringLiteral("e"))->Type, REG_EXPAND_SZ);
    EXPECT_EQ(r4->Value(QStringLiteral("e"))->Text, "%TMP%");
    EXPECT_EQ(r4->Value(QStringLiteral("w"))->Text, "%");

    const QByteArray deep = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER" + QByteArray("\\k").repeated(600) + "]\n";
    EXPECT_FALSE(ParseRegFile(deep).Skipped.isEmpty()) << "nesting beyond the registry's limit";
    EXPECT_FALSE(ParseRegFile("not a registry file\n").Skipped.isEmpty());
    EXPECT_TRUE(ParseRegFile(QByteArray()).Skipped.isEmpty()) << "an empty file is an empty store";
    // Deletion entries of an import file apply.
    const TRegParseResult r2 = ParseRegFile(
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\\B]\n\"v\"=\"1\"\n\"w\"=\"2\"\n"
        "[HKEY_CURRENT_USER\\A\\B]\n\"w\"=-\n[-HKEY_CURRENT_USER\\A\\B]\n[HKCU\\C]\n");
    EXPECT_TRUE(r2.Skipped.isEmpty());
    user = r2.Roots->SubKey(QStringLiteral("HKEY_CURRENT_USER"));
    ASSERT_TRUE(user);
    EXPECT_FALSE(user->Find({"A", "B"}));
    EXPECT_TRUE(user->Find({"C"}));
}

TEST_F(HiveTest, WhateverIsReadWritesBackAndReadsTheSame)
{
    // A sample of every kind of line, damaged over and over at random.
    const QByteArray sample =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Q \"x\" [y]\\K\xC3\xA9]\r\n"
        "\"s\"=\"a \\\"b\\\" \\\\ c\"\r\n@=\"default\"\r\n\"d\"=dword:0000002a\r\n"
        "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n  16,17\r\n"
        "\"e\"=hex(2):25,00,54,00,00,00\r\n\"m\"=hex(7):61,00,00,00\r\n\"z\"=hex(1):61,00,0a,00,00,00\r\n\"u\"=hex(1):00,d8,00,00\r\n"
        "[-HKEY_CURRENT_USER\\Gone]\r\n[HKCU\\Templates\\One]\r\n\"FrontImage\"=\"C:\\\\f.jpg\"\r\n\"x\"=-\r\n";
    const char alphabet[] = {'\0', '\r', '\n', '"', '\\', '[', ']', '@', '=', ',', '-', ':', '\xE9', '\xC3', '\x01', 'h'};
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    for (int round = 0; round < 3000; ++round) {
        QByteArray text = sample;
        for (std::uint32_t edits = 1 + next(4); edits > 0; --edits) {
            const qsizetype at = next(std::uint32_t(text.size()));
            switch (next(3)) {
            case 0: text[at] = alphabet[next(sizeof alphabet)]; break;
            case 1: text.insert(at, alphabet[next(sizeof alphabet)]); break;
            default: text.remove(at, 1 + next(8)); break;
            }
        }
        const TRegParseResult first = ParseRegFile(text);
        const QByteArray written = SerializeRegFile(*first.Roots);
        const TRegParseResult again = ParseRegFile(written);
        ASSERT_TRUE(again.Skipped.isEmpty()) << again.Skipped.join('\n').toStdString() << "\n" << written.constData();
        ASSERT_EQ(SerializeRegFile(*again.Roots).toStdString(), written.toStdString()) << text.toPercentEncoding().constData();
    }
}
