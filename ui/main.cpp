#include "files/platform.h"
#include "ui/form1.h"
#include "ui/messages.h"
#include "ui/translations.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Wayland docks match the window to its desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVREL_APP_ID));
    tavrel::ui::InstallQtTranslations(application);
    tavrel::platform::InstallInterruptCleanup();

    Form1 form;
    try {
        form.Form_Load();
    } catch (const std::exception& error) {
        // Nothing of the user's exists yet: report, and never show the window.
        std::fprintf(stderr, "%s\n", error.what());
        tavrel::ui::ShowFailure(nullptr, error);
        return 1;
    }
    form.show();
    return application.exec();
}
