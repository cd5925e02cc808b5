#pragma once

#include <QMessageBox>
#include <QString>

#include <exception>

class QWidget;

namespace tavrel::ui {

struct Message {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
};

// Shows a modal box with the message and a single OK button, and returns when
// the user has closed it.
void ShowMessage(QWidget* parent, const Message& message);

// A modal box with the information icon and one OK button.
void ShowInformation(QWidget* parent, const QString& title, const QString& text);

// A modal box that reports a failed operation with the error's message, which
// for the program's own errors names the file and the system's reason.
void ShowFailure(QWidget* parent, const std::exception& error);

}  // namespace tavrel::ui
