#include "ui/form1.h"
#include "ui/messages.h"
#include "ui/translations.h"

#include "engine/errors.h"
#include "tests/ui/widget_input.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <new>

namespace {

using tavrel::ui::MessageRecorder;

TEST(MessagesTest, AboutIsAModalBoxWithOneChineseOkButton)
{
    tavrel::ui::InstallQtTranslations(*qApp);
    Form1 form;
    form.show();
    bool answered = false;
    tavrel::test::AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        answered = true;
        EXPECT_TRUE(box.isModal());
        EXPECT_EQ(box.parentWidget(), &form);
        EXPECT_EQ(box.icon(), QMessageBox::Information);
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Tavrel"));
        EXPECT_EQ(box.text().count(QStringLiteral("\r\n")), 2);
        EXPECT_FALSE(box.text().endsWith(u'\n'));
        ASSERT_EQ(box.buttons().size(), 1);
        EXPECT_EQ(box.buttons()[0]->text(), QStringLiteral("确定"));
        box.buttons()[0]->click();
    });
    tavrel::test::Click(form.findChild<QWidget*>(QStringLiteral("cmdAbout")));
    EXPECT_TRUE(answered);
}

TEST(MessagesTest, FailureBoxNamesTheFileAndTheReason)
{
    const std::filesystem::path file = std::filesystem::path("/缺少的目录") / "systemF.txt";
    const tavrel::FileError error(file, tavrel::FileError::Operation::Read, "No such file or directory");
    bool answered = false;
    tavrel::test::AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
        answered = true;
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        EXPECT_EQ(box.text(), QString::fromUtf8(error.what()));
        EXPECT_TRUE(box.text().contains(QDir::toNativeSeparators(QStringLiteral("/缺少的目录/systemF.txt"))));
        EXPECT_TRUE(box.text().contains(QStringLiteral("No such file or directory")));
        box.buttons()[0]->click();
    });
    tavrel::ui::ShowFailure(nullptr, error);
    EXPECT_TRUE(answered);
}

TEST(MessagesTest, OutOfMemoryIsReportedInChinese)
{
    MessageRecorder recorder;
    tavrel::ui::ShowFailure(nullptr, std::bad_alloc());
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("内存不足，无法完成这项操作。"));
}

}  // namespace
