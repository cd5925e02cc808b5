#pragma once

#include "files/progress.h"

#include <QString>

#include <atomic>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QProgressDialog;
class QWidget;

namespace tavrel::ui {

// The progress of the running work, as the dialog reads it.
class WorkProgress : public Progress {
public:
    void BatchStarted(std::size_t count, std::uint64_t bytes) override
    {
        fileCount = count;
        batchSize = bytes;
    }
    void FileStarted(std::size_t index, std::uint64_t size) override
    {
        fileIndex = index;
        fileSize = size;
        fileDone = 0;
    }
    void Advanced(std::uint64_t bytes) override
    {
        fileDone += bytes;
        batchDone += bytes;
    }

    std::atomic<std::uint64_t> fileDone{0};
    std::atomic<std::uint64_t> fileSize{0};
    std::atomic<std::uint64_t> batchDone{0};
    std::atomic<std::uint64_t> batchSize{0};
    std::atomic<std::size_t> fileIndex{0};
    std::atomic<std::size_t> fileCount{0};
};

// A monotonic time; the window's tests drive their own.
using WorkClock = std::function<std::chrono::milliseconds()>;

WorkClock SteadyClock();

// File work run on a worker thread while the window stays live. Nothing
// shows for work that ends quickly, and the window takes no input meanwhile;
// once the work has taken about half a second, a modal progress dialog
// shows the file, the bytes done in it and in the whole batch, and a cancel
// button that stops the work within a block.
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
        using Result = decltype(work(progress_));
        if constexpr (std::is_void_v<Result>) {
            RunOnWorker([&] { work(progress_); });
        } else {
            std::optional<Result> result;
            RunOnWorker([&] { result.emplace(work(progress_)); });
            return std::move(*result);
        }
    }

    // Asks the running work to stop, as its cancel button does.
    void Cancel() { progress_.Cancel(); }

private:
    void RunOnWorker(const std::function<void()>& work);
    void Update();
    void ShowDialog();
    // What the dialog says; `widest` with everything done, for its size.
    QString Label(bool widest) const;

    QWidget* parent_;
    WorkClock clock_;
    WorkProgress progress_;
    QString doing_;
    std::vector<std::filesystem::path> files_;
    std::chrono::milliseconds start_{};
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace tavrel::ui
