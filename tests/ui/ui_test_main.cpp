#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Headless and with a pinned locale wherever started, test discovery included.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
