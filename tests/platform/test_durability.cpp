// The settings store shared between processes and surviving crashes and
// damaged files.
#include "platform/HiveTestSupport.h"
#include "platform/Registry.h"
#include "platform/RegistryError.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class DurabilityTest : public THiveTest {
protected:
    QString Writer() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/cubiform_hive_writer"); }

    void WriteValue(THive& hive, const QString& name, const QString& value)
    {
        TRegistry reg(hive);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Race"), true));
        reg.WriteString(name, value);
        reg.CloseKey();
    }

    QStringList ValueNames()
    {
        THive fresh(HivePath());
        TRegistry reg(fresh);
        if (!reg.OpenKey(QStringLiteral("Race"), false)) return {};
        return reg.GetValueNames();
    }

    QStringList SetAside() const
    {
        return QDir(DirPath()).entryList({QStringLiteral("user.reg.damaged-*")}, QDir::Files);
    }
};

} // namespace

TEST_F(DurabilityTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kCount = 150;
    QProcess a, b;
    a.start(Writer(), {HivePath(), "write", "a", QString::number(kCount)});
    b.start(Writer(), {HivePath(), "write", "b", QString::number(kCount)});
    // This process writes in the middle of the race too.
    THive mine(HivePath());
    for (int i = 0; i < 20; ++i) WriteValue(mine, "m" + QString::number(i), "x");
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().constData();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().constData();

    const QStringList names = ValueNames();
    EXPECT_EQ(names.size(), 2 * kCount + 20);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_TRUE(names.contains("a" + QString::number(i))) << i;
        EXPECT_TRUE(names.contains("b" + QString::number(i))) << i;
    }
    EXPECT_TRUE(SetAside().isEmpty());
}

TEST_F(DurabilityTest, PendingChangesMergeWithWhatAnotherWriterCommitted)
{
    THive first(HivePath()), second(HivePath());
    TRegistry one(first), two(second);
    ASSERT_TRUE(one.OpenKey(QStringLiteral("Race"), true));
    ASSERT_TRUE(two.OpenKey(QStringLiteral("Race"), true));
    one.WriteString(QStringLiteral("one"), QStringLiteral("1"));
    two.WriteString(QStringLiteral("two"), QStringLiteral("2"));
    two.WriteString(QStringLiteral("shared"), QStringLiteral("from two"));
    two.CloseKey();
    one.WriteString(QStringLiteral("shared"), QStringLiteral("from one"));
    one.CloseKey();
    TRegistry check(THive::ForPath(HivePath()));
    ASSERT_TRUE(check.OpenKey(QStringLiteral("Race"), false));
    EXPECT_EQ(check.ReadString(QStringLiteral("one")), "1");
    EXPECT_EQ(check.ReadString(QStringLiteral("two")), "2");
    EXPECT_EQ(check.ReadString(QStringLiteral("shared")), "from one") << "the later commit wins";
    // A new session sees the other writer's changes.
    TRegistry again(second);
    ASSERT_TRUE(again.OpenKey(QStringLiteral("Race"), false));
    EXPECT_EQ(again.ReadString(QStringLiteral("one")), "1");
}

TEST_F(DurabilityTest, CrashBetweenWritingAndRenamingKeepsTheOldFile)
{
    THive hive(HivePath());
    WriteValue(hive, QStringLiteral("kept"), QStringLiteral("old"));
    const QByteArray before = HiveFile();

    QProcess crash;
    crash.start(Writer(), {HivePath(), "crash", "lost", "new"});
    ASSERT_TRUE(crash.waitForFinished(30000));
    EXPECT_EQ(crash.exitCode(), 42);
    EXPECT_EQ(HiveFile(), before);
    EXPECT_TRUE(QFile::exists(HivePath() + ".tmp")) << "the crash left its half-done work beside the file";

    // The lock died with the process; the next writer carries on.
    THive after(HivePath());
    WriteValue(after, QStringLiteral("later"), QStringLiteral("1"));
    const QStringList names = ValueNames();
    EXPECT_TRUE(names.contains("kept"));
    EXPECT_TRUE(names.contains("later"));
    EXPECT_FALSE(names.contains("lost"));
    EXPECT_FALSE(QFile::exists(HivePath() + ".tmp"));
}

TEST_F(DurabilityTest, FailedCommitKeepsTheFileAndTheChanges)
{
    THive hive(HivePath());
    WriteValue(hive, QStringLiteral("a"), QStringLiteral("1"));
    const QByteArray before = HiveFile();
    hive.SetBeforeRenameHook([](const QString&) { throw ERegistryException(QStringLiteral("disk gone")); });
    TRegistry reg(hive);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Race"), true));
    reg.WriteString(QStringLiteral("b"), QStringLiteral("2"));
    EXPECT_THROW(reg.CloseKey(), ERegistryException);
    EXPECT_EQ(HiveFile(), before);
    EXPECT_FALSE(QFile::exists(HivePath() + ".tmp"));
    EXPECT_TRUE(hive.HasPendingChanges());
    hive.SetBeforeRenameHook({});
    hive.Commit();
    EXPECT_TRUE(ValueNames().contains("b"));
}

