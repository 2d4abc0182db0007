// A fixture giving each test a settings store file of its own, next to the
// one the test program was started with.
#pragma once

#include "platform/Hive.h"
#include "platform/RegistryError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class THiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOldHive = qgetenv("CUBIFORM_HIVE");
        const QString base = FOldHive.isEmpty() ? QDir::tempPath() : QFileInfo(QString::fromLocal8Bit(FOldHive)).absolutePath();
        QDir().mkpath(base);
        FDir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/hive-XXXXXX"));
        ASSERT_TRUE(FDir->isValid());
        qputenv("CUBIFORM_HIVE", QFile::encodeName(HivePath()));
    }
    void TearDown() override
    {
        if (FOldHive.isEmpty())
            qunsetenv("CUBIFORM_HIVE");
        else
            qputenv("CUBIFORM_HIVE", FOldHive);
    }

    QString HivePath() const { return FDir->filePath(QStringLiteral("user.reg")); }
    QString DirPath() const { return FDir->path(); }
    THive& Hive() const { return THive::ForPath(HivePath()); }
    QByteArray HiveFile() const
    {
        QFile f(HivePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void WriteHiveFile(const QByteArray& bytes) const
    {
        QFile f(HivePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private:
    QByteArray FOldHive;
    std::unique_ptr<QTemporaryDir> FDir;
};

// The message of the settings-store error f raises.
template <class F>
QString ErrorOf(F f)
{
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}
