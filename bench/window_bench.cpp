// The window's side of the benchmark, run by tavrel-bench as a process of its
// own so that its peak memory can be measured.
//   tavrel-window-bench file INPUT OUTPUT   converts a file with 单个文件转换
//   tavrel-window-bench pane CHARACTERS [one-line]   times 繁体转简体 on a pane of that size

#include "files/table_files.h"
#include "tests/support/scripted_chooser.h"
#include "ui/form1.h"
#include "ui/pane_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Closes every message box as soon as it shows, as a user pressing OK would.
void AnswerMessageBoxes(QTimer& timer)
{
    QObject::connect(&timer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    timer.start(20);
}

// Converts the file and prints the longest time the window's event loop went
// without turning, in milliseconds: what a user would see as a frozen frame.
int ConvertFile(Form1& form, const char* input, const char* output)
{
    tavrel::test::ScriptedChooser chooser;
    chooser.answers = {{input}, {output}};
    form.SetChooserBackend(chooser);
    QTimer answers;
    AnswerMessageBoxes(answers);
    Clock::time_point lastTurn = Clock::now();
    double longestPause = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestPause = std::max(longestPause, Milliseconds(lastTurn));
        lastTurn = Clock::now();
    });
    heartbeat.start(5);
    QTimer::singleShot(0, [&] {
        form.findChild<QPushButton*>("Command1")->click();
        QApplication::quit();
    });
    const int status = QApplication::exec();
    std::printf("%.0f\n", longestPause);
    return status;
}

// Pane text of `size` characters, in lines of forty, or in one line.
std::u16string PaneSample(std::size_t size, bool oneLine)
{
    std::u16string line = u"中國的漢字經過簡化以後筆畫變少了臺灣和香港仍然使用繁體字這個軟體可以\r\n";
    if (oneLine)
        line.resize(line.size() - 2);
    std::u16string text;
    while (text.size() < size)
        text += line;
    text.resize(size);
    return text;
}

int TimePane(Form1& form, std::size_t size, bool oneLine)
{
    const std::u16string text = PaneSample(size, oneLine);
    auto* source = form.findChild<QPlainTextEdit*>("txtF");
    tavrel::ui::SetPaneText(*source, text);
    QApplication::processEvents();

    tavrel::Converter converter;
    LoadTables(converter);
    const Clock::time_point convertStart = Clock::now();
    const std::u16string converted = converter.F2J(text);
    const double converterMs = Milliseconds(convertStart);

    const Clock::time_point clickStart = Clock::now();
    form.findChild<QPushButton*>("cmdF2J")->click();
    QApplication::processEvents();
    const double totalMs = Milliseconds(clickStart);
    const bool same = tavrel::ui::PaneText(*form.findChild<QPlainTextEdit*>("txtJ")) == converted;
    std::printf("%.1f %.1f\n", converterMs, totalMs - converterMs);
    return same ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Form1 form;
    form.Form_Load();
    form.show();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "file" && argc == 4)
        return ConvertFile(form, argv[2], argv[3]);
    if (mode == "pane" && (argc == 3 || argc == 4))
        return TimePane(form, std::stoul(argv[2]), argc == 4 && std::string(argv[3]) == "one-line");
    std::fprintf(stderr, "usage: tavrel-window-bench file INPUT OUTPUT | pane CHARACTERS\n");
    return 2;
}
