#include "files/chooser.h"
#include "tests/support/temp_dir.h"
#include "ui/form1.h"
#include "ui/messages.h"

#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>

namespace {

namespace fs = std::filesystem;
using tavrel::test::Gbk;
using tavrel::test::ReadBytes;
using tavrel::test::TempDir;
using tavrel::test::WriteBytes;
using tavrel::ui::MessageRecorder;

// Answers the window's file dialogs with scripted choices, in order, and
// records what each dialog was asked to allow.
class ScriptedChooser : public tavrel::ChooserBackend {
public:
    std::vector<fs::path> Choose(const tavrel::ChooserRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return {};
        std::vector<fs::path> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::vector<fs::path>> answers;
    std::vector<tavrel::ChooserRequest> requests;
};

class FileCommandsTest : public testing::Test {
protected:
    FileCommandsTest()
    {
        form_.Form_Load();
        form_.setChooserBackend(chooser_);
    }

    void Click(const char* name) { form_.findChild<QPushButton*>(name)->click(); }
    void ChooseTraditionalToSimplified(bool yes) { form_.findChild<QRadioButton*>(yes ? "Option1" : "Option2")->click(); }

    std::string MessageText(std::size_t i) const { return recorder_.messages().at(i).text.toStdString(); }
    std::string MessageTitle(std::size_t i) const { return recorder_.messages().at(i).title.toStdString(); }

    std::size_t EntriesInDir() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()));
    }

    TempDir dir_;
    ScriptedChooser chooser_;
    MessageRecorder recorder_;
    Form1 form_;
};

TEST_F(FileCommandsTest, CancellingAnyDialogTouchesNothingAndSaysNothing)
{
    WriteBytes(dir_ / "a.txt", Gbk("中國"));
    chooser_.answers = {{}, {dir_ / "a.txt"}, {}, {}};
    Click("Command1");
    Click("Command1");
    Click("Command2");
    EXPECT_TRUE(recorder_.messages().empty());
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(FileCommandsTest, SingleFileKeepsItsEncodingInBothDirections)
{
    const struct {
        const char* name;
        bool toSimplified;
        std::string input;
        std::string expected;
    } rows[] = {
        {"GbkToSimplified", true, Gbk("中國爲\r\n"), Gbk("中国为\r\n")},
        {"Utf8ToTraditional", false, "中国为\r\n", "中國為\r\n"},
        {"Utf8WithMarkToSimplified", true, "\xEF\xBB\xBF國", "\xEF\xBB\xBF国"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ChooseTraditionalToSimplified(row.toSimplified);
        WriteBytes(dir_ / "in.txt", row.input);
        chooser_.answers = {{dir_ / "in.txt"}, {dir_ / "out.txt"}};
        Click("Command1");
        EXPECT_EQ(ReadBytes(dir_ / "out.txt"), row.expected);
        EXPECT_EQ(ReadBytes(dir_ / "in.txt"), row.input);
    }
    ASSERT_EQ(recorder_.messages().size(), 3u);
    EXPECT_EQ(MessageTitle(0), "转换成功");
    EXPECT_EQ(MessageText(0), "文件已经成功转换。");
    EXPECT_EQ(recorder_.messages()[0].icon, QMessageBox::Information);
}

TEST_F(FileCommandsTest, SavingOverTheInputFileReplacesIt)
{
    WriteBytes(dir_ / "a.txt", Gbk("中國"));
    chooser_.answers = {{dir_ / "a.txt"}, {dir_ / "a.txt"}};
    Click("Command1");
    EXPECT_EQ(ReadBytes(dir_ / "a.txt"), Gbk("中国"));
    EXPECT_EQ(EntriesInDir(), 1u);
}

// Guards the single-file open dialog against keeping the batch's multiple
// selection.
TEST_F(FileCommandsTest, SingleFileDialogAllowsOneFileEvenAfterABatch)
{
    chooser_.answers = {{}, {}};
    Click("Command2");
    Click("Command1");
    ASSERT_EQ(chooser_.requests.size(), 2u);
    EXPECT_EQ(chooser_.requests[0].flags, 0x80200u);
    EXPECT_FALSE(chooser_.requests[1].flags & tavrel::kChooserAllowMultiSelect);
    EXPECT_EQ(chooser_.requests[1].filter, u"文件文件(*.TXT)|*.txt");
}

TEST_F(FileCommandsTest, BatchWritesPrefixedFilesAndCountsThem)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "b.txt", "爲");
    WriteBytes(dir_ / "简体c.txt", Gbk("中國"));
    for (int run = 0; run < 2; ++run) {
        chooser_.answers = {{dir_ / "a.txt", dir_ / "b.txt", dir_ / "简体c.txt"}};
        Click("Command2");
    }
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
    EXPECT_EQ(ReadBytes(dir_ / "简体b.txt"), "为");
    EXPECT_EQ(ReadBytes(dir_ / "简体简体c.txt"), Gbk("中国"));
    EXPECT_EQ(EntriesInDir(), 6u);
    ASSERT_EQ(recorder_.messages().size(), 2u);
    EXPECT_EQ(MessageText(1), "3个所选文件已经成功转换！");
    EXPECT_EQ(MessageTitle(1), "转换成功");
}

TEST_F(FileCommandsTest, BatchToTraditionalUsesTheOtherPrefix)
{
    ChooseTraditionalToSimplified(false);
    WriteBytes(dir_ / "a.txt", Gbk("国"));
    chooser_.answers = {{dir_ / "a.txt"}};
    Click("Command2");
    EXPECT_EQ(ReadBytes(dir_ / "繁体a.txt"), Gbk("國"));
    EXPECT_EQ(MessageText(0), "1个所选文件已经成功转换！");
}

