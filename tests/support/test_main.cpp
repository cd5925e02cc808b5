#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#ifdef TAVREL_QT_TEST_MAIN
#include <QApplication>
#include <QFont>
#endif

// The same locale, Qt platform, runtime and cache folders wherever a test program
// starts, test discovery included: messages in English from the C library,
// windows offscreen, and Qt quiet about XDG_RUNTIME_DIR. Qt's programs also
// get their application, with a pinned font.
int main(int argc, char** argv)
{
#ifdef _WIN32
    // Windows takes the language and code pages from the user's settings,
    // not from the environment; Qt's programs are not built for it.
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
#else
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("LANG", "C.UTF-8", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::filesystem::path runtime =
        std::filesystem::temp_directory_path() / ("tavrel-runtime-" + std::to_string(getuid()));
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // The programs' caches (the built phrases) stay out of the user's.
    setenv("XDG_CACHE_HOME", (runtime / "cache").c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
#ifdef TAVREL_QT_TEST_MAIN
    QApplication application(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
#endif
    return RUN_ALL_TESTS();
#endif
}
