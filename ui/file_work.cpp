#include "ui/file_work.h"

#include "ui/qt_text.h"

#include <QEventLoop>
#include <QLocale>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace tavrel::ui {

namespace {

constexpr std::chrono::milliseconds kShowAfter{500};
constexpr std::chrono::milliseconds kTick{15};

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
}

FileWork::~FileWork() = default;

void FileWork::Describe(const QString& doing, const std::vector<std::filesystem::path>& files)
{
    doing_ = doing;
    files_ = files;
}

void FileWork::RunOnWorker(const std::function<void()>& work)
{
    std::atomic<bool> done = false;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
    });
    // User input waits while no dialog is up, so that nothing else starts;
    // once the modal dialog is up, it keeps input from the window itself.
    QEventLoop loop;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        if (done || (!dialog_ && clock_() - start_ >= kShowAfter))
            loop.quit();
        else
            Update();
    });
    ticker.start(kTick);
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!done) {
        ShowDialog();
        loop.exec();
    }
    worker.join();
    if (dialog_)
        dialog_->hide();
    if (error)
        std::rethrow_exception(error);
}

void FileWork::ShowDialog()
{
    if (!dialog_) {
        dialog_ = std::make_unique<QProgressDialog>(parent_);
        dialog_->setObjectName(QStringLiteral("progressDialog"));
        dialog_->setWindowTitle(QStringLiteral("Tavrel"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setCancelButtonText(QStringLiteral("取消"));
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setRange(0, 1000);
        QObject::connect(dialog_.get(), &QProgressDialog::canceled, dialog_.get(), [this] { Cancel(); });
    }
    // Sized once, for its label at its widest (everything done), and fixed:
    // a dialog that grows while shown leaves a stray strip under some window
    // managers.
    dialog_->setLabelText(Label(true));
    dialog_->adjustSize();
    dialog_->setFixedSize(dialog_->size());
    Update();
    dialog_->show();
}

void FileWork::Update()
{
    if (!dialog_)
        return;
    if (dialog_->wasCanceled())
        Cancel();
    const std::uint64_t total = progress_.batchSize.load();
    const std::uint64_t done = progress_.batchDone.load();
    dialog_->setLabelText(Label(false));
    dialog_->setValue(total ? static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total) : 0);
}

QString FileWork::Label(bool widest) const
{
    const std::size_t index = progress_.fileIndex;
    QString name = index < files_.size() ? ToQString(files_[index].filename().u16string()) : QString();
    for (const std::filesystem::path& file : files_) {
        if (widest && file.filename().u16string().size() > static_cast<std::size_t>(name.size()))
            name = ToQString(file.filename().u16string());
    }
    QString label = doing_ + QStringLiteral(" %1（%2/%3）").arg(name).arg(index + 1).arg(files_.size());
    const std::uint64_t fileSize = progress_.fileSize;
    const std::uint64_t batchSize = progress_.batchSize;
    label += QStringLiteral("\n本文件：%1 / %2").arg(Megabytes(widest ? fileSize : progress_.fileDone.load()),
                                                  Megabytes(fileSize));
    if (files_.size() > 1)
        label += QStringLiteral("\n全部：%1 / %2").arg(Megabytes(widest ? batchSize : progress_.batchDone.load()),
                                                    Megabytes(batchSize));
    return label;
}

}  // namespace tavrel::ui
