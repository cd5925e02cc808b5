#include "tests/support/pinned_environment.h"

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

// Headless, with a pinned locale and font, wherever started, test discovery included.
int main(int argc, char** argv)
{
    tavrel::test::PinEnvironment();
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    return RUN_ALL_TESTS();
}
