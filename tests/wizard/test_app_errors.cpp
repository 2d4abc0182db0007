// The application object of the program: an error that escapes an event
// handler is shown once the event is done, and the event loop goes on.
// This test program runs inside that application object, not the plain one of
// the other tests.
#include "wizard/Program.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

TEST(CubiformApplication, ErrorsFromSlotsAreShownAndTheLoopGoesOn)
{
    // As in the program, where the host window stays open under the boxes.
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList boxes;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                boxes << box->text();
                box->button(QMessageBox::Ok)->click();
            }
    });
    answer.start(10);

    // Two errors in one pass of the loop give one box, not a stack of them;
    // a later one gets its own box; an error that is no std::exception too.
    QTimer::singleShot(0, qApp, [] { throw std::runtime_error("the store is locked"); });
    QTimer::singleShot(0, qApp, [] { throw std::runtime_error("and again"); });
    QTimer::singleShot(200, qApp, [] { throw 42; });
    bool ranOn = false;
    QTimer::singleShot(400, qApp, [&] {
        ranOn = true;
        QApplication::exit(7);
    });
    EXPECT_EQ(QApplication::exec(), 7);
    EXPECT_TRUE(ranOn);
    EXPECT_EQ(boxes, QStringList({QStringLiteral("the store is locked"),
                                  QStringLiteral("An unexpected error ended the command.")}));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TCubiformApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
