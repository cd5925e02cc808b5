// The window's two file commands: one file through the open and save dialogs,
// or a batch of files converted beside themselves. The files are read and
// written on a worker thread while the window stays live.

#include "ui/form1.h"

#include "files/batch.h"
#include "files/convert_file.h"
#include "ui/messages.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <exception>

namespace {

namespace fs = std::filesystem;

const QString kConvertedTitle = QStringLiteral("转换成功");
const QString kOneFile = QStringLiteral("请只选择一个文件。");

}  // namespace

tavrel::Direction Form1::FileDirection() const
{
    return Option1->isChecked() ? tavrel::Direction::F2J : tavrel::Direction::J2F;
}

bool Form1::RunFileWork(tavrel::ui::FileWork& work, const std::function<void(tavrel::Progress&)>& job)
{
    runningWork_ = &work;
    const QPointer<QWidget> focus = focusWidget();
    EnableCommands(false);
    std::exception_ptr failure;
    try {
        work.Run(job);
    } catch (...) {
        failure = std::current_exception();
    }
    EnableCommands(true);
    if (focus)
        focus->setFocus();
    runningWork_ = nullptr;
    // Closing the window stopped the work: the program ends, saying nothing.
    if (closeAfterWork_) {
        close();
        return false;
    }
    if (!failure)
        return true;
    try {
        std::rethrow_exception(failure);
    } catch (const tavrel::Cancelled& cancelled) {
        tavrel::ui::ShowInformation(this, QStringLiteral("转换已取消"), QString::fromUtf8(cancelled.what()));
    } catch (const tavrel::BatchError& error) {
        if (error.WasCancelled())
            tavrel::ui::ShowInformation(this, QStringLiteral("转换已取消"), QString::fromUtf8(error.what()));
        else
            tavrel::ui::ShowFailure(this, error);
    } catch (const std::exception& error) {
        tavrel::ui::ShowFailure(this, error);
    }
    return false;
}

// While file work runs the window starts nothing else; only 关闭 stays, to
// stop the work and end the program.
void Form1::EnableCommands(bool enabled)
{
    const std::initializer_list<QWidget*> commands = {cmdAbout, Frame1, Frame2, Frame3, cmdF2J, cmdJ2F};
    for (QWidget* control : commands)
        control->setEnabled(enabled);
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!runningWork_) {
        event->accept();
        return;
    }
    closeAfterWork_ = true;
    runningWork_->Cancel();
    event->ignore();
}

void Form1::Command1_Click()
{
    CDialog1.SetFileName(u"");
    CDialog1.SetFlags(CDialog1.Flags() & ~tavrel::kChooserAllowMultiSelect);
    CDialog1.ShowOpen();
    const std::vector<fs::path> chosen = tavrel::ChosenFiles(CDialog1.FileName());
    if (chosen.empty())
        return;
    if (chosen.size() > 1) {
        tavrel::ui::ShowMessage(this, {QMessageBox::Warning, QStringLiteral("Tavrel"), kOneFile});
        return;
    }
    const fs::path input = chosen.front();
    const tavrel::Direction direction = FileDirection();
    // The file is read and checked before the save dialog, so that a bad
    // byte is reported before the user picks where to save.
    tavrel::ui::FileWork check(this, workClock_);
    check.Describe(QStringLiteral("正在检查"), {input});
    tavrel::FilePlan plan;
    if (!RunFileWork(check, [&](tavrel::Progress& progress) {
            plan = tavrel::CheckTextFile(converter_, direction, input, {}, &progress);
        }))
        return;

    CDialog1.SetFileName(u"");
    CDialog1.ShowSave();
    if (CDialog1.FileName().empty())
        return;
    const fs::path output = CDialog1.FileName();
    tavrel::ui::FileWork conversion(this, workClock_);
    conversion.Describe(QStringLiteral("正在转换"), {input});
    if (RunFileWork(conversion, [&](tavrel::Progress& progress) {
            tavrel::ConvertTextFile(converter_, direction, input, output, {}, &progress, plan);
        }))
        tavrel::ui::ShowInformation(this, kConvertedTitle, QStringLiteral("文件已经成功转换。"));
}

void Form1::Command2_Click()
{
    CDialog1.SetFileName(u"");
    CDialog1.SetFlags(tavrel::kChooserBatchFlags);
    CDialog1.ShowOpen();
    const std::vector<fs::path> files = tavrel::ChosenFiles(CDialog1.FileName());
    if (!files.empty())
        ConvertFiles(files);
}

void Form1::ConvertFiles(const std::vector<fs::path>& files)
{
    const tavrel::Direction direction = FileDirection();
    tavrel::ui::FileWork work(this, workClock_);
    work.Describe(QStringLiteral("正在转换"), files);
    tavrel::BatchResult result;
    if (RunFileWork(work, [&](tavrel::Progress& progress) {
            result = tavrel::ConvertBatch(converter_, direction, tavrel::BesideEachFile(files, direction), {}, &progress);
        }))
        tavrel::ui::ShowInformation(this, kConvertedTitle,
                                    QString::fromStdString(tavrel::BatchDoneMessage(result).Text()));
}
