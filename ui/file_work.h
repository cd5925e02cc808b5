#pragma once

#include "files/progress.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QProgressDialog;
class QTimer;
class QWidget;

namespace tavrel::ui {

// The worker's progress, sent to the thread the report lives in (the window's)
// as queued signals; the worker only emits.
class WorkReport : public QObject, public Progress {
    Q_OBJECT

public:
    void BatchStarted(std::size_t count, std::uint64_t bytes) override { emit batchStarted(count, bytes); }
    void FileStarted(std::size_t index, std::uint64_t size) override { emit fileStarted(index, size); }
    void Advanced(std::uint64_t bytes) override { emit advanced(bytes); }

signals:
    void batchStarted(quint64 count, quint64 bytes);
    void fileStarted(quint64 index, quint64 size);
    void advanced(quint64 bytes);
    // The work has ended, done, failed or cancelled.
    void finished();
};

// A monotonic time; the window's tests drive their own.
using WorkClock = std::function<std::chrono::milliseconds()>;

WorkClock SteadyClock();

// File work run on a worker thread while the window stays live: its events,
// a close among them, keep coming. Nothing shows for work that ends quickly;
// once the work has taken about half a second, a progress dialog shows the
// file, the bytes done in it and in the whole batch, and a cancel button that
// stops the work within a block.
class FileWork {
public:
    FileWork(QWidget* parent, WorkClock clock);
    ~FileWork();
    FileWork(const FileWork&) = delete;
    FileWork& operator=(const FileWork&) = delete;

    // What the dialog says is being done ("正在检查", "正在转换") and to which
    // files, in order; the progress tells which one is current.
    void Describe(const QString& doing, const std::vector<std::filesystem::path>& files);

    // Runs `work` with the progress it reports to and returns its result,
    // or throws what it threw, once it has ended.
    template <class Work>
    auto Run(Work work) -> decltype(work(std::declval<Progress&>()))
    {
        using Result = decltype(work(report_));
        if constexpr (std::is_void_v<Result>) {
            RunOnWorker([&] { work(report_); });
        } else {
            std::optional<Result> result;
            RunOnWorker([&] { result.emplace(work(report_)); });
            return std::move(*result);
        }
    }

    // Asks the running work to stop, as its cancel button does.
    void Cancel() { report_.Cancel(); }

private:
    struct Figures {
        std::uint64_t fileDone = 0, fileSize = 0, batchDone = 0, batchSize = 0;
        std::size_t fileIndex = 0;
    };

    void RunOnWorker(const std::function<void()>& work);
    void ConnectReport();
    // Shows the dialog once the work has taken long enough, else arms
    // `timer` for the time left.
    void ShowWhenDue(QTimer* timer);
    void ShowDialog();
    void Update();
    // What the dialog says; `widest` with the largest figures any file of
    // the batch can bring, for its size.
    QString Label(bool widest) const;

    QWidget* parent_;
    WorkClock clock_;
    WorkReport report_;
    Figures figures_;
    QString doing_;
    std::vector<std::filesystem::path> files_;
    std::chrono::milliseconds start_{};
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace tavrel::ui
