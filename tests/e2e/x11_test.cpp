#include "files/platform.h"
#include "tests/support/temp_dir.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <thread>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// Generous, for a loaded two-core machine: a bound on waiting, never a
// measure of speed.
constexpr int kPatience = 120'000;

// A process's exit code once it ends; -1 if it does not end normally.
int ExitCode(QProcess& process)
{
    const bool ended = process.waitForFinished(kPatience) && process.exitStatus() == QProcess::NormalExit;
    return ended ? process.exitCode() : -1;
}

// Runs a tool to its end: its exit code and output.
std::pair<int, QString> Tool(const QString& name, const QStringList& arguments)
{
    QProcess tool;
    tool.start(name, arguments);
    return {ExitCode(tool), QString::fromUtf8(tool.readAllStandardOutput())};
}

void Xdotool(const QStringList& arguments)
{
    EXPECT_EQ(Tool("xdotool", arguments).first, 0) << arguments.join(u' ').toStdString();
}

// What the clipboard holds once it is `expected`, or what it last held.
QString WaitForClipboard(const QString& expected)
{
    QString held;
    for (const QDeadlineTimer deadline(kPatience); held != expected && !deadline.hasExpired(); QThread::msleep(100))
        held = Tool("xclip", {"-selection", "clipboard", "-o"}).second;
    return held;
}

// What a window manager sends when the user closes `window`: a WM_PROTOCOLS
// client message naming WM_DELETE_WINDOW.
void SendDeleteWindow(const QString& window)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

