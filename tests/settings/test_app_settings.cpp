// Application settings, window settings and the position-remembering dialog.
#include "platform/HiveTestSupport.h"
#include "platform/Registry.h"
#include "platform/RegistryError.h"
#include "settings/AppSettings.h"
#include "settings/FormStreamPosition.h"
#include "settings/WindowSettings.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

class AppSettingsTest : public THiveTest {};

QString ReadAt(const QString& key, const QString& name)
{
    TRegistry reg;
    if (!reg.OpenKey(key, false)) return QStringLiteral("<no key>");
    return reg.ValueExists(name) ? reg.ReadString(name) : QStringLiteral("<no value>");
}

} // namespace

TEST_F(AppSettingsTest, FirstRunLoadsEmptyAndThePageDefaultsApply)
{
    TAppSettings* settings = AppSettings(0);
    EXPECT_FALSE(settings->DefaultSize());
    EXPECT_TRUE(settings->OpenInitDir().isEmpty());
    EXPECT_FALSE(settings->LeftOrientation());
    EXPECT_TRUE(settings->CustomColors().isEmpty());
    EXPECT_EQ(settings->BookType(), 0);
    EXPECT_EQ(AppSettings(0), settings) << "one instance for the program";
    EXPECT_FALSE(QFile::exists(HivePath())) << "reading settings writes nothing";

    settings->ApplyFirstRunDefaults(SamplesFolder());
    EXPECT_TRUE(settings->DefaultSize());
    EXPECT_EQ(settings->OpenInitDir(), ProgramFolder() + "Samples/");
    EXPECT_EQ(settings->SaveInitDir(), ProgramFolder() + "Samples/");
    AppSettings(1);
}

TEST_F(AppSettingsTest, SavedValuesLandUnderTheProgramKeyAndComeBack)
{
    TAppSettings* settings = AppSettings(0);
    settings->SetDefaultSize(true);
    settings->SetOpenInitDir(QStringLiteral("/home/u/Pictures/"));
    settings->SetSaveInitDir(QStringLiteral("/tmp/\"quoted\"\\dir/"));
    settings->SetLeftOrientation(true);
    settings->SetCustomColors({QStringLiteral("ColorA=FFFFFF"), QStringLiteral("ColorB=00FF00")});
    settings->SetBookType(2);
    EXPECT_EQ(AppSettings(1), nullptr);

    const QString k = QStringLiteral("\\Software\\Quillmere Software\\Quillmere Cubiform");
    EXPECT_EQ(ReadAt(k, "DefaultSize"), "1");
    EXPECT_EQ(ReadAt(k, "LeftOrientation"), "1");
    EXPECT_EQ(ReadAt(k, "BookType"), "2");
    EXPECT_EQ(ReadAt(k + "\\CustomColors", "CustomColors1"), "ColorB=00FF00");

    settings = AppSettings(0);
    EXPECT_TRUE(settings->DefaultSize());
    EXPECT_EQ(settings->SaveInitDir(), "/tmp/\"quoted\"\\dir/");
    EXPECT_EQ(settings->CustomColors(), QStringList({"ColorA=FFFFFF", "ColorB=00FF00"}));
    EXPECT_EQ(settings->BookType(), 2);
    // After an explicit save with AutoSave off, freeing writes nothing more.
    settings->Save();
    settings->SetAutoSave(false);
    settings->SetBookType(1);
    AppSettings(1);
    EXPECT_EQ(ReadAt(k, "BookType"), "2");
}

TEST_F(AppSettingsTest, WrongValueTypeStopsLoadingAndKeepsTheStoredValues)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ProgramKey(), true));
        reg.WriteString(QStringLiteral("BookType"), QStringLiteral("1"));
        reg.WriteInteger(QStringLiteral("Left"), 40);  // a DWORD where text belongs
        reg.CloseKey();
    }
    try {
        WindowSettings(0);
        FAIL() << "expected an error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Invalid data type for 'Left'");
    }
    // The half-loaded object did not write its zeros over the stored values.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(ProgramKey(), false));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Left")), TRegDataType::rdInteger);
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Width")));
}

