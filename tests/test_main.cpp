// Runs the GoogleTest suites inside a QApplication on the "offscreen" platform.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A test program started by hand must not touch the user's own settings:
    // unless it was given a store, it gets a scratch one for the run.
    std::optional<QTemporaryDir> scratch;
    if (qEnvironmentVariableIsEmpty("CUBIFORM_HIVE")) {
        scratch.emplace();
        if (!scratch->isValid()) return 2;
        qputenv("CUBIFORM_HIVE", QFile::encodeName(scratch->filePath(QStringLiteral("user.reg"))));
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
