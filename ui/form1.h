#pragma once

#include "engine/converter.h"
#include "files/chooser.h"
#include "ui/qt_chooser.h"
#include "ui/file_work.h"

#include <QWidget>

#include <array>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The program's one window: the Simplified pane above the Traditional pane,
// the two pane buttons below them, and on the right the file conversion
// group, the example label, About and Close. The window owns the conversion
// tables for the whole run.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    // Loads the character tables; throws tavrel::Error naming the table file
    // when one cannot be read. Called once, before the window is shown.
    void Form_Load();

    // Lets a test answer the file dialogs instead of a user.
    void SetChooserBackend(tavrel::ChooserBackend& backend) { CDialog1.SetBackend(backend); }
    // Lets a test decide how long file work seems to take.
    void SetWorkClock(tavrel::ui::WorkClock clock) { workClock_ = std::move(clock); }

protected:
    // Closing during file work, by any means, cancels it (the target stays as
    // it was) and ends the program once the worker has stopped.
    void closeEvent(QCloseEvent* event) override;
    // Files dragged onto the window, its panes included, convert as the
    // batch command's chosen files do; text dropped on a pane stays the
    // pane's own business.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void cmdF2J_Click();
    void cmdJ2F_Click();
    void cmdAbout_Click();
    void cmdExit_Click();
    void Command1_Click();
    void Command2_Click();

private:
    void CreateControls();
    // The controls in tab order.
    std::array<QWidget*, 14> Controls() const;
    void FitToFont();
    QSize RoomOnScreen() const;
    using PaneConversion = std::u16string (tavrel::Converter::*)(std::u16string_view) const;
    void ConvertPane(PaneConversion convert, const QPlainTextEdit& source, QPlainTextEdit& target);
    void ApplyTabOrder();
    void ConnectHandlers();
    tavrel::Direction FileDirection() const;
    void EnableCommands(bool enabled);
    // Converts files beside themselves in the direction of the options, as
    // the batch command does with the files chosen.
    void ConvertFiles(const std::vector<std::filesystem::path>& files);
    // Runs file work through `work`, reporting its failure or cancellation;
    // false when it did not complete.
    bool RunFileWork(tavrel::ui::FileWork& work, const std::function<void(tavrel::Progress&)>& job);

    tavrel::Converter converter_;
    tavrel::ui::QtChooserBackend chooserBackend_;
    tavrel::CommonDialog CDialog1;
    tavrel::ui::WorkClock workClock_;
    tavrel::ui::FileWork* runningWork_ = nullptr;
    bool closeAfterWork_ = false;

    QPushButton* cmdAbout;
    QPushButton* cmdExit;
    QGroupBox* Frame1;
    QPlainTextEdit* txtJ;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QPushButton* Command1;
    QPushButton* Command2;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QButtonGroup* directionGroup;
    QPushButton* cmdF2J;
    QPushButton* cmdJ2F;
    QLabel* Label2;
    QPlainTextEdit* txtF;
};
