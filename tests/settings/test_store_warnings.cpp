// The warning boxes about the settings store: a damaged file at start, a
// save refused at exit.
#include "platform/HiveTestSupport.h"
#include "platform/Registry.h"
#include "settings/StoreWarnings.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <sys/stat.h>

namespace {

// Runs f, answering every message box it opens; returns the boxes' texts.
template <class F>
QStringList BoxesDuring(F f)
{
    QStringList texts;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->accept();
        }
    });
    answer.start();
    f();
    return texts;
}

class StoreWarningsTest : public THiveTest {};

} // namespace

TEST_F(StoreWarningsTest, DamagedFileIsToldOnceNamingTheCopy)
{
    WriteHiveFile("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"torn");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("A"), false));
    reg.CloseKey();
    const QStringList copies = QDir(DirPath()).entryList({QStringLiteral("user.reg.damaged-*")});
    ASSERT_EQ(copies.size(), 1);
    const QStringList first = BoxesDuring([] { WarnOfDamagedSettings(nullptr); });
    ASSERT_EQ(first.size(), 1);
    EXPECT_TRUE(first[0].contains(copies[0])) << first[0].toStdString();
    EXPECT_TRUE(BoxesDuring([] { WarnOfDamagedSettings(nullptr); }).isEmpty());
}

TEST_F(StoreWarningsTest, RefusedSaveIsToldAndALaterOneWrites)
{
    THive& hive = THive::Default();
    hive.SetBeforeRenameHook([](const QString&) { throw ERegistryException(QStringLiteral("disk gone")); });
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("A"), true));
        reg.WriteString(QStringLiteral("v"), QStringLiteral("1"));
    }  // the save at destruction fails quietly, as it does at exit
    bool saved = true;
    const QStringList boxes = BoxesDuring([&] { saved = WarnOfUnsavedSettings(nullptr); });
    EXPECT_FALSE(saved);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Your settings and templates could not be saved.")));
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("disk gone")));

    hive.SetBeforeRenameHook({});
    EXPECT_TRUE(BoxesDuring([&] { saved = WarnOfUnsavedSettings(nullptr); }).isEmpty());
    EXPECT_TRUE(saved);
    EXPECT_TRUE(HiveFile().contains("\"v\"=\"1\""));
}

TEST_F(StoreWarningsTest, SettingsFileThatIsNotARegularFileIsToldOnceAndNothingIsSaved)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(HivePath()).constData(), 0600), 0);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("A"), true));
        reg.WriteString(QStringLiteral("v"), QStringLiteral("1"));
    }
    const QStringList boxes = BoxesDuring([] { WarnOfDamagedSettings(nullptr); });
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(HivePath() + QStringLiteral("' is not a regular file"))) << boxes[0].toStdString();
    EXPECT_TRUE(BoxesDuring([] { WarnOfDamagedSettings(nullptr); }).isEmpty());
    bool saved = false;
    EXPECT_TRUE(BoxesDuring([&] { saved = WarnOfUnsavedSettings(nullptr); }).isEmpty());
    EXPECT_TRUE(saved);
}

TEST_F(StoreWarningsTest, SaveThatFailedInADestructorIsToldAtExit)
{
    NoteFailedSave(QStringLiteral("Failed to create key a\nb"));
    bool saved = true;
    const QStringList boxes = BoxesDuring([&] { saved = WarnOfUnsavedSettings(nullptr); });
    EXPECT_FALSE(saved);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("Failed to create key a\nb")));
    EXPECT_TRUE(BoxesDuring([&] { saved = WarnOfUnsavedSettings(nullptr); }).isEmpty()) << "told once";
}
