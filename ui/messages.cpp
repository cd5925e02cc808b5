#include "ui/messages.h"

#include "engine/errors.h"

#include <new>

namespace tavrel::ui {

namespace {

const QString kTitle = QStringLiteral("Tavrel");

QString FailureText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QString::fromUtf8(kOutOfMemoryMessage);
    return QString::fromUtf8(error.what());
}

}  // namespace

void ShowMessage(QWidget* parent, const Message& message)
{
    QMessageBox box(message.icon, message.title, message.text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowInformation(QWidget* parent, const QString& title, const QString& text)
{
    ShowMessage(parent, {QMessageBox::Information, title, text});
}

void ShowFailure(QWidget* parent, const std::exception& error)
{
    ShowMessage(parent, {QMessageBox::Critical, kTitle, FailureText(error)});
}

}  // namespace tavrel::ui