// The real program in a private X server, driven as a user would: xdotool for
// the mouse and keyboard, xclip for the clipboard. Both and the program
// inherit the server's address.
class X11Test : public testing::Test {
protected:
    void SetUp() override
    {
        // -noreset: without it the server resets whenever its last client
        // leaves, and a client connecting at that moment is refused.
        server.start(QStringLiteral("Xvfb"),
                     {"-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QByteArray display;
        while (!display.contains('\n') && server.waitForReadyRead(kPatience))
            display += server.readAllStandardOutput();
        ASSERT_TRUE(display.contains('\n')) << server.readAllStandardError().toStdString();
        qputenv("DISPLAY", ":" + display.trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
    }

    void TearDown() override
    {
        for (QProcess* process : {&program, &server}) {
            process->kill();
            process->waitForFinished(kPatience);
        }
    }

    // Starts the program in `folder` and focuses its first visible window whose title matches.
    void Start(const fs::path& executable, const QString& title, const fs::path& folder = {})
    {
        program.setWorkingDirectory(QString::fromStdString(folder.string()));
        program.start(QString::fromStdString(executable.string()), {});
        ASSERT_TRUE(program.waitForStarted(kPatience)) << program.errorString().toStdString();
        window = Tool("xdotool", {"search", "--sync", "--onlyvisible", "--name", title}).second.section(u'\n', 0, 0);
        ASSERT_FALSE(window.isEmpty());
        Xdotool({"windowfocus", "--sync", window});
    }

    tavrel::test::TempDir runtime;
    QProcess server;
    QProcess program;
    QString window;
};

// Latin letters and Enter are typed, Chinese is pasted: xdotool types a
// character the keyboard map lacks by rebinding a spare key and undoing that
// at once, and a busy program may read the map after the undo and lose it.
TEST_F(X11Test, EnteredTextAppearsSimplifiedAboveAndCloseEndsWithZero)
{
    ASSERT_NO_FATAL_FAILURE(Start(tavrel::platform::ApplicationDirectory() / "tavrel", QStringLiteral("^Tavrel-")));
    // A dock groups the window with its launcher by the desktop entry's StartupWMClass.
    const QString entry = QString::fromStdString(
        tavrel::test::ReadBytes(fs::path(TAVREL_SOURCE_DIR) / "packaging/linux/com.example.tavrel.desktop"));
    const QString windowClass = entry.section(QStringLiteral("StartupWMClass="), 1).section(u'\n', 0, 0);
    EXPECT_EQ(Tool("xdotool", {"search", "--class", "^" + windowClass + "$"}).second.section(u'\n', 0, 0), window);
    Xdotool({"mousemove", "--sync", "--window", window, "316", "346", "click", "1"});  // the lower pane
    Xdotool({"type", "--delay", "50", "Tavrel 3.0"});
    Xdotool({"key", "Return"});
    // One paste, the last entry: nothing else takes the clipboard before the
    // program has read it. xclip serves the text from the background.
    const QString copied = QStringLiteral("中國的漢字\n與書");
    tavrel::test::WriteBytes(runtime / "copied", copied.toStdString());
    const QString copiedFile = QString::fromStdString((runtime / "copied").string());
    ASSERT_EQ(Tool("xclip", {"-selection", "clipboard", "-i", copiedFile}).first, 0);
    ASSERT_EQ(WaitForClipboard(copied), copied);
    Xdotool({"key", "ctrl+v"});
    Xdotool({"mousemove", "--sync", "--window", window, "140", "480", "click", "1"});  // 繁体转简体
    Xdotool({"mousemove", "--sync", "--window", window, "316", "120", "click", "1"});  // the upper pane
    Xdotool({"key", "ctrl+a", "ctrl+c"});
    const QString expected = QStringLiteral("Tavrel 3.0\n中国的汉字\n与书");
    EXPECT_EQ(WaitForClipboard(expected), expected);
    Xdotool({"mousemove", "--sync", "--window", window, "688", "480", "click", "1"});  // 关闭
    EXPECT_EQ(ExitCode(program), 0);
}

// The program copied where there are no tables: the failure box comes before
// any window, and the program exits with 1 naming the table file and why.
TEST_F(X11Test, MissingTableIsNamedAndTheProgramExitsWithOne)
{
    tavrel::test::TempDir directory;
    fs::copy_file(tavrel::platform::ApplicationDirectory() / "tavrel", directory / "tavrel");
    ASSERT_NO_FATAL_FAILURE(Start(directory / "tavrel", QStringLiteral("^Tavrel$")));  // the failure box
    EXPECT_NE(Tool("xdotool", {"search", "--name", "^Tavrel-"}).first, 0) << "the window appeared";
    Xdotool({"key", "Return"});
    EXPECT_EQ(ExitCode(program), 1);
    const std::string reported = program.readAllStandardError().toStdString();
    EXPECT_NE(reported.find((fs::canonical(directory.path()) / "systemF.txt").string()), std::string::npos) << reported;
    EXPECT_NE(reported.find("No such file or directory"), std::string::npos) << reported;
}

// How long into the work the window manager's close comes: before the
// progress dialog shows, and after.
class CloseDuringWorkTest : public X11Test, public testing::WithParamInterface<int> {};

// The batch's input is a pipe fed without end, so the work is surely running
// when the close comes: the program stops it and ends at once with 0, the
// old target as it was and nothing new in the folder.
TEST_P(CloseDuringWorkTest, EndsTheProgramAndLeavesTheTarget)
{
    std::signal(SIGPIPE, SIG_IGN);
    tavrel::test::TempDir folder;
    tavrel::test::WriteBytes(folder / "简体big.txt", "old");
    ASSERT_EQ(mkfifo((folder / "big.txt").c_str(), 0600), 0);
    std::atomic<bool> opened = false, stop = false;
    std::thread feeder([&] {
        std::ofstream fifo(folder / "big.txt", std::ios::binary);
        opened = true;
        const std::string chinese = tavrel::test::Gbk("中國的漢字\r\n") + std::string(1 << 20, 'a');
        while (!stop && fifo << chinese) {
        }
    });
    const auto join = qScopeGuard([&] {
        stop = true;
        if (!opened)
            std::ifstream(folder / "big.txt");  // lets the feeder's open return
        feeder.join();
    });
    ASSERT_NO_FATAL_FAILURE(Start(tavrel::platform::ApplicationDirectory() / "tavrel", QStringLiteral("^Tavrel-"),
                                  folder.path()));
    Xdotool({"mousemove", "--sync", "--window", window, "684", "84", "click", "1"});  // 批量文件转换
    Tool("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^打开"});
    Xdotool({"type", "--delay", "50", "big.txt"});
    Xdotool({"key", "Return"});
    for (const QDeadlineTimer deadline(kPatience); !opened && !deadline.hasExpired();)
        QThread::msleep(10);
    ASSERT_TRUE(opened) << "the conversion did not start";
    QThread::msleep(GetParam());
    ASSERT_NO_FATAL_FAILURE(SendDeleteWindow(window));
    ASSERT_TRUE(program.waitForFinished(2000)) << "still running 2 s after the close";
    EXPECT_EQ(std::pair(program.exitStatus(), program.exitCode()), std::pair(QProcess::NormalExit, 0));
    EXPECT_EQ(tavrel::test::ReadBytes(folder / "简体big.txt"), "old");
    EXPECT_EQ(tavrel::test::EntryCount(folder.path()), 2) << "nothing beside the target";
}

INSTANTIATE_TEST_SUITE_P(X11, CloseDuringWorkTest, testing::Values(150, 900),
                         [](const auto& row) { return "After" + std::to_string(row.param) + "Milliseconds"; });

}  // namespace
