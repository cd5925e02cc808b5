#include "ui/work_progress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace tavrel::ui {

namespace {

constexpr std::chrono::milliseconds kShowAfter{500};

}  // namespace

WorkClock SteadyClock()
{
    return [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    };
}

WorkProgress::WorkProgress(QWidget* parent, WorkClock clock)
    : parent_(parent), clock_(std::move(clock)), start_(clock_())
{
}

WorkProgress::~WorkProgress() = default;

bool WorkProgress::Step(int done, int total, const QString& label)
{
    if (!dialog_) {
        if (clock_() - start_ < kShowAfter)
            return true;
        dialog_ = std::make_unique<QProgressDialog>(parent_);
        dialog_->setObjectName(QStringLiteral("progressDialog"));
        dialog_->setWindowTitle(QStringLiteral("Tavrel"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setCancelButtonText(QStringLiteral("取消"));
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->show();
    }
    dialog_->setMaximum(total);
    dialog_->setLabelText(label);
    dialog_->setValue(done);
    QCoreApplication::processEvents();
    return !dialog_->wasCanceled();
}

void WorkProgress::Hide()
{
    dialog_.reset();
}

}  // namespace tavrel::ui
