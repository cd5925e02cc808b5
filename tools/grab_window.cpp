// Saves a picture of an X11 window as PNG, as the X server shows it.
//
//   tavrel-grab-window <window id> <png file>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    bool isNumber = false;
    const WId window = argc == 3 ? QString::fromLocal8Bit(argv[1]).toULongLong(&isNumber) : 0;
    if (!isNumber) {
        std::fprintf(stderr, "用法：tavrel-grab-window <窗口编号> <PNG 文件>\n");
        return 2;
    }
    const QPixmap picture = application.primaryScreen()->grabWindow(window);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, picture.isNull() ? "无法截取窗口 %s\n" : "无法写入文件“%s”\n", argv[picture.isNull() ? 1 : 2]);
        return 1;
    }
    return 0;
}
