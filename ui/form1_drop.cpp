// Files dropped onto the window: converted as the batch command converts the
// files chosen in its dialog.

#include "ui/form1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

namespace {

// The local files a drag carries, in its order; nothing when it carries
// anything else (text, a web address), which is then not the window's.
std::vector<std::filesystem::path> DroppedFiles(const QMimeData* data)
{
    std::vector<std::filesystem::path> files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files.emplace_back(url.toLocalFile().toStdU16String());
    }
    return files;
}

}  // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!runningWork_ && !DroppedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event)
{
    const std::vector<std::filesystem::path> files = DroppedFiles(event->mimeData());
    if (runningWork_ || files.empty())
        return;
    event->acceptProposedAction();
    ConvertFiles(files);
}

// The panes' viewports take drops of their own: files are handed to the
// window, the rest stays with the pane.
bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const bool pane = watched == txtJ->viewport() || watched == txtF->viewport();
    if (pane && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                 event->type() == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!DroppedFiles(drop->mimeData()).empty()) {
            if (event->type() == QEvent::Drop)
                dropEvent(drop);
            else if (!runningWork_)
                drop->acceptProposedAction();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
