#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/widget_input.h"

#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QWindow>

#include <atomic>
#include <thread>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tavrel::test;

// The window and a folder to work in.
class FileCommandsTest : public WindowTest {
protected:
    auto Entries() const { return EntryCount(dir_.path()); }

    TempDir dir_;
};

// One file through the open and save dialogs: in the chosen direction, in its
// own encoding, over itself too. Cancelling a dialog touches nothing and says
// nothing. Guards the single-file dialog against keeping the batch's multiple
// selection, and the command against taking several files.
TEST_F(FileCommandsTest, SingleFileKeepsItsEncodingAndCancellingSaysNothing)
{
    const struct {
        const char* option;
        std::string input, expected;
        const char* output;
    } rows[] = {
        {"Option1", Gbk("中國爲\r\n"), Gbk("中国为\r\n"), "out.txt"},
        {"Option2", "中国为\r\n", "中國為\r\n", "out.txt"},
        {"Option1", "\xEF\xBB\xBF國", "\xEF\xBB\xBF国", "in.txt"},
    };
    chooser.answers = {{}};  // cancels the batch's dialog
    Click("Command2");
    for (const auto& row : rows) {
        Click(row.option);
        WriteBytes(dir_ / "in.txt", row.input);
        chooser.answers = {{dir_ / "in.txt"}, {dir_ / row.output}};
        Click("Command1");
        EXPECT_EQ(ReadBytes(dir_ / row.output), row.expected) << row.output;
    }
    chooser.answers = {{dir_ / "in.txt"}};  // then cancels the save dialog
    Click("Command1");
    chooser.answers = {{dir_ / "in.txt", dir_ / "out.txt"}};  // the backend's multiple selection
    Click("Command1");
    ASSERT_EQ(chooser.requests.size(), 10u);
    EXPECT_EQ(chooser.requests[0].flags, 0x80200u);
    EXPECT_FALSE(chooser.requests[1].flags & tavrel::kChooserAllowMultiSelect);
    EXPECT_EQ(chooser.requests[1].filter, u"文件文件(*.TXT)|*.txt");
    ASSERT_EQ(messages.shown.size(), 4u);
    EXPECT_EQ(messages.shown[2].title, QStringLiteral("转换成功"));
    EXPECT_EQ(Text(2), "文件已经成功转换。");
    EXPECT_EQ(messages.shown[3].icon, QMessageBox::Warning);
    EXPECT_EQ(Text(3), "请只选择一个文件。");
    EXPECT_EQ(Entries(), 2);
}

TEST_F(FileCommandsTest, BatchWritesPrefixedFilesAndCountsThem)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "简体a.txt", "爲");
    chooser.answers = {{dir_ / "a.txt", dir_ / "简体a.txt"}, {dir_ / "a.txt"}};
    Click("Command2");
    Click("Option2");
    Click("Command2");
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
    EXPECT_EQ(ReadBytes(dir_ / "简体简体a.txt"), "为");
    EXPECT_EQ(ReadBytes(dir_ / "繁体a.txt"), Gbk("國"));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(Text(0), "2个所选文件已经成功转换！");
    EXPECT_EQ(Text(1), "1个所选文件已经成功转换！");
}

// Files dropped on a pane convert as the batch's chosen files, in the
// options' direction; dropped text stays the pane's.
TEST_F(FileCommandsTest, DroppedFilesConvertAndDroppedTextIsThePanes)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "b.txt", "爲");
    const auto drop = [&](QMimeData& data) {
        QWidget* pane = Find<QPlainTextEdit>("txtF")->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pane, &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pane, &event);
    };
    QMimeData files, text;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir_ / "a.txt").string())),
                   QUrl::fromLocalFile(QString::fromStdString((dir_ / "b.txt").string()))});
    text.setText(QStringLiteral("國"));
    drop(files);
    drop(text);
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
    EXPECT_EQ(ReadBytes(dir_ / "简体b.txt"), "为");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(Text(0), "2个所选文件已经成功转换！");
    EXPECT_EQ(Find<QPlainTextEdit>("txtF")->toPlainText(), QStringLiteral("國"));
}

// The window's part of a failure: a critical box naming the file and the
// reason, in a batch the count of files done before it; the window goes on
// to the next command.
TEST_F(FileCommandsTest, FailingFileIsReportedAndTheWindowGoesOn)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "bad.txt", "\x81\x7F");
    const fs::path missing = dir_ / "missing.txt", unwritable = dir_ / "no-dir" / "b.txt";
    chooser.answers = {{dir_ / "a.txt", missing}, {dir_ / "a.txt"}, {unwritable}, {dir_ / "bad.txt"}};
    Click("Command2");
    Click("Command1");
    Click("Command1");
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_NE(Text(0).find("“" + missing.string() + "”：No such file or directory"), std::string::npos) << Text(0);
    EXPECT_NE(Text(0).find("在此之前已有 1 个文件成功转换"), std::string::npos) << Text(0);
    EXPECT_NE(Text(1).find("“" + unwritable.parent_path().string() + "”中创建文件“b.txt”：No such file"),
              std::string::npos)
        << Text(1);
    // A single file that cannot be read is said before anyone is asked where to save it.
    EXPECT_NE(Text(2).find("“" + (dir_ / "bad.txt").string() + "”：字节偏移 0"), std::string::npos) << Text(2);
    EXPECT_EQ(chooser.requests.size(), 4u);
    for (const ShownMessage& message : messages.shown)
        EXPECT_EQ(message.icon, QMessageBox::Critical);
    EXPECT_EQ(Entries(), 3) << "a.txt's output only: no partial or temporary file";
}

