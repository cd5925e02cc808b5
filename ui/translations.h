#pragma once

class QCoreApplication;

namespace tavrel::ui {

// Installs Qt's own Simplified Chinese translations, so that standard buttons
// and the file dialogs speak Chinese. Without them the program still runs; a
// warning names the file that could not be loaded.
void InstallQtTranslations(QCoreApplication& application);

}  // namespace tavrel::ui
