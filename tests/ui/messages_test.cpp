#include "ui/form1.h"
#include "ui/messages.h"
#include "ui/translations.h"

#include "tests/ui/widget_input.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

#include <new>

namespace {

// A real box: modal over the window, with the About text and Qt's Chinese OK button.
TEST(MessagesTest, AboutIsAModalBoxWithTheAddressesAndOneChineseOkButton)
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
        EXPECT_EQ(box.text(), QStringLiteral("Tavrel\r\n邮箱：" TAVREL_CONTACT_EMAIL "\r\n网址：" TAVREL_WEB_ADDRESS));
        EXPECT_EQ(box.buttons().size() == 1 ? box.buttons()[0]->text() : QString(), QStringLiteral("确定")) << "one button";
        box.done(0);
    });
    QTest::mouseClick(form.findChild<QWidget*>("cmdAbout"), Qt::LeftButton);
    EXPECT_TRUE(answered);
}

// A failed allocation is reported in Chinese, not as the library's "std::bad_alloc".
TEST(MessagesTest, OutOfMemoryIsReportedInChinese)
{
    tavrel::test::MessageBoxLog boxes;
    tavrel::ui::ShowFailure(nullptr, std::bad_alloc());
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].text, QStringLiteral("内存不足，无法完成这项操作。"));
}

}  // namespace
