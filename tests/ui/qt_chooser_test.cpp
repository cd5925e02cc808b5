#include "tests/support/temp_dir.h"
#include "tests/ui/widget_input.h"
#include "ui/qt_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

namespace {

namespace fs = std::filesystem;
using tavrel::ChooserRequest;
using tavrel::test::AnswerNextDialog;

// Types a name into the real dialog's name box and presses Enter, as a user
// would; the dialog ignores selectFile() once it is shown.
void TypeName(QFileDialog& dialog, const fs::path& name)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromStdU16String(name.u16string()));
    QTest::keyClick(edit, Qt::Key_Return);
}

// A single-file conversion as a user goes through it: the open dialog takes
// one file of the filter's kind (a typed list of names is refused), typed with a full path to another folder
// than the one shown; the save dialog starts beside it, adds the filter's
// extension to a bare name and asks before replacing a file; a cancelled
// dialog chooses nothing.
TEST(QtChooserTest, OpenThenSaveBesideTheChosenFileThenCancel)
{
    tavrel::test::TempDir shown, other;
    tavrel::test::WriteBytes(other / "in.txt", "in");
    tavrel::test::WriteBytes(other / "old.txt", "old");
    tavrel::ui::QtChooserBackend backend(nullptr);
    const std::u16string filter = u"文件文件(*.TXT)|*.txt";
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText(),
                  QStringLiteral("文件文件(*.TXT)"));
        dialog.setDirectory(QString::fromStdString(other.path().string()));
        AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
            EXPECT_EQ(box.text(), QStringLiteral("请只选择一个文件。"));
            AnswerNextDialog<QFileDialog>([&](QFileDialog& again) {
                again.setDirectory(QString::fromStdString(shown.path().string()));
                TypeName(again, other / "in.txt");
            });
            box.button(QMessageBox::Ok)->click();
        });
        TypeName(dialog, "\"in.txt\" \"old.txt\"");
    });
    EXPECT_EQ(backend.Choose({ChooserRequest::Kind::Open, 0, filter}), std::vector<fs::path>{other / "in.txt"});
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.directory().absolutePath(),
                  QDir(QString::fromStdString(other.path().string())).absolutePath());
        AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
            EXPECT_TRUE(box.text().contains(QStringLiteral("old.txt"))) << box.text().toStdString();
            box.button(QMessageBox::Yes)->click();
        });
        TypeName(dialog, "old");
    });
    EXPECT_EQ(backend.Choose({ChooserRequest::Kind::Save, 0, filter}), std::vector<fs::path>{other / "old.txt"});
    AnswerNextDialog<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(backend.Choose({ChooserRequest::Kind::Open, 0x80200, filter}).empty()) << "cancelled";
}

}  // namespace
