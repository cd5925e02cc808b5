#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace tavrel::ui {

// A monotonic time; the window's tests drive their own.
using WorkClock = std::function<std::chrono::milliseconds()>;

WorkClock SteadyClock();

// Progress of long work done on the user-interface thread. Nothing shows for
// work that finishes quickly; once the work has taken about half a second, a
// modal progress dialog with a cancel button appears and is kept up to date,
// with the window's events handled between steps.
class WorkProgress {
public:
    WorkProgress(QWidget* parent, WorkClock clock);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // Called before step `done` of `total`; returns false once the user has
    // cancelled, so the work stops before that step.
    bool Step(int done, int total, const QString& label);

    // Takes the dialog down, as before another dialog is shown.
    void Hide();

private:
    QWidget* parent_;
    WorkClock clock_;
    const std::chrono::milliseconds start_;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace tavrel::ui
