#include "ui/qt_chooser.h"

#include "ui/qt_text.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tavrel::ui {

namespace {

// The dialog for one file takes a typed list of names ("a.txt" "b.txt") too:
// it is refused with a word, and the dialog asks again.
std::vector<std::filesystem::path> ChooseWith(QFileDialog& dialog)
{
    std::vector<std::filesystem::path> chosen;
    while (dialog.exec() == QDialog::Accepted) {
        const QStringList files = dialog.selectedFiles();
        if (dialog.fileMode() == QFileDialog::ExistingFile && files.size() > 1) {
            QMessageBox::warning(&dialog, dialog.windowTitle(), QStringLiteral("请只选择一个文件。"));
            continue;
        }
        for (const QString& file : files)
            chosen.emplace_back(file.toStdU16String());
        break;
    }
    return chosen;
}

// "description|pattern" pairs as Qt's name filters: "description (pattern)".
QStringList NameFilters(const std::u16string& filter)
{
    const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        filters << parts[i] + QStringLiteral(" (") + patterns.replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

// "txt" for a filter whose first pattern is "*.txt": a name typed without an
// extension is saved with it.
QString DefaultSuffix(const std::u16string& filter)
{
    const QString pattern = ToQString(filter).section(QLatin1Char('|'), 1, 1).section(QLatin1Char(';'), 0, 0);
    return pattern.startsWith(QStringLiteral("*.")) ? pattern.mid(2) : QString();
}

}  // namespace

std::vector<std::filesystem::path> QtChooserBackend::Choose(const ChooserRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFilters(request.filter));
    if (!directory_.isEmpty())
        dialog.setDirectory(directory_);
    if (request.kind == ChooserRequest::Kind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        const bool multiple = request.flags & kChooserAllowMultiSelect;
        dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    } else {
        // Qt's save dialog asks before it lets the user replace a file.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(DefaultSuffix(request.filter));
    }
    std::vector<std::filesystem::path> chosen = ChooseWith(dialog);
    // The next dialog starts beside the chosen file, even one typed with a
    // full path to another folder than the one the dialog was showing.
    if (!chosen.empty())
        directory_ = ToQString(chosen.front().parent_path().u16string());
    return chosen;
}

}  // namespace tavrel::ui