TEST_F(AppSettingsTest, WindowSettingsShareTheKeyAndKeepWindowState)
{
    TWindowSettings* window = WindowSettings(0);
    EXPECT_EQ(window->GetWidth(), 0);
    window->SetBounds(10, 20, 475, 500);
    window->SetWindowState(2);
    WindowSettings(1);
    AppSettings(0)->SetBookType(1);
    AppSettings(1);

    const QString k = QLatin1Char('\\') + ProgramKey();
    EXPECT_EQ(ReadAt(k, "Width"), "500");
    EXPECT_EQ(ReadAt(k, "Height"), "475");
    EXPECT_EQ(ReadAt(k, "BookType"), "1");
    window = WindowSettings(0);
    EXPECT_EQ(window->GetLeft(), 10);
    EXPECT_EQ(window->GetTop(), 20);
    EXPECT_EQ(window->GetHeight(), 475);
    EXPECT_EQ(window->GetWidth(), 500);
    EXPECT_EQ(window->GetWindowState(), 2);
    WindowSettings(1);
}

TEST_F(AppSettingsTest, AssignCopiesEveryField)
{
    TAppSettings a, b;
    a.SetAutoSave(false);
    b.SetAutoSave(false);
    a.SetCustomColors({"x"});
    a.SetBookType(2);
    a.SetOpenInitDir("o");
    EXPECT_TRUE(b.Assign(&a));
    EXPECT_EQ(b.CustomColors(), QStringList{"x"});
    EXPECT_EQ(b.BookType(), 2);
    EXPECT_EQ(b.OpenInitDir(), "o");
    TWindowSettings w;
    w.SetAutoSave(false);
    EXPECT_FALSE(b.Assign(&w));
}

// ---- the dialog base ----

namespace {

class TTestDialog : public TStreamPositionFrm {
public:
    TTestDialog(const QString& key, bool fixed) : TStreamPositionFrm(nullptr, key)
    {
        if (fixed)
            setFixedSize(300, 200);
        else
            resize(300, 200);
    }
};

QRect ScreenArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

TEST_F(AppSettingsTest, DialogIsCentredWithoutAUsableStoredPlace)
{
    auto centredWith = [](const QString& key, const QStringList& values) {
        {
            TRegistry reg;
            EXPECT_TRUE(reg.OpenKey(key, true));
            for (qsizetype i = 0; i + 1 < values.size(); i += 2) reg.WriteString(values[i], values[i + 1]);
            reg.CloseKey();
        }
        TTestDialog dialog(key, false);
        dialog.ApplyStoredPosition();
        return dialog.size() == QSize(300, 200) && dialog.pos() == ScreenArea().center() - QPoint(150, 100);
    };
    EXPECT_TRUE(centredWith(DialogKey("New Image"), {"Left", "5", "Top", "6", "Width", "0"}))
        << "a stored width of 0 centres even with a stored place";
    EXPECT_TRUE(centredWith(DialogKey("Input"), {"Left", "-5000", "Top", "40", "Width", "300", "Height", "200"}))
        << "a place on no screen";
}

TEST_F(AppSettingsTest, DialogPositionIsWrittenOnDestructionAndRestored)
{
    const QString key = DialogKey("Font");
    {
        TTestDialog dialog(key, false);
        dialog.ApplyStoredPosition();
        dialog.move(30, 40);
        dialog.resize(350, 250);
    }
    EXPECT_EQ(ReadAt(QLatin1Char('\\') + key, "Left"), "30");
    EXPECT_EQ(ReadAt(QLatin1Char('\\') + key, "Width"), "350");
    TTestDialog sizeable(key, false);
    sizeable.ApplyStoredPosition();
    EXPECT_EQ(sizeable.pos(), QPoint(30, 40));
    EXPECT_EQ(sizeable.size(), QSize(350, 250));
    // A dialog of fixed size takes only the place.
    TTestDialog fixed(key, true);
    fixed.ApplyStoredPosition();
    EXPECT_EQ(fixed.pos(), QPoint(30, 40));
    EXPECT_EQ(fixed.size(), QSize(300, 200));
}

TEST_F(AppSettingsTest, TemplatesDialogKeyIsAtTheTopOfTheHive)
{
    {
        TTestDialog dialog(TemplatesDialogKey(), true);
        dialog.ApplyStoredPosition();
        dialog.move(12, 13);
    }
    EXPECT_EQ(ReadAt("\\Templates", "Left"), "12");
    EXPECT_TRUE(HiveFile().contains("[HKEY_CURRENT_USER\\Templates]"));
}