TEST_F(DurabilityTest, FullDiskKeepsTheOldFileAndNamesTheReason)
{
    THive hive(HivePath());
    WriteValue(hive, QStringLiteral("kept"), QStringLiteral("old"));
    const QByteArray before = HiveFile();
    // A child process whose files may not grow past 4 KB stands in for a full disk.
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QString message = QStringLiteral("<no error>");
        try {
            THive full(HivePath());
            TRegistry reg(full);
            reg.OpenKey(QStringLiteral("Race"), true);
            reg.WriteString(QStringLiteral("big"), QString(20000, QLatin1Char('x')));
            reg.CloseKey();
        } catch (const ERegistryException& e) {
            message = e.Message();
        }
        const QByteArray bytes = message.toUtf8();
        [[maybe_unused]] const ssize_t n = ::write(channel[1], bytes.constData(), size_t(bytes.size()));
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray reported;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        reported.append(buffer, n);
    }
    ::close(channel[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QString message = QString::fromUtf8(reported);
    EXPECT_TRUE(message.contains(HivePath())) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << message.toStdString();
    EXPECT_EQ(HiveFile(), before);
    EXPECT_FALSE(QFile::exists(HivePath() + ".tmp"));
}

TEST_F(DurabilityTest, StoreTooLargeToReadBackIsNeverWritten)
{
    THive hive(HivePath());
    WriteValue(hive, QStringLiteral("kept"), QStringLiteral("old"));
    const QByteArray before = HiveFile();
    // Each value is within bounds; together they would make a file the next start would set aside.
    const QString big(8 << 20, QChar(0x4e2d));
    TRegistry reg(hive);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Race"), true));
    for (int i = 0; i < 3; ++i) reg.WriteString(QStringLiteral("big") + QString::number(i), big);
    EXPECT_TRUE(ErrorOf([&] { reg.CloseKey(); }).startsWith(QStringLiteral("Failed to write the settings file")));
    EXPECT_EQ(HiveFile(), before);
    EXPECT_TRUE(hive.HasPendingChanges());
}

TEST_F(DurabilityTest, DamagedFileIsSetAsideAndWhatCouldBeReadIsKept)
{
    const QByteArray torn = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Race]\n\"kept\"=\"1\"\n\"v\"=\"torn";
    WriteHiveFile(torn);
    THive hive(HivePath());
    TRegistry reg(hive);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Race"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("kept")), "1");
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("v")));
    reg.CloseKey();
    const QStringList aside = SetAside();
    ASSERT_EQ(aside.size(), 1);
    QFile kept(DirPath() + "/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), torn) << "the damaged file is kept as it was";
    EXPECT_EQ(hive.TakeSetAsideCopies(), QStringList{DirPath() + "/" + aside.first()});
    EXPECT_TRUE(hive.TakeSetAsideCopies().isEmpty()) << "the user is told once";
    // What was read is in place at once, for a program that only reads.
    EXPECT_EQ(ValueNames(), QStringList{"kept"});
    EXPECT_FALSE(HiveFile().contains("torn"));

    // Binary junk too, and a second damaged file does not overwrite the first one set aside.
    WriteHiveFile(QByteArray("\x00\xff\x13\x37", 4));
    THive again(HivePath());
    TRegistry reg2(again);
    EXPECT_FALSE(reg2.OpenKey(QStringLiteral("Race"), false));
    EXPECT_EQ(SetAside().size(), 2);
}

TEST_F(DurabilityTest, FileCaughtHalfWrittenIsReadAgain)
{
    const QByteArray whole = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Race]\n\"a\"=\"1\"\n\"b\"=\"2\"\n";
    WriteHiveFile(whole.left(whole.size() - 6));  // cut inside the last value
    THive hive(HivePath());
    // Another program finishes writing the file just after the first read.
    hive.SetAfterReadHook([&](int attempt) {
        if (attempt == 0) WriteHiveFile(whole);
    });
    TRegistry reg(hive);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Race"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("b")), "2");
    EXPECT_TRUE(SetAside().isEmpty());
    EXPECT_TRUE(hive.TakeSetAsideCopies().isEmpty());
}

