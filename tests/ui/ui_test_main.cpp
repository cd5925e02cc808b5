#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

#include <cstdlib>

// Headless, with a pinned locale and font, wherever started, test discovery included.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    return RUN_ALL_TESTS();
}
