#pragma once

#include "files/chooser.h"

#include <QString>

class QWidget;

namespace tavrel::ui {

// Answers the window's file chooser with Qt's own file dialog (in Chinese
// with Qt's translations), starting each dialog in the folder of the file
// last chosen.
class QtChooserBackend : public ChooserBackend {
public:
    explicit QtChooserBackend(QWidget* parent) : parent_(parent) {}

    std::vector<std::filesystem::path> Choose(const ChooserRequest& request) override;

private:
    QWidget* parent_;
    QString directory_;
};

}  // namespace tavrel::ui