// Guards against losing 简体a.txt: it is chosen and is also a.txt's output.
TEST_F(FileCommandsTest, BatchReadsAChosenFileBeforeReplacingIt)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "简体a.txt", Gbk("爲"));
    chooser_.answers = {{dir_ / "a.txt", dir_ / "简体a.txt"}};
    Click("Command2");
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
    EXPECT_EQ(ReadBytes(dir_ / "简体简体a.txt"), Gbk("为"));
}

TEST_F(FileCommandsTest, FailingFileIsReportedAndEarlierOutputsStay)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    WriteBytes(dir_ / "bad.txt", "\x81\x7F");
    fs::create_directory(dir_ / "简体dir.txt");
    WriteBytes(dir_ / "dir.txt", "x");
    // sysfs lets even root read its files but create none beside them.
    const fs::path readOnlyDirFile = "/sys/kernel/address_bits";
    ASSERT_TRUE(fs::exists(readOnlyDirFile));
    const struct {
        const char* name;
        std::vector<fs::path> chosen;
        fs::path named;
        std::string reason;
        int convertedBefore;
    } rows[] = {
        {"MissingInput", {dir_ / "a.txt", dir_ / "missing.txt", dir_ / "a.txt"}, dir_ / "missing.txt",
         "No such file or directory", 1},
        {"InvalidBytes", {dir_ / "a.txt", dir_ / "bad.txt", dir_ / "a.txt"}, dir_ / "bad.txt", "字节偏移 0", 1},
        {"DirectoryInTheTargetsPlace", {dir_ / "a.txt", dir_ / "dir.txt", dir_ / "a.txt"}, dir_ / "简体dir.txt",
         "Is a directory", 1},
        {"ReadOnlyTargetDirectory", {readOnlyDirFile}, "/sys/kernel/简体address_bits", "Permission denied", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        chooser_.answers = {row.chosen};
        const std::size_t before = recorder_.messages().size();
        Click("Command2");
        ASSERT_EQ(recorder_.messages().size(), before + 1);
        const std::string text = MessageText(before);
        EXPECT_NE(text.find("“" + row.named.string() + "”"), std::string::npos) << text;
        EXPECT_NE(text.find(row.reason), std::string::npos) << text;
        EXPECT_NE(text.find("已有 " + std::to_string(row.convertedBefore) + " 个文件成功转换"), std::string::npos)
            << text;
        EXPECT_EQ(recorder_.messages()[before].icon, QMessageBox::Critical);
    }
    EXPECT_EQ(ReadBytes(dir_ / "简体a.txt"), Gbk("国"));
    EXPECT_FALSE(fs::exists(dir_ / "简体bad.txt"));
    EXPECT_TRUE(fs::is_directory(dir_ / "简体dir.txt"));
    EXPECT_EQ(EntriesInDir(), 5u);
}

TEST_F(FileCommandsTest, SingleFileFailureToWriteKeepsThePanesAndSaysWhy)
{
    WriteBytes(dir_ / "a.txt", Gbk("國"));
    form_.findChild<QPlainTextEdit*>("txtF")->setPlainText(QStringLiteral("留着"));
    chooser_.answers = {{dir_ / "a.txt"}, {dir_ / "no-such-dir" / "out.txt"}};
    Click("Command1");
    ASSERT_EQ(recorder_.messages().size(), 1u);
    EXPECT_NE(MessageText(0).find((dir_ / "no-such-dir" / "out.txt").string()), std::string::npos);
    EXPECT_EQ(form_.findChild<QPlainTextEdit*>("txtF")->toPlainText(), QStringLiteral("留着"));
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(FileCommandsTest, SlowBatchShowsProgressAndCanBeCancelled)
{
    std::vector<fs::path> files;
    for (int i = 0; i < 20; ++i) {
        files.push_back(dir_ / ("f" + std::to_string(i) + ".txt"));
        WriteBytes(files.back(), Gbk("國"));
    }
    // Each look at the clock is a tenth of a second of work.
    std::chrono::milliseconds now{0};
    form_.setWorkClock([&] { return now += std::chrono::milliseconds(100); });
    QTimer canceller;
    bool sawDialog = false;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (auto* dialog = form_.findChild<QProgressDialog*>("progressDialog"); dialog && dialog->isVisible()) {
            sawDialog = dialog->labelText().contains(QStringLiteral("/20"));
            dialog->cancel();
        }
    });
    canceller.start(0);
    chooser_.answers = {files};
    Click("Command2");
    EXPECT_TRUE(sawDialog);
    ASSERT_EQ(recorder_.messages().size(), 1u);
    const std::string text = MessageText(0);
    EXPECT_NE(text.find("已取消"), std::string::npos) << text;
    std::size_t converted = 0;
    for (const fs::path& file : files)
        converted += fs::exists(file.parent_path() / ("简体" + file.filename().string()));
    EXPECT_GT(converted, 0u);
    EXPECT_LT(converted, 20u);
    EXPECT_NE(text.find(" " + std::to_string(converted) + " 个"), std::string::npos) << text;
}

TEST_F(FileCommandsTest, QuickBatchShowsNoProgress)
{
    WriteBytes(dir_ / "a.txt", "a");
    std::chrono::milliseconds now{0};
    form_.setWorkClock([&] { return now; });
    QTimer watcher;
    bool sawDialog = false;
    QObject::connect(&watcher, &QTimer::timeout, [&] { sawDialog |= form_.findChild<QProgressDialog*>() != nullptr; });
    watcher.start(0);
    chooser_.answers = {{dir_ / "a.txt"}};
    Click("Command2");
    EXPECT_FALSE(sawDialog);
    EXPECT_EQ(MessageText(0), "1个所选文件已经成功转换！");
}

}  // namespace