// The progress dialog's lines stay whole when a later file of the batch
// brings larger figures than the one it showed first with.
TEST(FileWorkTest, ProgressLinesStayWholeForALargerLaterFile)
{
    QWidget window;
    tavrel::ui::FileWork work(&window, [now = 0ms]() mutable { return now += 100ms; });
    work.Describe(QStringLiteral("正在转换"), {"a.txt", "b.txt"});
    std::atomic<int> seen = 0;  // the labels seen: the first file's, then the second's
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const auto* label = window.findChild<QLabel*>();
        if (!label || !label->isVisible() || !label->text().contains(seen ? "1,037.0" : "0.1 MB / 0.1"))
            return;
        for (const QString& line : label->text().split(u'\n'))
            EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->contentsRect().width()) << seen;
        ++seen;
    });
    watch.start(1);
    work.Run([&](tavrel::Progress& progress) {
        progress.BatchStarted(2, 1'073'800'000);
        progress.FileStarted(0, 100'000);
        progress.Advanced(100'000);
        while (seen == 0)
            std::this_thread::sleep_for(1ms);
        progress.FileStarted(1, 1'073'700'000);
        progress.Advanced(1'037'000'000);
        while (seen == 1)
            std::this_thread::sleep_for(1ms);
    });
}

// A file stopped in its middle: in a batch or alone, by its cancel button or
// by the window system closing the window, which also ends the program.
struct StopRow {
    const char* name;
    bool single, closeWindow;
    const char *label, *message;
    friend void PrintTo(const StopRow& row, std::ostream* out) { *out << row.name; }
};

const StopRow kStops[] = {
    {"BatchCancelButton", false, false, "b.txt（2/2）", "转换已取消，目标文件保持原样。\n在此之前已有 1 个文件成功转换。"},
    {"BatchWindowClosed", false, true, "b.txt（2/2）", ""},
    {"SingleFileCancelButton", true, false, "b.txt（1/1）", "转换已取消，目标文件保持原样。"},
};

class StopTest : public FileCommandsTest, public testing::WithParamInterface<StopRow> {};

// Guards stopping in the middle of a large file: the work stops within a
// block, the old output (hard-linked) stays as it was, no temporary file is left, the window
// takes no other command meanwhile, and the message counts the files finished
// in a batch only.
TEST_P(StopTest, InTheMiddleOfAFileLeavesNothing)
{
    const StopRow& row = GetParam();
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "简体b.txt", "old");
    // A second name: the target is written in place, once the work is done.
    fs::create_hard_link(dir_ / "简体b.txt", dir_ / "second-name");
    WriteBytes(dir_ / "b.txt", QByteArray::fromStdString(Gbk("國")).repeated(20'000'000).toStdString());
    // Each look at the clock is a tenth of a second of work: the dialog shows at once.
    form.SetWorkClock([now = 0ms]() mutable { return now += 100ms; });
    QString label;
    bool commandsEnabled = true;  // Command1 or cmdF2J while the work runs
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        for (QProgressDialog* dialog : form.findChildren<QProgressDialog*>()) {
            if (!dialog->isVisible() || !label.isEmpty() || !dialog->labelText().contains(QStringLiteral("正在转换 b")))
                continue;
            label = dialog->labelText();
            commandsEnabled = Find("Command1")->isEnabled() || Find("cmdF2J")->isEnabled();
            row.closeWindow ? void(form.windowHandle()->close()) : dialog->findChild<QPushButton*>()->click();
        }
    });
    stopper.start(1);
    chooser.answers = {{dir_ / "a.txt", dir_ / "b.txt"}};
    if (row.single)
        chooser.answers = {{dir_ / "b.txt"}, {dir_ / "简体b.txt"}};
    Click(row.single ? "Command1" : "Command2");
    EXPECT_TRUE(label.contains(QString::fromUtf8(row.label))) << label.toStdString();
    EXPECT_FALSE(commandsEnabled);
    EXPECT_EQ(ReadBytes(dir_ / "second-name"), "old");
    EXPECT_EQ(Entries(), row.single ? 4 : 5) << "no temporary file";
    EXPECT_EQ(form.isVisible(), !row.closeWindow);
    ASSERT_EQ(messages.shown.size(), row.closeWindow ? 0u : 1u);
    for (const ShownMessage& shown : messages.shown)
        EXPECT_EQ(std::tuple(shown.icon, shown.title, shown.text),
                  std::tuple(QMessageBox::Information, QStringLiteral("转换已取消"), QString::fromUtf8(row.message)));
}

INSTANTIATE_TEST_SUITE_P(Stop, StopTest, testing::ValuesIn(kStops), RowName());

}  // namespace