TEST_F(DurabilityTest, DeeplyNestedKeysLoadAndSaveAgain)
{
    // Three branches 500 keys deep with long names: one section line each.
    QByteArray text = "Windows Registry Editor Version 5.00\n\n";
    for (const char branch : {'a', 'b', 'c'}) {
        text += "[HKEY_CURRENT_USER\\Deep";
        for (int i = 0; i < 500; ++i) text += '\\' + QByteArray(200, branch);
        text += "]\n\"leaf\"=\"1\"\n\n";
    }
    WriteHiveFile(text);
    THive hive(HivePath());
    TRegistry reg(hive);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Deep"), false));
    reg.WriteString(QStringLiteral("v"), QStringLiteral("saved"));
    EXPECT_NO_THROW(reg.CloseKey());
    EXPECT_TRUE(SetAside().isEmpty());
    EXPECT_LT(HiveFile().size(), text.size() + 100) << "the file grows with the keys' paths, not their square";
    QString deepest = QStringLiteral("Deep");
    for (int i = 0; i < 500; ++i) deepest += QStringLiteral("\\") + QString(200, QLatin1Char('c'));
    TRegistry check(THive::ForPath(HivePath()));
    ASSERT_TRUE(check.OpenKey(deepest, false));
    EXPECT_EQ(check.ReadString(QStringLiteral("leaf")), "1");
}

TEST(TestRun, NeverTouchesTheUsersSettings)
{
    if (qEnvironmentVariableIsSet("CUBIFORM_PROBE_DEFAULT_STORE")) {
        // The run below: write through the default store as a test would.
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Probe"), true));
        reg.WriteString(QStringLiteral("v"), QStringLiteral("1"));
        reg.CloseKey();
        return;
    }
    // This test program started by hand: no store of its own, a home of its own.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("CUBIFORM_HIVE"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("CUBIFORM_PROBE_DEFAULT_STORE"), QStringLiteral("1"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=TestRun.NeverTouchesTheUsersSettings")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardOutput().constData();
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("config/cubiform"))));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral(".config/cubiform"))));
}

TEST_F(DurabilityTest, SymbolicLinkToTheFileStaysALink)
{
    // A link to a link (relative) to the file a dotfile manager keeps.
    const QString target = DirPath() + "/dotfiles/user.reg";
    QDir().mkpath(DirPath() + "/dotfiles");
    ASSERT_EQ(::symlink("dotfiles/user.reg", QFile::encodeName(DirPath() + "/middle.reg").constData()), 0);
    ASSERT_TRUE(QFile::link(DirPath() + "/middle.reg", HivePath()));
    WriteValue(THive::ForPath(HivePath()), QStringLiteral("linked"), QStringLiteral("1"));
    THive direct(HivePath());
    WriteValue(direct, QStringLiteral("direct"), QStringLiteral("2"));
    EXPECT_TRUE(QFileInfo(HivePath()).isSymLink());
    EXPECT_TRUE(QFileInfo(DirPath() + "/middle.reg").isSymLink());
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    EXPECT_TRUE(written.contains("\"linked\"=\"1\""));
    EXPECT_TRUE(written.contains("\"direct\"=\"2\""));
    EXPECT_FALSE(QFile::exists(HivePath() + ".lock")) << "the lock lives beside the file itself";
}

TEST_F(DurabilityTest, FileThatIsNotARegularFileIsNeitherWaitedForNorReplaced)
{
    // A FIFO stands in for a device node: opening it to read would wait for a writer.
    const QString fifo = DirPath() + "/fifo";
    const QString other = DirPath() + "/other-fifo";
    const QString link = DirPath() + "/link.reg";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(other).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(other, link));
    ::alarm(60);  // a hang ends the test program instead of the run
    for (const QString& path : {fifo, link}) {
        THive hive(path);
        TRegistry reg(hive);
        EXPECT_FALSE(reg.OpenKey(QStringLiteral("Race"), false)) << "nothing was read";
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Race"), true));
        reg.WriteString(QStringLiteral("v"), QStringLiteral("in memory"));
        EXPECT_NO_THROW(reg.CloseKey());
        EXPECT_FALSE(hive.HasPendingChanges()) << "nothing waits to be written";
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Race"), false));
        EXPECT_EQ(reg.ReadString(QStringLiteral("v")), "in memory") << "the run goes on with its values";
        const QString notice = hive.TakeUnusableFileNotice();
        EXPECT_TRUE(notice.contains(QStringLiteral("not a regular file"))) << notice.toStdString();
        EXPECT_TRUE(hive.TakeUnusableFileNotice().isEmpty()) << "told once";
    }
    ::alarm(0);
    struct stat st {};
    for (const QString& path : {fifo, other}) {
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << path.toStdString();
    }
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(DirPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList({"fifo", "link.reg", "other-fifo"}))
        << "no lock, temporary or copy beside them";
}

TEST_F(DurabilityTest, LocationFollowsTheEnvironment)
{
    qputenv("CUBIFORM_HIVE", "/somewhere/store.reg");
    EXPECT_EQ(THive::DefaultPath(), "/somewhere/store.reg");
    qunsetenv("CUBIFORM_HIVE");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(DirPath()));
    EXPECT_EQ(THive::DefaultPath(), DirPath() + "/cubiform/user.reg");
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(THive::DefaultPath(), QDir::homePath() + "/.config/cubiform/user.reg");
}
