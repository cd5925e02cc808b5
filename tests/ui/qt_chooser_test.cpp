#include "tests/support/temp_dir.h"
#include "tests/ui/widget_input.h"
#include "ui/qt_chooser.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

namespace fs = std::filesystem;
using tavrel::ChooserRequest;
using tavrel::test::AnswerNextDialog;
using tavrel::test::TempDir;
using tavrel::test::WriteBytes;

// Types a name into the real dialog's name box and presses Enter, as a user
// would; the dialog ignores selectFile() once it is shown.
void TypeName(QFileDialog& dialog, const QString& name)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

QString Native(const fs::path& path)
{
    return QString::fromStdU16String(path.u16string());
}

TEST(QtChooserTest, OpenDialogReturnsTheTypedFile)
{
    TempDir dir;
    WriteBytes(dir / "a.txt", "a");
    tavrel::ui::QtChooserBackend backend(nullptr);
    bool singleFile = false;
    QString filterShown;
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        singleFile = dialog.fileMode() == QFileDialog::ExistingFile;
        filterShown = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
        TypeName(dialog, Native(dir / "a.txt"));
    });
    const auto chosen = backend.Choose({ChooserRequest::Kind::Open, 0, u"文件文件(*.TXT)|*.txt"});
    EXPECT_EQ(chosen, std::vector<fs::path>{dir / "a.txt"});
    EXPECT_TRUE(singleFile);
    EXPECT_EQ(filterShown, QStringLiteral("文件文件(*.TXT)"));
}

TEST(QtChooserTest, SaveDialogAsksBeforeReplacingAFile)
{
    TempDir dir;
    WriteBytes(dir / "old.txt", "old");
    tavrel::ui::QtChooserBackend backend(nullptr);
    bool asked = false;
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        AnswerNextDialog<QMessageBox>([&](QMessageBox& question) {
            asked = question.text().contains(QStringLiteral("old.txt"));
            question.button(QMessageBox::Yes)->click();
        });
        TypeName(dialog, Native(dir / "old.txt"));
    });
    const auto chosen = backend.Choose({ChooserRequest::Kind::Save, 0, u"文件文件(*.TXT)|*.txt"});
    EXPECT_TRUE(asked);
    EXPECT_EQ(chosen, std::vector<fs::path>{dir / "old.txt"});
}

TEST(QtChooserTest, SavedNameWithoutExtensionGetsTheFiltersOne)
{
    TempDir dir;
    tavrel::ui::QtChooserBackend backend(nullptr);
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) { TypeName(dialog, Native(dir / "结果")); });
    const auto chosen = backend.Choose({ChooserRequest::Kind::Save, 0, u"文件文件(*.TXT)|*.txt"});
    EXPECT_EQ(chosen, std::vector<fs::path>{dir / "结果.txt"});
}

// The save dialog of a single-file conversion starts beside the input file,
// also when its name was typed with a full path to another folder.
TEST(QtChooserTest, NextDialogStartsInTheChosenFilesFolder)
{
    TempDir shown;
    TempDir other;
    WriteBytes(other / "in.txt", "in");
    tavrel::ui::QtChooserBackend backend(nullptr);
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        dialog.setDirectory(Native(shown.path()));
        TypeName(dialog, Native(other / "in.txt"));
    });
    ASSERT_EQ(backend.Choose({ChooserRequest::Kind::Open, 0, u"文件文件(*.TXT)|*.txt"}).size(), 1u);
    QString startedIn;
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        startedIn = dialog.directory().absolutePath();
        dialog.reject();
    });
    backend.Choose({ChooserRequest::Kind::Save, 0, u"文件文件(*.TXT)|*.txt"});
    EXPECT_EQ(startedIn.toStdString(), QDir(Native(other.path())).absolutePath().toStdString());
}

TEST(QtChooserTest, CancelReturnsNothing)
{
    tavrel::ui::QtChooserBackend backend(nullptr);
    AnswerNextDialog<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(backend.Choose({ChooserRequest::Kind::Open, 0x80200, u"文件文件(*.TXT)|*.txt"}).empty());
}

}  // namespace
