#include "tests/ui/widget_input.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace tavrel::test {

void Type(QWidget* widget, const QString& text)
{
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(widget, Qt::Key_Return);
        if (!lines[i].isEmpty())
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, lines[i], Qt::NoModifier);
    }
}

void Paste(QWidget* widget, const QString& text)
{
    QApplication::clipboard()->setText(text);
    QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
}

void Click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

namespace {

class QuitWatcher : public QObject {
public:
    bool quitRequested = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Quit)
            quitRequested = true;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

bool QuitsWhen(const std::function<void()>& action)
{
    QuitWatcher watcher;
    qApp->installEventFilter(&watcher);
    QTimer::singleShot(0, qApp, [&] {
        action();
        // Queued behind whatever `action` posted, so a quit request is seen first.
        QMetaObject::invokeMethod(
            qApp, [&] { if (!watcher.quitRequested) QCoreApplication::exit(1); }, Qt::QueuedConnection);
    });
    QCoreApplication::exec();
    qApp->removeEventFilter(&watcher);
    return watcher.quitRequested;
}

}  // namespace tavrel::test
