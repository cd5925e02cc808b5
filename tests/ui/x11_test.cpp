#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

namespace fs = std::filesystem;

// Generous, for a loaded two-core machine: a bound on waiting, never a
// measure of speed.
constexpr int kPatience = 120'000;

// Places in the window, in logical pixels.
const QStringList kLowerPane = {"316", "346"};
const QStringList kUpperPane = {"316", "120"};
const QStringList kF2JButton = {"140", "480"};
const QStringList kCloseButton = {"688", "480"};

QString Native(const fs::path& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path.string()));
}

// A private X server for one test, with the tools that drive it as a user
// would: xdotool for the mouse and keyboard, xclip to read the clipboard.
class X11Test : public testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QByteArray display;
        while (!display.contains('\n') && server.waitForReadyRead(kPatience))
            display += server.readAllStandardOutput();
        ASSERT_TRUE(display.contains('\n')) << server.readAllStandardError().toStdString();
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(display.trimmed()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.path().string()));
    }

    void TearDown() override
    {
        for (QProcess* process : {&program, &server}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kPatience);
            }
        }
    }

    void Start(const fs::path& executable)
    {
        program.setProcessEnvironment(environment);
        program.start(QString::fromStdString(executable.string()), {});
        ASSERT_TRUE(program.waitForStarted(kPatience)) << program.errorString().toStdString();
    }

    // Runs a tool to its end and gives its exit code (-1 if it did not end)
    // and its output.
    std::pair<int, QString> Tool(const QString& name, const QStringList& arguments, const QString& input = {})
    {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(name, arguments);
        tool.write(input.toUtf8());
        tool.closeWriteChannel();
        if (!tool.waitForFinished(kPatience)) {
            tool.kill();
            tool.waitForFinished();
            return {-1, {}};
        }
        const int exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        return {exitCode, QString::fromUtf8(tool.readAllStandardOutput())};
    }

    void Xdotool(const QStringList& arguments)
    {
        const auto [exitCode, out] = Tool(QStringLiteral("xdotool"), arguments);
        ASSERT_EQ(exitCode, 0) << "xdotool " << arguments.join(u' ').toStdString();
    }

    // The id of the first visible window whose title matches, once it shows.
    QString WaitForWindow(const QString& title)
    {
        const auto [exitCode, out] =
            Tool(QStringLiteral("xdotool"), {"search", "--sync", "--onlyvisible", "--name", title});
        EXPECT_EQ(exitCode, 0) << "no window " << title.toStdString();
        return out.section(u'\n', 0, 0);
    }

    void ClickAt(const QString& window, const QStringList& place)
    {
        Xdotool(QStringList{"mousemove", "--sync", "--window", window} + place + QStringList{"click", "1"});
    }

    // What the clipboard holds once `done` accepts it, or what it last held.
    QString WaitForClipboard(const std::function<bool(const QString&)>& done)
    {
        const QDeadlineTimer deadline(kPatience);
        QString text;
        while (!deadline.hasExpired()) {
            const auto [exitCode, out] = Tool(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"});
            text = out;
            if (exitCode == 0 && done(text))
                break;
            QThread::msleep(100);
        }
        return text;
    }

    // Puts text on the clipboard, as copying it in another program would.
    void Copy(const QString& text)
    {
        ASSERT_EQ(Tool(QStringLiteral("xclip"), {"-selection", "clipboard", "-i"}, text).first, 0) << "xclip";
        // xclip serves the text from the background: wait until it does.
        ASSERT_EQ(WaitForClipboard([&](const QString& held) { return held == text; }), text);
    }

    bool WaitForExit() { return program.waitForFinished(kPatience) && program.exitStatus() == QProcess::NormalExit; }

    tavrel::test::TempDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess server;
    QProcess program;
};

// Latin letters and Enter are typed, Chinese is pasted: xdotool types a
// character the keyboard map lacks by rebinding a spare key and undoing that
// at once, and a busy program may read the map after the undo and lose the
// character.
TEST_F(X11Test, EnteredTraditionalTextAppearsSimplifiedInTheUpperPane)
{
    Start(tavrel::test::ProgramDirectory() / "tavrel");
    const QString window = WaitForWindow(QStringLiteral("^Tavrel-"));
    ASSERT_FALSE(window.isEmpty());
    Xdotool({"windowfocus", "--sync", window});

    ClickAt(window, kLowerPane);
    Xdotool({"type", "--delay", "50", "Tavrel 3.0"});
    Xdotool({"key", "Return"});
    // A single paste as the last entry: nothing else takes the clipboard until
    // the program has pasted from it.
    Copy(QStringLiteral("中國的漢字\n與書"));
    Xdotool({"key", "ctrl+v"});
    ClickAt(window, kF2JButton);
    ClickAt(window, kUpperPane);
    Xdotool({"key", "ctrl+a", "ctrl+c"});

    const QString expected = QStringLiteral("Tavrel 3.0\n中国的汉字\n与书");
    EXPECT_EQ(WaitForClipboard([&](const QString& text) { return text == expected; }), expected);
    EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(X11Test, CloseButtonEndsTheProgram)
{
    Start(tavrel::test::ProgramDirectory() / "tavrel");
    const QString window = WaitForWindow(QStringLiteral("^Tavrel-"));
    ASSERT_FALSE(window.isEmpty());
    Xdotool({"windowfocus", "--sync", window});
    ClickAt(window, kCloseButton);
    ASSERT_TRUE(WaitForExit());
    EXPECT_EQ(program.exitCode(), 0);
}

// The program copied into a directory without its tables. The box's text is
// the one the program writes to its error stream; the box itself is checked
// in-process.
TEST_F(X11Test, MissingTableIsNamedAndTheProgramExitsWithOne)
{
    tavrel::test::TempDir directory;
    fs::copy_file(tavrel::test::ProgramDirectory() / "tavrel", directory / "tavrel");
    const QString table = Native(fs::canonical(directory.path()) / "systemF.txt");
    Start(directory / "tavrel");

    const QString box = WaitForWindow(QStringLiteral("^Tavrel$"));
    ASSERT_FALSE(box.isEmpty());
    EXPECT_NE(Tool(QStringLiteral("xdotool"), {"search", "--name", "^Tavrel-"}).first, 0) << "the window appeared";
    Xdotool({"windowfocus", "--sync", box});
    Xdotool({"key", "Return"});
    ASSERT_TRUE(WaitForExit());
    EXPECT_EQ(program.exitCode(), 1);
    const QString reported = QString::fromUtf8(program.readAllStandardError());
    EXPECT_TRUE(reported.contains(table)) << reported.toStdString();
    EXPECT_TRUE(reported.contains(QStringLiteral("No such file or directory"))) << reported.toStdString();
}

}  // namespace
