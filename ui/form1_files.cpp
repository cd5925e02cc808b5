// The window's two file commands: one file through the open and save dialogs,
// or a batch of files converted beside themselves.

#include "ui/form1.h"

#include "files/batch.h"
#include "files/text_file.h"
#include "ui/messages.h"
#include "ui/qt_text.h"

#include <QRadioButton>

namespace {

namespace fs = std::filesystem;

const QString kConvertedTitle = QStringLiteral("转换成功");

QString NameOf(const fs::path& file)
{
    return tavrel::ui::ToQString(file.filename().u16string());
}

}  // namespace

tavrel::Direction Form1::fileDirection() const
{
    return Option1->isChecked() ? tavrel::Direction::F2J : tavrel::Direction::J2F;
}

void Form1::Command1_Click()
{
    CDialog1.SetFileName(u"");
    CDialog1.SetFlags(CDialog1.Flags() & ~tavrel::kChooserAllowMultiSelect);
    CDialog1.ShowOpen();
    if (CDialog1.FileName().empty())
        return;
    const fs::path input = CDialog1.FileName();
    try {
        tavrel::ui::WorkProgress progress(this, workClock_);
        tavrel::TextFile file = tavrel::ReadTextFile(input);
        if (!progress.Step(1, 2, QStringLiteral("正在转换 %1（1/1）").arg(NameOf(input))))
            return;
        converter().ConvertInPlace(fileDirection(), file.text);
        progress.Hide();

        CDialog1.SetFileName(u"");
        CDialog1.ShowSave();
        if (CDialog1.FileName().empty())
            return;
        tavrel::WriteTextFile(CDialog1.FileName(), file.text, file.encoding);
    } catch (const std::exception& error) {
        tavrel::ui::ShowFailure(this, error);
        return;
    }
    tavrel::ui::ShowInformation(this, kConvertedTitle, QStringLiteral("文件已经成功转换。"));
}

void Form1::Command2_Click()
{
    CDialog1.SetFileName(u"");
    CDialog1.SetFlags(tavrel::kChooserExplorer | tavrel::kChooserAllowMultiSelect);
    CDialog1.ShowOpen();
    const std::vector<fs::path> files = tavrel::ChosenFiles(CDialog1.FileName());
    if (files.empty())
        return;
    tavrel::ui::WorkProgress progress(this, workClock_);
    const auto showStep = [&](const tavrel::BatchStep& step) {
        const int done = static_cast<int>(step.index);
        const int total = static_cast<int>(step.total);
        return progress.Step(done, total, QStringLiteral("正在转换 %1（%2/%3）").arg(NameOf(step.file)).arg(done + 1).arg(total));
    };
    tavrel::BatchResult result;
    try {
        result = tavrel::ConvertBatch(converter(), fileDirection(), files, showStep);
    } catch (const std::exception& error) {
        progress.Hide();
        tavrel::ui::ShowFailure(this, error);
        return;
    }
    progress.Hide();
    const QString count = QString::number(result.converted);
    if (result.cancelled)
        tavrel::ui::ShowInformation(this, QStringLiteral("转换已取消"),
                                    QStringLiteral("批量转换已取消，在此之前已有 %1 个文件成功转换。").arg(count));
    else
        tavrel::ui::ShowInformation(this, kConvertedTitle, count + QStringLiteral("个所选文件已经成功转换！"));
}
