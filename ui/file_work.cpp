#include "ui/file_work.h"

#include "ui/qt_text.h"

#include <QEventLoop>
#include <QLocale>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <thread>

namespace tavrel::ui {

namespace {

constexpr std::chrono::milliseconds kShowAfter{500};

QString Megabytes(std::uint64_t bytes)
{
    return QLocale(QLocale::Chinese, QLocale::China).toString(static_cast<double>(bytes) / 1e6, 'f', 1) +
           QStringLiteral(" MB");
}

}  // namespace

WorkClock SteadyClock()
{
    return [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    };
}

FileWork::FileWork(QWidget* parent, WorkClock clock) : parent_(parent), clock_(std::move(clock)), start_(clock_())
{
    ConnectReport();
}

FileWork::~FileWork() = default;

void FileWork::Describe(const QString& doing, const std::vector<std::filesystem::path>& files)
{
    doing_ = doing;
    files_ = files;
}

// The figures change in the window's thread only, as the worker's reports
// arrive there in order.
void FileWork::ConnectReport()
{
    QObject::connect(&report_, &WorkReport::batchStarted, &report_, [this](quint64, quint64 bytes) {
        figures_.batchSize = bytes;
        Update();
    }, Qt::QueuedConnection);
    QObject::connect(&report_, &WorkReport::fileStarted, &report_, [this](quint64 index, quint64 size) {
        figures_.fileIndex = index;
        figures_.fileSize = size;
        figures_.fileDone = 0;
        Update();
    }, Qt::QueuedConnection);
    QObject::connect(&report_, &WorkReport::advanced, &report_, [this](quint64 bytes) {
        figures_.fileDone += bytes;
        figures_.batchDone += bytes;
        Update();
    }, Qt::QueuedConnection);
}

// The window's events keep coming while the work runs, user input and a
// close among them; the local loop ends on the worker's last report.
void FileWork::RunOnWorker(const std::function<void()>& work)
{
    QEventLoop loop;
    bool ended = false;
    QObject::connect(&report_, &WorkReport::finished, &loop, [&] {
        ended = true;
        loop.quit();
    }, Qt::QueuedConnection);
    QTimer showTimer;
    showTimer.setSingleShot(true);
    QObject::connect(&showTimer, &QTimer::timeout, &loop, [&] { ShowWhenDue(&showTimer); });
    ShowWhenDue(&showTimer);
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        emit report_.finished();
    });
    loop.exec();
    // The application quitting ends every loop: the work stops too.
    if (!ended)
        Cancel();
    worker.join();
    if (dialog_)
        dialog_->hide();
    if (error)
        std::rethrow_exception(error);
}

void FileWork::ShowWhenDue(QTimer* timer)
{
    if (dialog_)
        return;
    const std::chrono::milliseconds waited = clock_() - start_;
    if (waited >= kShowAfter)
        ShowDialog();
    else if (timer)
        timer->start(kShowAfter - waited);
}

void FileWork::ShowDialog()
{
    dialog_ = std::make_unique<QProgressDialog>(parent_);
    dialog_->setObjectName(QStringLiteral("progressDialog"));
    dialog_->setWindowTitle(QStringLiteral("Tavrel"));
    // Not modal: Qt would then drop the window manager's close of the window.
    // The window takes no other command while its work runs.
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setCancelButtonText(QStringLiteral("取消"));
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setRange(0, 1000);
    QObject::connect(dialog_.get(), &QProgressDialog::canceled, dialog_.get(), [this] { Cancel(); });
    // Sized up front for the largest figures of the batch, so that the lines
    // stay whole and the dialog rarely grows while shown.
    dialog_->setLabelText(Label(true));
    dialog_->adjustSize();
    Update();
    dialog_->show();
}

void FileWork::Update()
{
    if (!dialog_) {
        ShowWhenDue(nullptr);
        return;
    }
    const std::uint64_t total = figures_.batchSize, done = figures_.batchDone;
    dialog_->setLabelText(Label(false));
    dialog_->setValue(total ? static_cast<int>(std::min(done, total) * 1000 / total) : 0);
    // A line wider than the largest figures foresaw still fits.
    const QSize needed = dialog_->sizeHint();
    if (needed.width() > dialog_->width() || needed.height() > dialog_->height())
        dialog_->resize(dialog_->size().expandedTo(needed));
}

QString FileWork::Label(bool widest) const
{
    const std::size_t index = figures_.fileIndex;
    QString name = index < files_.size() ? ToQString(files_[index].filename().u16string()) : QString();
    for (const std::filesystem::path& file : files_) {
        if (widest && file.filename().u16string().size() > static_cast<std::size_t>(name.size()))
            name = ToQString(file.filename().u16string());
    }
    // No file of a batch is larger than the batch.
    const std::uint64_t largest = std::max(figures_.fileSize, figures_.batchSize);
    const QString fileSize = Megabytes(widest ? largest : figures_.fileSize);
    const QString batchSize = Megabytes(widest ? largest : figures_.batchSize);
    QString label = doing_ + QStringLiteral(" %1（%2/%3）").arg(name).arg(index + 1).arg(files_.size());
    label += QStringLiteral("\n本文件：%1 / %2").arg(widest ? fileSize : Megabytes(figures_.fileDone), fileSize);
    if (files_.size() > 1)
        label += QStringLiteral("\n全部：%1 / %2").arg(widest ? batchSize : Megabytes(figures_.batchDone), batchSize);
    return label;
}

}  // namespace tavrel::ui
